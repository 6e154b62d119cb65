#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace korvel::test {

// Runs `action` on the next modal window that opens (then closes it when `close`),
// so a test can drive a window that its opener shows with exec().
inline void onNextModal(std::function<void(QWidget*)> action, bool close = true) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, close] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        timer->stop();
        timer->deleteLater();
        if (action) action(w);
        if (close) w->close();
    });
    timer->start();
}

} // namespace korvel::test
