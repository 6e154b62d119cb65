#include "editor_menu.h"

#include "core/table_edit.h"
#include "editor/table_editing.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>

namespace korvel {

namespace {
QList<QKeySequence> keys(QKeySequence::StandardKey key) {
    return QKeySequence::keyBindings(key);
}
QList<QKeySequence> ctrl(Qt::Key key) {
    return {QKeySequence(Qt::CTRL | key)};
}
} // namespace

EditorMenu::EditorMenu(QWidget* window, Commands commands)
    : QObject(window), m_window(window), m_commands(std::move(commands)) {
    m_bar = new QMenuBar(window);
    m_bar->setObjectName(QStringLiteral("mnuEditor"));
    m_file = m_bar->addMenu(QStringLiteral("&File"));
    m_edit = m_bar->addMenu(QStringLiteral("&Edit"));
    m_emulator = m_bar->addMenu(QStringLiteral("E&mulator"));
    m_file->setObjectName(QStringLiteral("mnuFile"));
    m_edit->setObjectName(QStringLiteral("mnuEdit"));
    m_emulator->setObjectName(QStringLiteral("mnuEmulator"));
}

QAction* EditorMenu::addCommand(QMenu* menu, const char* name, const QString& text,
                                const QList<QKeySequence>& keys, std::function<void()> run) {
    auto* a = new QAction(text, this);
    a->setObjectName(QLatin1String(name));
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, [this, run = std::move(run)] {
        if (m_commands.commitTyped) m_commands.commitTyped();
        run();
    });
    menu->addAction(a);
    // Also on the window itself, so its keys work wherever the focus is in it.
    if (!keys.isEmpty()) m_window->addAction(a);
    return a;
}

QAction* EditorMenu::addButton(QMenu* menu, QAbstractButton* button, const char* name, const QString& text,
                               const QList<QKeySequence>& keys) {
    QAction* a = addCommand(menu, name, text.isEmpty() ? button->text() : text, keys, [button] {
        if (button->isEnabled() && !button->isHidden()) button->click();
    });
    if (button->isCheckable()) {
        a->setCheckable(true);
        a->setChecked(button->isChecked());
        connect(button, &QAbstractButton::toggled, a, &QAction::setChecked);
    }
    a->setEnabled(button->isEnabled());
    a->setVisible(!button->isHidden());
    a->setProperty("button", QVariant::fromValue(static_cast<QObject*>(button)));
    button->setProperty("menuAction", QVariant::fromValue(static_cast<QObject*>(a)));
    button->installEventFilter(this);
    return a;
}

bool EditorMenu::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::EnabledChange || type == QEvent::ShowToParent || type == QEvent::HideToParent) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        auto* a = qobject_cast<QAction*>(watched->property("menuAction").value<QObject*>());
        if (button && a) {
            a->setEnabled(button->isEnabled());
            a->setVisible(!button->isHidden());
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditorMenu::addEditMenu() {
    QList<QKeySequence> redoKeys = keys(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
    addCommand(m_edit, "actUndo", QStringLiteral("&Undo"), keys(QKeySequence::Undo), m_commands.undo);
    addCommand(m_edit, "actRedo", QStringLiteral("&Redo"), redoKeys, m_commands.redo);
    m_edit->addSeparator();

    // The table commands act on the grid of the tab shown; their keys only while a grid has
    // the focus, so Ctrl+C in a text box stays the box's own.
    const auto table = [this](const char* name, const QString& text, const QList<QKeySequence>& k,
                              std::function<void(TableEditing&)> run) {
        QAction* a = addCommand(m_edit, name, text, {}, [this, run = std::move(run)] { runTable(run); });
        a->setShortcuts(k);
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setEnabled(false);
        m_tableActions << a;
    };
    const auto op = [](TableOp o) { return [o](TableEditing& t) { t.run(o); }; };
    table("actCopy", QStringLiteral("&Copy"), keys(QKeySequence::Copy), [](TableEditing& t) { t.copy(); });
    table("actPaste", QStringLiteral("&Paste"), keys(QKeySequence::Paste),
          [](TableEditing& t) { t.paste(); });
    m_tableActions << m_edit->addSeparator();
    table("actSetValue", QStringLiteral("Set to Value..."), ctrl(Qt::Key_E), op(TableOp::Set));
    table("actAddValue", QStringLiteral("Add Value..."), ctrl(Qt::Key_D), op(TableOp::Add));
    table("actPercent", QStringLiteral("Multiply by Percentage..."), ctrl(Qt::Key_P), op(TableOp::Percent));
    m_tableActions << m_edit->addSeparator();
    table("actInterpolateRows", QStringLiteral("Interpolate Along Rows"), ctrl(Qt::Key_H),
          op(TableOp::InterpolateRows));
    table("actInterpolateColumns", QStringLiteral("Interpolate Along Columns"), ctrl(Qt::Key_J),
          op(TableOp::InterpolateColumns));
    table("actInterpolateBoth", QStringLiteral("Interpolate Both Ways"), ctrl(Qt::Key_I),
          op(TableOp::InterpolateBoth));
    table("actSmooth", QStringLiteral("Smooth"), ctrl(Qt::Key_M), op(TableOp::Smooth));
}

void EditorMenu::addTableGrid(QWidget* grid) {
    grid->addActions(m_tableActions);
}

void EditorMenu::setTableTab(bool shown) {
    for (QAction* a : std::as_const(m_tableActions))
        if (!a->isSeparator()) a->setEnabled(shown);
}

void EditorMenu::runTable(const std::function<void(TableEditing&)>& run) {
    if (TableEditing* t = m_commands.table ? m_commands.table() : nullptr) run(*t);
}

} // namespace korvel
