#include "prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

bool Prompt::askYesNoFollowing(const QString& text, const std::function<std::optional<QString>()>&) {
    return askYesNo(text);
}

bool WidgetPrompt::askYesNoFollowing(const QString& text,
                                     const std::function<std::optional<QString>()>& follow) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, dialogParent());
    QTimer poll; // a tenth of a second keeps a count readable and the box prompt
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        const std::optional<QString> now = follow();
        if (!now)
            box.button(QMessageBox::Yes)->click();
        else if (*now != box.text())
            box.setText(*now);
    });
    poll.start(100);
    return box.exec() == QMessageBox::Yes;
}

QString WidgetPrompt::openFile(const QString& caption, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(dialogParent(), caption, folder, filter);
}

QString Prompt::saveFile(const QString&, const QString&, const QString&) {
    return {};
}

QString WidgetPrompt::saveFile(const QString& caption, const QString& folder, const QString& filter) {
    QFileDialog dialog(dialogParent(), caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

std::optional<QString> Prompt::askText(const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QString> WidgetPrompt::askText(const QString& text, const QString& initial) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(dialogParent(), title(), text, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

} // namespace korvel
