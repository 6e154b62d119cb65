#include "values_raw_box.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace korvel {

ValuesRawBox::ValuesRawBox(QWidget* parent) : QLineEdit(parent) {}

bool ValuesRawBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && !isModified()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            pressed == QKeySequence(Qt::CTRL | Qt::Key_Y)) {
            event->ignore(); // not taken here: the window's shortcut runs
            return true;
        }
    }
    return QLineEdit::event(event);
}

void ValuesRawBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) emit left();
}

void ValuesRawBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit enterPressed();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        emit escapePressed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace korvel
