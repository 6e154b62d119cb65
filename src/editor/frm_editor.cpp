#include "frm_editor.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/definition_reader.h"
#include "core/ecu_reader.h"
#include "core/item_browse.h"
#include "core/item_reading.h"
#include "core/settings_file.h"
#include "core/values.h"
#include "core/version.h"
#include "editor/arrays_tab.h"
#include "editor/browser_view.h"
#include "editor/changes_view.h"
#include "editor/checksum_questions.h"
#include "editor/flags_tab.h"
#include "editor/hex_tab.h"
#include "editor/item_tab.h"
#include "editor/live_update.h"
#include "editor/maps_tab.h"
#include "editor/values_tab.h"
#include "transfer/frm_batch_download.h"
#include "transfer/frm_check.h"
#include "transfer/frm_download.h"
#include "transfer/frm_verify.h"
#include "widgets/busy_pointer.h"
#include "widgets/named_controls.h"
#include "widgets/prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvel {

frmEditor::frmEditor(Services& services, QWidget* parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmEditor"));
    setWindowTitle(QStringLiteral("Korvel Version ?.??"));
    buildControls();
}

frmEditor::~frmEditor() {
    // ~QDialog hides a window that is still shown only after this class's members are
    // gone, and hiding takes the focus from its control: that control's focus-out
    // handler (a Hex box redrawing, the raw box committing) would then run against the
    // destroyed window state. Hiding here runs it while everything still exists.
    hide();
}

