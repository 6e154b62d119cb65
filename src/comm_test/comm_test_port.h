#pragma once

#include "emulator/line_settler.h"

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <memory>

namespace korvel {

class SerialPort;
struct Services;

// One opening of the comm test window's port: the window's port number, its baud
// rate with ",N,8,1", RTS and DTR on (the port switches them on as it opens).
//
// Each frame goes out as separate writes, piece by piece, with no pause between
// them; after sending, the caller waits its delay on the services' clock, which
// runs the event pump, then takes everything waiting.
//
// The first port failure (open refused, write error, device gone) is kept: later
// calls do nothing and failed() stays true, so a caller may check once after a
// whole exchange. The destructor closes the port.
class CommTestPort {
public:
    // `device`, when not empty, is opened instead of the port number's device.
    CommTestPort(Services& services, int portNumber, double baud, const QString& device = {});
    ~CommTestPort();
    CommTestPort(const CommTestPort&) = delete;
    CommTestPort& operator=(const CommTestPort&) = delete;

    // False, with the reason in errorString(), when the port cannot be opened or
    // refuses the settings.
    bool open();
    void close();

    // Writes each piece as one write, in order.
    void send(std::initializer_list<QByteArray> pieces);
    // Waits that many seconds on the services' clock, running the event pump.
    void wait(double seconds);
    // Takes every byte waiting; empty when nothing came or the port has failed.
    QByteArray readAll();
    // After a wrong or missing reply: drops what arrives until the line is quiet
    // (LineSettler), so a late answer is never taken for the next frame's.
    void settle();

    bool failed() const { return m_failed; }
    QString errorString() const { return m_error; }

private:
    void fail();

    Services& m_services;
    std::unique_ptr<SerialPort> m_port;
    LineSettler m_settler;
    QString m_device;
    QString m_settings;
    bool m_failed = false;
    QString m_error;
};

} // namespace korvel
