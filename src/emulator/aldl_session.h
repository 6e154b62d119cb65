#pragma once

// Logging from an ECU's diagnostic line on a thread of its own, so a slow or silent line
// never holds up the windows, the live link or a transfer. The thread makes its own port
// (a serial port belongs to the thread that made it), runs the stream's connect command
// once and then monitor cycles until asked to stop or the port fails, and hands every
// cycle over, decoded, through a queued signal.

#include "core/adx_decoder.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

class QThread;

namespace korvel {

class SerialPortFactory;
class Ticker;
struct AldlSessionShared;

// One cycle as the logging thread hands it over.
struct AldlFrame {
    double seconds = 0; // on the line's clock, from the port's opening to the cycle's end
    bool ok = true;
    QString reason;     // when not ok: the object and what went wrong
    AdxDecoded decoded; // when ok
};

class AldlSession : public QObject {
    Q_OBJECT
public:
    // Frames handed over and not yet taken by the receiving thread: the line waits when
    // this many are outstanding, so a busy window never piles up an endless queue.
    static constexpr int kMaxAhead = 8;

    // `ports` makes the port on the logging thread; `ticker` (used only there) is the
    // line's clock, or null for that thread's own event-loop clock. Both must outlive
    // the session.
    AldlSession(AdxDefinition def, QString device, SerialPortFactory& ports, Ticker* ticker = nullptr,
                QObject* parent = nullptr);
    // Stops the line and waits for the cycle under way (at most the longest reply time).
    ~AldlSession() override;

    void start();
    // Asks the line to stop after the cycle under way; `ended` follows with no reason.
    void stop();
    bool running() const { return m_running; }

signals:
    void frame(const korvel::AldlFrame& frame);
    // The thread has ended: `reason` is empty when stopped as asked, otherwise why the line
    // could not go on: the port could not be opened (`opened` false), or it failed (a cable
    // pulled).
    void ended(const QString& reason, bool opened);

private:
    void take(const korvel::AldlFrame& frame);
    void finish(const QString& reason, bool opened);

    const AdxDefinition m_def;
    const QString m_device;
    SerialPortFactory& m_ports;
    Ticker* m_ticker;
    std::shared_ptr<AldlSessionShared> m_shared; // with the logging thread
    QThread* m_thread = nullptr;
    bool m_running = false;
};

} // namespace korvel

Q_DECLARE_METATYPE(korvel::AldlFrame)
