#pragma once

#include "editor/editor_context.h"
#include "editor/editor_state.h"
#include "widgets/opening_result.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace korvel {

class frmBrowser;
class frmData;
class frmChanges;
class FlagsTab;
class ValuesTab;
class ArraysTab;
class MapsTab;
class HexTab;
class LiveUpdate;
class EditorMenu;
class ItemTab;

// The calibration editor: five tabs over the image, checksum, save and the emulator transfers.
class frmEditor : public QDialog {
    Q_OBJECT
public:
    explicit frmEditor(Services& services, QWidget* parent = nullptr);
    ~frmEditor() override;

    // The opening sequence: settings, reset, emulator identification, image, definition,
    // item lists. The caller shows the window only when it opened.
    OpeningResult Form_Load();

    void ClearVars();
    // The end of the opening, whichever the definition's format: caption, file state, heat map, marks.
    OpeningResult finishOpening();
    // Sorts the items into the four tab lists; false when they do not add up to ItemCount.
    bool FillItemLists();
    // Saves the image over the BIN file; for a file that cannot be written, offers Save As.
    void cmdSave_Click();
    // Saves the image to a file the user chooses and goes on editing that file (BinPath and
    // the remembered BIN location follow it); the baseline of "changes since opened" stays
    // the image as opened. False when nothing was saved.
    bool saveAs();
    // Takes the last action that changed bytes back (Ctrl+Z), or makes it again (Ctrl+Shift+Z,
    // Ctrl+Y); each is stored like an edit and recorded as pending.
    void undo();
    void redo();
    // Compares the image with a BIN file the user picks ("Compare with…"), or again with the
    // image as it was opened; every tab marks what differs.
    void compareWith();
    void compareWithOpened();
    // Opens the list of what differs ("Changes…"); a chosen row opens its item in its tab.
    void showChanges();
    // Opens the item browser ("Browse Items…"): every item by kind, narrowed by a filter; a
    // chosen entry opens its item in its tab.
    void showBrowser();
    // Opens the data window ("Data…"): the ECU's diagnostic line, logged and charted.
    void showData();
    // Shows item `number` (of EcuItemTable) in its tab, as if chosen from the tab's list.
    void openItem(int number);
    // Shows item `index` of a definition read into the item model (XDF) in its tab.
    void openDefinitionItem(int index);
    // The heat map of the Arrays and Maps grids, on or off; remembered in the settings file.
    void setHeatMap(bool on);
    void SSTab1_Click();
    void cmdUpload_Click();
    // Sends every byte changed since start to the emulator, reporting in lblWhat/lblWhere.
    void Upload_Changes();

    EditorState& vars() { return m_vars; }
    bool isSaved() const { return m_vars.IsSaved; }

    // Closing goes through here whichever way the user closes (the close box).
    void reject() override;

protected:
    // Esc does not close the editor: half-typed text would be committed by the closing.
    // Enter that reaches the window presses no button.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // A definition of another format than .ecu (told by its content): read into the item
    // model, its items shown on tabs of their own (editor_items.cpp). False after telling
    // why it cannot be read.
    bool openItemDefinition();
    // A value typed and not committed goes to its item (on the Values tab of either kind).
    void commitTyped();
    // The item tabs, when the definition is one of the item model; none otherwise.
    std::vector<ItemTab*> itemTabs() const;
    // The item tab whose grid the menu's table commands work on (the one shown), if any.
    ItemTab* shownItemTable() const;
    // The menu bar over the editor's commands (frm_editor_menu.cpp).
    void buildMenu(QVBoxLayout* layout);
    // The line that tells a read-only file, and the title with it (editor_saving.cpp).
    void buildFileState(QVBoxLayout* layout);
    void showFileState();
    void identifyEmulator();
    // Opens a transfer window modally.
    template <typename Window> void openTransfer();
    // Everything the user could start or edit while an upload runs.
    void setEditingEnabled(bool enabled);
    // Writes the image; on failure shows the reason and leaves the editor unsaved.
    bool saveImage();
    // The closing questions; false when the window must stay open (a save that failed).
    bool Form_Unload();
    // Every tab reads what it shows again from the image; the map and the Hex pictures are redrawn.
    void reloadTabs();
    void stepHistory(const EditAction* (EditHistory::*step)(AppState&));
    // Every tab, list and the Changes view mark again what differs from the baseline.
    void showMarks();
    void markLists();

    Services& m_services;
    EditorState m_vars;
    EditorContext m_context{m_services, m_vars};
    bool m_opened = false;
    bool m_closing = false;

    QTabWidget* m_tabs = nullptr;
    FlagsTab* m_flagsTab = nullptr;
    ValuesTab* m_valuesTab = nullptr;
    ArraysTab* m_arraysTab = nullptr;
    MapsTab* m_mapsTab = nullptr;
    HexTab* m_hexTab = nullptr;
    ItemTab* m_itemTabs[4] = {}; // flags, values, arrays, maps of an item-model definition
    QPushButton* m_cmdComplete = nullptr;
    QPushButton* m_cmdDownload = nullptr;
    QPushButton* m_cmdCheck = nullptr;
    QPushButton* m_cmdBatch = nullptr;
    QPushButton* m_cmdUpload = nullptr;
    QCheckBox* m_chkVerify = nullptr;
    QLabel* m_lblWhat = nullptr;
    QLabel* m_lblWhere = nullptr;
    QPushButton* m_cmdSave = nullptr;
    QPushButton* m_cmdChkSum = nullptr;
    QPushButton* m_cmdCompare = nullptr;
    QPushButton* m_cmdCompareOpened = nullptr;
    QPushButton* m_cmdChanges = nullptr;
    QCheckBox* m_chkHeatMap = nullptr;
    QLabel* m_lblCompare = nullptr;
    frmChanges* m_changes = nullptr;
    frmBrowser* m_browser = nullptr;
    frmData* m_data = nullptr;
    // The image as it was opened: the baseline "Compare with opened image" goes back to.
    Baseline m_openedImage;
    bool m_uploading = false;
    // The BIN file cannot be written (or is installed data): Save offers Save As.
    bool m_readOnly = false;
    QLabel* m_lblReadOnly = nullptr;
    EditorMenu* m_menu = nullptr;
    LiveUpdate* m_live = nullptr;
};

} // namespace korvel
