#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <functional>

class QAbstractButton;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace korvel {

class TableEditing;

// The editor's menu bar (File, Edit, Emulator) and the actions behind it. Each command is
// one QAction: its menu entry, its keys and, for the table commands, the grids' context
// menus all trigger that one action. An entry for a button presses the button, and is
// shown and usable exactly while the button is.
class EditorMenu : public QObject {
    Q_OBJECT
public:
    struct Commands {
        // Runs before every command, as a click that takes the focus would: text typed and
        // not yet committed is committed first.
        std::function<void()> commitTyped;
        std::function<void()> undo, redo;
        // The table editing of the grid in the tab shown, or null when that tab has none.
        std::function<TableEditing*()> table;
    };

    EditorMenu(QWidget* window, Commands commands);

    QMenuBar* menuBar() const { return m_bar; }
    QMenu* fileMenu() const { return m_file; }
    QMenu* emulatorMenu() const { return m_emulator; }

    // Adds the entry `name` to `menu` that runs `run`, its keys working anywhere in the window.
    QAction* addCommand(QMenu* menu, const char* name, const QString& text, const QList<QKeySequence>& keys,
                        std::function<void()> run);
    // Adds the entry `name` to `menu` that presses `button`, captioned as the button unless
    // `text` is given; a check box gives a checkable entry that follows it.
    QAction* addButton(QMenu* menu, QAbstractButton* button, const char* name, const QString& text = {},
                       const QList<QKeySequence>& keys = {});
    // Fills the Edit menu once File holds its entries: undo, redo and the table commands.
    void addEditMenu();
    // The table commands go into the grid's context menu; their keys work while it has the focus.
    void addTableGrid(QWidget* grid);
    // Whether the tab shown has a table grid: the table commands are usable only then.
    void setTableTab(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runTable(const std::function<void(TableEditing&)>& run);

    QWidget* m_window;
    Commands m_commands;
    QMenuBar* m_bar;
    QMenu* m_file;
    QMenu* m_edit;
    QMenu* m_emulator;
    QList<QAction*> m_tableActions;
};

} // namespace korvel
