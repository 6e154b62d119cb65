#pragma once

// What the comm test window's tests share: reading, typing and clicking controls by
// their names, and the pieces the simulated port was given.

#include "core/version.h"
#include "emulator/simulated_port.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace korvel::test {

inline QString text(QWidget& w, const QString& name) {
    if (auto* e = w.findChild<QLineEdit*>(name)) return e->text();
    if (auto* l = w.findChild<QLabel*>(name)) return l->text();
    if (auto* c = w.findChild<QComboBox*>(name)) return c->currentText();
    qFatal("no control %s", qPrintable(name));
    return {};
}

inline void type(QWidget& w, const QString& name, const QString& value) {
    if (auto* c = w.findChild<QComboBox*>(name))
        c->setEditText(value);
    else
        w.findChild<QLineEdit*>(name)->setText(value);
}

inline void click(QWidget& w, const QString& name) {
    w.findChild<QPushButton*>(name)->click();
}

inline bool enabled(QWidget& w, const QString& name) {
    return w.findChild<QWidget*>(name)->isEnabled();
}

// Each piece written to the port, so a test sees the separate writes of a frame.
inline QList<QByteArray> pieces(const SimulatedWire& wire) {
    return {wire.writes.begin(), wire.writes.end()};
}

inline QList<QByteArray> writeFrame(int address, char data) {
    return {"W", QByteArray(1, char(address >> 8)), QByteArray(1, char(address & 0xFF)), QByteArray(1, data),
            "\r"};
}

inline QString caption(const QString& delay, int port, int baud) {
    return QStringLiteral("Comm Test %1     Delay %2     Com %3  %4 Baud ")
        .arg(versionText(), delay)
        .arg(port)
        .arg(baud);
}

} // namespace korvel::test
