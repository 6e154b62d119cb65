#pragma once

#include "editor/editor_context.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;

namespace korvel {

// The editor's tab for the flag bytes and their eight bits. Box 0, at the top, is the
// most significant bit (weight 128); box 7 the least significant (weight 1).
class FlagsTab : public QWidget {
    Q_OBJECT
public:
    explicit FlagsTab(EditorContext& context, QWidget* parent = nullptr);

    QComboBox* itemList() const { return m_cmbFlag; }
    // This tab's share of the editor's reset: no item chosen, boxes clear, labels empty.
    void clearVars();

    // The user chose an item in cmbFlag: show its labels and bits. Writes nothing.
    void cmbFlag_Click();
    // A box changed, by the user or from code (the choice sets them under IsLoading).
    // The byte is rebuilt from all eight boxes and stored.
    void chkFlag_Click(int index);
    // Sets the bit boxes again from the image (another tab may have written the byte).
    void reload();
    // Marks the boxes whose bit differs from the baseline, "was on" or "was off".
    void showMarks();

    // The label of box i (0..7): characters 5i+1 .. 5i+5 of YAxis, fewer or none where the
    // text ends first. Spaces are kept.
    static QString bitLabel(const QString& yAxis, int box);

private:
    void emptyControls();

    EditorContext& m_context;
    QComboBox* m_cmbFlag;
    QLabel* m_lblFlag_Xlabel;
    QLabel* m_lblFlag_Xaxis;
    QLabel* m_lblFlag_Ylabel;
    std::array<QCheckBox*, 8> m_chkFlag{};
    std::array<QLabel*, 8> m_lblFlag_Yaxis{};
    int m_item = 0; // number of the chosen item in EcuItemTable; 0 when none is chosen
};

} // namespace korvel