void frmEditor::buildControls() {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_flagsTab = new FlagsTab(m_context, m_tabs);
    m_valuesTab = new ValuesTab(m_context, m_tabs);
    m_arraysTab = new ArraysTab(m_context, m_tabs);
    m_mapsTab = new MapsTab(m_context, m_tabs);
    m_hexTab = new HexTab(m_context, m_tabs);
    m_tabs->addTab(m_flagsTab, QStringLiteral("Flags"));
    m_tabs->addTab(m_valuesTab, QStringLiteral("Values"));
    m_tabs->addTab(m_arraysTab, QStringLiteral("Arrays"));
    m_tabs->addTab(m_mapsTab, QStringLiteral("3D Maps"));
    m_tabs->addTab(m_hexTab, QStringLiteral("Hex"));

    auto* cmdChkSum = m_cmdChkSum = namedButton(this, "cmdChkSum", QStringLiteral("Calculate CheckSum"));
    auto* cmdSave = m_cmdSave = namedButton(this, "cmdSave", QStringLiteral("Save Changes"));
    m_cmdComplete = namedButton(this, "cmdComplete", QStringLiteral("Standard Download File"));
    m_cmdDownload = namedButton(this, "cmdDownload", QStringLiteral("Verify File"));
    m_cmdCheck = namedButton(this, "cmdCheck", QStringLiteral("Check File"));
    m_cmdBatch = namedButton(this, "cmdBatch", QStringLiteral("Batch Download File"));
    m_cmdUpload = namedButton(this, "cmdUpload", QStringLiteral("Download Changes"));
    m_chkVerify = new QCheckBox(QStringLiteral("Verify Upload"), this);
    m_chkVerify->setObjectName(QStringLiteral("chkVerify"));
    // Uploads always run with write checking: the box is ticked and not open to change.
    m_chkVerify->setChecked(true);
    m_chkVerify->setEnabled(false);
    m_cmdCompare = namedButton(this, "cmdCompare", QStringLiteral("Compare with…"));
    m_cmdCompare->setToolTip(
        QStringLiteral("Mark every byte that differs from another BIN file, the stock one say"));
    m_cmdCompareOpened = namedButton(this, "cmdCompareOpened", QStringLiteral("Compare with opened image"));
    m_cmdChanges = namedButton(this, "cmdChanges", QStringLiteral("Changes…"));
    m_chkHeatMap = new QCheckBox(QStringLiteral("Heat map"), this);
    m_chkHeatMap->setObjectName(QStringLiteral("chkHeatMap"));
    m_chkHeatMap->setToolTip(
        QStringLiteral("Colour the cells of tables and maps from their lowest to their highest value"));
    m_lblCompare = namedLabel(this, QStringLiteral("lblCompare"));
    m_lblWhat = namedLabel(this, QStringLiteral("lblWhat"));
    m_lblWhere = namedLabel(this, QStringLiteral("lblWhere"));

    auto* buttons = new QGridLayout;
    buttons->addWidget(cmdChkSum, 0, 0);
    buttons->addWidget(cmdSave, 1, 0);
    buttons->addWidget(m_cmdComplete, 0, 1);
    buttons->addWidget(m_cmdDownload, 1, 1);
    buttons->addWidget(m_cmdBatch, 0, 2);
    buttons->addWidget(m_cmdCheck, 1, 2);
    buttons->addWidget(m_cmdUpload, 0, 3);
    buttons->addWidget(m_chkVerify, 1, 3);
    buttons->addWidget(m_lblWhat, 0, 4);
    buttons->addWidget(m_lblWhere, 1, 4);
    buttons->addWidget(m_cmdCompare, 2, 0);
    buttons->addWidget(m_cmdCompareOpened, 2, 1);
    buttons->addWidget(m_cmdChanges, 2, 2);
    buttons->addWidget(m_chkHeatMap, 2, 3);
    buttons->addWidget(m_lblCompare, 2, 4);
    buttons->setColumnStretch(4, 1);
    m_live = new LiveUpdate(m_services, m_vars.History, this);
    buttons->addWidget(m_live->checkBox(), 0, 5);
    buttons->addWidget(m_live->label(), 1, 5);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
    resize(1040, 760);

    connect(cmdChkSum, &QPushButton::clicked, this, [this] {
        cmdChkSum_Click(m_context);
        reloadTabs(); // the stored checksum may lie in the bytes of an item on screen
    });
    connect(cmdSave, &QPushButton::clicked, this, &frmEditor::cmdSave_Click);
    connect(m_cmdCompare, &QPushButton::clicked, this, &frmEditor::compareWith);
    connect(m_cmdCompareOpened, &QPushButton::clicked, this, &frmEditor::compareWithOpened);
    connect(m_cmdChanges, &QPushButton::clicked, this, &frmEditor::showChanges);
    connect(m_chkHeatMap, &QCheckBox::toggled, this, &frmEditor::setHeatMap);
    // Marks follow every action that changes bytes: edits, undo and redo.
    m_vars.History.addListener([this](const EditAction&) { showMarks(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmEditor::SSTab1_Click);
    connect(m_cmdUpload, &QPushButton::clicked, this, &frmEditor::cmdUpload_Click);
    connect(m_cmdComplete, &QPushButton::clicked, this, &frmEditor::openTransfer<frmDownload>);
    connect(m_cmdDownload, &QPushButton::clicked, this, &frmEditor::openTransfer<frmVerify>);
    connect(m_cmdCheck, &QPushButton::clicked, this, &frmEditor::openTransfer<frmCheck>);
    connect(m_cmdBatch, &QPushButton::clicked, this, &frmEditor::openTransfer<frmBatchDownload>);
    buildMenu(layout);
    buildFileState(layout);
}

OpeningResult frmEditor::Form_Load() {
    AppState& state = m_services.state;
    SettingsFile& settings = m_services.settings;
    if (settings.ReadSetting(QStringLiteral("Upload Execute")).isEmpty())
        settings.WriteSetting(QStringLiteral("Upload Execute"), QString());
    state.NumericFormat = settings.ReadSetting(QStringLiteral("Numeric Format"));
    if (state.NumericFormat.isEmpty()) {
        settings.WriteSetting(QStringLiteral("Numeric Format"), QStringLiteral("##.##"));
        state.NumericFormat = settings.ReadSetting(QStringLiteral("Numeric Format"));
    }

    m_vars.IsLoading = false;
    m_vars.ArrayShowRaw = true;
    m_vars.MapShowRaw = true;
    m_vars.IsSaved = true;
    ClearVars();

    if (settings.ReadSetting(QStringLiteral("Port")).isEmpty())
        settings.WriteSetting(QStringLiteral("Port"), QStringLiteral("1"));
    state.PortNumber = portNumberFromSetting(settings.ReadSetting(QStringLiteral("Port")));
    settings.WriteSetting(QStringLiteral("Port"), QString::number(state.PortNumber));

    identifyEmulator();
    for (QPushButton* b : {m_cmdComplete, m_cmdUpload, m_cmdDownload, m_cmdBatch, m_cmdCheck})
        b->setEnabled(state.EmulatorFound);
    m_live->setAvailable(state.EmulatorFound);
    m_arraysTab->setSelectionHighlight(false);
    m_mapsTab->setSelectionHighlight(false);

    if (Status s = ReadBinFile(state); !s) return {OpeningResult::Outcome::Failed, s.error()};
    m_openedImage = m_vars.Compare = Baseline::ofImage(state);
    state.definition.reset();
    if (QFile probe(state.EcuPath);
        probe.open(QIODevice::ReadOnly) && detectDefinitionFormat(probe.readAll()) != DefinitionFormat::Ecu) {
        if (!openItemDefinition()) return {OpeningResult::Outcome::ClosedItself, {}};
        return finishOpening();
    }
    const EcuReadResult ecu = ReadEcuFile(state);
    switch (ecu.outcome) {
    case EcuReadResult::Outcome::HeaderError:
        return {OpeningResult::Outcome::Failed, ecu.message};
    case EcuReadResult::Outcome::IncorrectFormat:
        setDefaultPointer();
        m_services.prompt.message(ecu.message, Prompt::Icon::Critical);
        return {OpeningResult::Outcome::ClosedItself, {}};
    case EcuReadResult::Outcome::ItemError:
        setDefaultPointer();
        m_services.prompt.message(ecu.message);
        break;
    case EcuReadResult::Outcome::Read:
        break;
    }

    if (!FillItemLists()) {
        // The items do not sort into the four tabs. The editor closes instead of ending
        // the program, so the pending changes of this run stay for the emulator.
        setDefaultPointer();
        m_services.prompt.message(QStringLiteral("Error in ECU File"));
        return {OpeningResult::Outcome::ClosedItself, {}};
    }
    return finishOpening();
}

OpeningResult frmEditor::finishOpening() {
    AppState& state = m_services.state;
    SettingsFile& settings = m_services.settings;
    setDefaultPointer();
    setWindowTitle(QStringLiteral("Korvel Version ") + versionText() + fileSizeCaption(state.BinSize));
    m_opened = true;
    showFileState();
    {
        const QSignalBlocker quiet(m_chkHeatMap); // reading the setting is not a choice to store
        m_chkHeatMap->setChecked(settings.ReadSetting(QStringLiteral("Heat Map")) == QLatin1String("1"));
    }
    m_vars.HeatMap = m_chkHeatMap->isChecked();
    showMarks();
    return {};
}

bool frmEditor::FillItemLists() {
    const AppState& state = m_services.state;
    struct Pass {
        ItemClass cls;
        std::vector<int>* items;
        QComboBox* list;
    };
    const Pass passes[] = {{ItemClass::Flag, &m_vars.FlagItems, m_flagsTab->itemList()},
                           {ItemClass::Value, &m_vars.ValueItems, m_valuesTab->itemList()},
                           {ItemClass::Array, &m_vars.ArrayItems, m_arraysTab->itemList()},
                           {ItemClass::Map, &m_vars.MapItems, m_mapsTab->itemList()}};
    const int count = std::min<int>(state.ecuHeader.ItemCount, kMaxItems);
    for (const Pass& pass : passes) {
        pass.items->clear();
        pass.list->clear();
        for (int n = 1; n <= count; ++n) {
            const EcuItem& item = state.EcuItemTable[static_cast<size_t>(n)];
            if (classOf(item) != pass.cls) continue;
            pass.items->push_back(n);
            pass.list->addItem(item.Title);
        }
        pass.list->setCurrentIndex(-1);
    }
    return itemsSort(state.ecuHeader, state.EcuItemTable);
}

void frmEditor::ClearVars() {
    m_flagsTab->clearVars();
    m_valuesTab->clearVars();
    m_arraysTab->clearVars();
    m_mapsTab->clearVars();
    m_vars.RotationAngle = 30;
}

void frmEditor::reloadTabs() {
    for (ItemTab* t : itemTabs())
        t->reload();
    m_flagsTab->reload();
    m_valuesTab->reload();
    m_arraysTab->reload();
    m_mapsTab->reload();
    m_mapsTab->redrawMap();
    m_hexTab->RedrawHex();
    m_hexTab->reload();
    showMarks();
}

void frmEditor::showMarks() {
    for (ItemTab* t : itemTabs())
        t->showMarks();
    m_flagsTab->showMarks();
    m_valuesTab->showMarks();
    m_arraysTab->showMarks();
    m_mapsTab->showMarks();
    m_hexTab->showMarks();
    markLists();
    if (m_changes && m_changes->isVisible()) m_changes->refresh();
    const Baseline& b = m_vars.Compare;
    m_lblCompare->setText(b.path().isEmpty()
                              ? QStringLiteral("Compared with the image as opened")
                              : QStringLiteral("Compared with %1").arg(QFileInfo(b.path()).fileName()));
    m_lblCompare->setToolTip(b.path());
    m_cmdCompareOpened->setEnabled(!b.path().isEmpty());
}

void frmEditor::markLists() {
    const AppState& state = m_services.state;
    const std::pair<const std::vector<int>*, QComboBox*> lists[] = {
        {&m_vars.FlagItems, m_flagsTab->itemList()},
        {&m_vars.ValueItems, m_valuesTab->itemList()},
        {&m_vars.ArrayItems, m_arraysTab->itemList()},
        {&m_vars.MapItems, m_mapsTab->itemList()}};
    QFont bold;
    bold.setBold(true);
    for (const auto& [items, list] : lists)
        for (int i = 0; i < static_cast<int>(items->size()) && i < list->count(); ++i) {
            const EcuItem& item = state.EcuItemTable[static_cast<size_t>((*items)[static_cast<size_t>(i)])];
            const ItemClass cls = classOf(item);
            const bool differs =
                itemRefusal(state, item, cls).isEmpty() &&
                m_vars.Compare.anyDiffers(state, itemAddress(item), itemByteCount(item, cls));
            if (list->itemData(i, Qt::FontRole).isValid() != differs)
                list->setItemData(i, differs ? QVariant(bold) : QVariant(), Qt::FontRole);
        }
}

void frmEditor::compareWith() {
    AppState& state = m_services.state;
    const QString path =
        m_services.prompt.openFile(QStringLiteral("Compare with"), QFileInfo(state.BinPath).absolutePath(),
                                   QStringLiteral("BIN Files (*.bin);;All Files (*)"));
    if (path.isEmpty()) return;
    // A file that cannot be read leaves the baseline as it was.
    if (const Status s = m_vars.Compare.loadFile(path); !s) {
        m_services.prompt.message(QStringLiteral("Cannot compare with %1.\n%2").arg(path, s.error()),
                                  Prompt::Icon::Critical);
        return;
    }
    showMarks();
}

void frmEditor::compareWithOpened() {
    m_vars.Compare = m_openedImage;
    showMarks();
}

void frmEditor::showChanges() {
    if (!m_changes) {
        m_changes = new frmChanges(m_services.state, m_vars.Compare, this);
        connect(m_changes, &frmChanges::itemChosen, this, &frmEditor::openItem);
        connect(m_changes, &frmChanges::byteChosen, this, [this](int address) {
            m_tabs->setCurrentWidget(m_hexTab);
            m_hexTab->showAddress(address);
        });
    }
    m_changes->refresh();
    m_changes->show();
    m_changes->raise();
    m_changes->activateWindow();
}

void frmEditor::showBrowser() {
    if (!m_opened) return;
    if (!m_browser) {
        // The definition does not change while the editor is open: its entries are made once.
        m_browser = new frmBrowser(this);
        if (const auto& def = m_services.state.definition) {
            m_browser->setEntries(definitionBrowseEntries(*def));
            connect(m_browser, &frmBrowser::itemChosen, this, &frmEditor::openDefinitionItem);
        } else {
            m_browser->setEntries(ecuBrowseEntries(m_services.state.EcuItemTable, m_vars.FlagItems,
                                                   m_vars.ValueItems, m_vars.ArrayItems, m_vars.MapItems));
            connect(m_browser, &frmBrowser::itemChosen, this, &frmEditor::openItem);
        }
        // Beside the editor where the screen has room, else over its right edge: the tab that
        // shows the chosen item stays in view.
        const QRect room = screen()->availableGeometry(), editor = frameGeometry();
        m_browser->move(
            std::max(room.left(), std::min(editor.right() + 1, room.right() - m_browser->width())),
            editor.top());
    }
    m_browser->show();
    m_browser->raise();
    m_browser->activateWindow();
}

void frmEditor::openItem(int number) {
    if (number < 1 || number > kMaxItems) return;
    // As choosing from a list does: a value typed and not committed goes to its item first.
    commitTyped();
    struct Place {
        ItemClass cls;
        QWidget* tab;
        const std::vector<int>* items;
        QComboBox* list;
        std::function<void()> choose;
    };
    const Place places[] = {{ItemClass::Flag, m_flagsTab, &m_vars.FlagItems, m_flagsTab->itemList(),
                             [this] { m_flagsTab->cmbFlag_Click(); }},
                            {ItemClass::Value, m_valuesTab, &m_vars.ValueItems, m_valuesTab->itemList(),
                             [this] { m_valuesTab->cmb0Dim_Click(); }},
                            {ItemClass::Array, m_arraysTab, &m_vars.ArrayItems, m_arraysTab->itemList(),
                             [this] { m_arraysTab->cmb1Dim_Click(); }},
                            {ItemClass::Map, m_mapsTab, &m_vars.MapItems, m_mapsTab->itemList(),
                             [this] { m_mapsTab->cmb2Dim_Click(); }}};
    const ItemClass cls = classOf(m_services.state.EcuItemTable[static_cast<size_t>(number)]);
    for (const Place& p : places) {
        if (p.cls != cls) continue;
        const auto at = std::find(p.items->begin(), p.items->end(), number);
        if (at == p.items->end()) return;
        m_tabs->setCurrentWidget(p.tab);
        p.list->setCurrentIndex(static_cast<int>(at - p.items->begin()));
        p.choose();
        return;
    }
}

void frmEditor::setHeatMap(bool on) {
    m_vars.HeatMap = on;
    m_services.settings.WriteSetting(QStringLiteral("Heat Map"),
                                     on ? QStringLiteral("1") : QStringLiteral("0"));
    m_arraysTab->showMarks();
    m_mapsTab->showMarks();
}

void frmEditor::SSTab1_Click() {
    // A tab shown again is read again: other tabs may have written into its bytes.
    reloadTabs();
    m_mapsTab->setSelectionHighlight(false);
    m_arraysTab->setSelectionHighlight(false);
}

void frmEditor::undo() {
    stepHistory(&EditHistory::undo);
}

void frmEditor::redo() {
    stepHistory(&EditHistory::redo);
}

void frmEditor::stepHistory(const EditAction* (EditHistory::*step)(AppState&)) {
    if (!m_opened) return;
    // The image is not changed under a running upload (transfer windows are modal anyway).
    if (m_uploading) {
        m_services.prompt.message(
            QStringLiteral("Undo and redo wait until the emulator transfer has finished."));
        return;
    }
    if (!(m_vars.History.*step)(m_services.state)) return;
    m_vars.IsSaved = false;
    reloadTabs();
}

bool frmEditor::Form_Unload() {
    if (!m_opened) return true;
    commitTyped();
    checksumClosingCheck(m_context);
    if (!m_vars.IsSaved && m_services.prompt.askYesNo(
                               QStringLiteral("BIN File has been changed. Would you like to save it now?"))) {
        // A save that fails keeps the window open, so the edits are not thrown away, and
        // the tables stay as they are: nothing is cleared until the window really closes.
        if (!(m_readOnly ? saveAs() : saveImage())) return false;
    }
    m_vars.ArrayCols = m_vars.ArrayRows = m_vars.MapCols = m_vars.MapRows = 0;
    return true;
}

void frmEditor::keyPressEvent(QKeyEvent* event) {
    // Enter that no control took (in a grid, a list, a box) never presses a button: the
    // editor has no default button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmEditor::showEvent(QShowEvent* event) {
    // A dialog makes its first auto-default button the default one when shown, and a
    // focused auto-default button takes Enter: no button of the editor may, whichever
    // part of the editor made it.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    QDialog::showEvent(event);
}

void frmEditor::reject() {
    // Closing waits for a running upload: the window never goes away under it.
    if (m_closing || m_uploading) return;
    m_closing = true;
    // Live bytes still queued are sent first, unless the user stops them.
    const bool close = m_live->finishBeforeClosing() && Form_Unload();
    if (close) m_live->drain(); // a checksum stored while closing
    m_closing = false;
    if (close)
        QDialog::reject();
    else
        reloadTabs(); // still open: the closing check may have stored the checksum into bytes on screen
}

} // namespace korvel
