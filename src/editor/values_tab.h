#pragma once

#include "editor/editor_context.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace korvel {

struct EcuItem;
class ValuesItemList;
class ValuesRawBox;

// The editor's tab for single values: raw hexadecimal text, calculated text and a stepper.
// Every change is written into the image at once (most significant byte first), recorded
// as pending, and marks the editor unsaved.
class ValuesTab : public QWidget {
    Q_OBJECT
public:
    explicit ValuesTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const;
    // This tab's share of the editor's reset: no item chosen, raw and calculated texts empty.
    void clearVars();

    // The user chose an item in cmb0Dim: show its raw and calculated texts. Writes nothing.
    void cmb0Dim_Click();
    // The stepper's value changed, by the user or from code. A step of -1 adds one, +1
    // subtracts one; a return to rest is not a step. With CommitPending set it commits
    // the raw box's text instead.
    void scrValue_Change();
    // The user left the raw box (or pressed Return in it): commit its text.
    void txtValue_Raw_LostFocus();
    // Commits text the user typed into the raw box and has not committed yet (the editor
    // saves or closes, an item is opened from the Changes view), so a typed value is never
    // dropped silently.
    void commitTypedText();
    // Shows the chosen item's bytes again (another tab may have written them), unless the
    // user is typing in the raw box.
    void reload();
    // Marks the raw box when the value's bytes differ from the baseline, with the baseline's
    // raw and calculated value as its tool tip.
    void showMarks();

private:
    // The chosen item, or nothing before a choice or after a refused one.
    const EcuItem* chosenItem() const;
    // Shows the chosen item's bytes again: the answer to a text that is not a number.
    void restoreRawText(const EcuItem& item);
    void commitBeforeListOpens();

    EditorContext& m_context;
    ValuesItemList* m_cmb0Dim;
    ValuesRawBox* m_txtValue_Raw;
    QLineEdit* m_txtValue_Calc;
    QScrollBar* m_scrValue;
    QLabel* m_lblValue_Raw;
    QLabel* m_lblValue_Xlabel;
    int m_item = 0; // number of the chosen item in EcuItemTable; 0 when none is chosen
};

} // namespace korvel
