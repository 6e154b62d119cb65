#include "busy_pointer.h"

#include <QApplication>
#include <QCursor>

namespace korvel {

void setBusyPointer() {
    if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void setDefaultPointer() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

bool isBusyPointer() {
    return QApplication::overrideCursor() != nullptr;
}

} // namespace korvel
