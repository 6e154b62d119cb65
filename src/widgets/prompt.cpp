#include "prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace korvel {

namespace {
QWidget* dialogParent() {
    return QApplication::activeWindow();
}
QString title() {
    return QApplication::applicationDisplayName();
}
} // namespace

void WidgetPrompt::message(const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Critical      ? QMessageBox::Critical
                    : icon == Icon::Information ? QMessageBox::Information
                                                : QMessageBox::NoIcon,
                    title(), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

bool WidgetPrompt::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, dialogParent());
    return box.exec() == QMessageBox::Yes;
}

QString WidgetPrompt::openFile(const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(dialogParent(), caption, folder, filter);
}

} // namespace korvel
