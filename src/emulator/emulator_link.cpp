#include "emulator_link.h"

#include "core/app_state.h"
#include "core/wait.h"
#include "serial_port.h"
#include "transfer_observer.h"

namespace korvel {

QString writeFailureMessage(int address, const QByteArray& reply, quint8 value) {
    const QString why = reply.isEmpty()
                            ? noReplyReason()
                            : QStringLiteral("The emulator echoed %1 instead of %2.")
                                  .arg(QString::fromLatin1(reply.toHex(' ').toUpper()),
                                       QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper());
    return QStringLiteral("Error writing to Ram at Address %1\n%2").arg(address).arg(why);
}

QString noReplyReason() {
    return QStringLiteral("No reply from the emulator.");
}

EmulatorLink::EmulatorLink(SerialPort& port, Ticker& ticker, AppState& state, TransferObserver& observer)
    : m_port(port), m_ticker(ticker), m_state(state), m_observer(observer) {}

bool EmulatorLink::open(const QString& device, const QString& settings) {
    m_settler.reset();
    return m_port.open(device, settings);
}

void EmulatorLink::close() {
    m_port.close();
}

QString EmulatorLink::errorString() const {
    return m_port.errorString();
}

bool EmulatorLink::send(const QByteArray& frame) {
    // Whatever waits before a frame goes out answers nothing this frame asks: a reply
    // that came after its exchange gave up, or noise on the line. Read later, it would
    // pass for the answer to this frame and every exchange after it would be one
    // byte behind. Reopening the port for each byte used to throw it away; with the
    // port open for the whole run it is thrown away here.
    if (m_port.bytesWaiting() > 0) m_port.read(0);
    return m_port.write(frame);
}

void EmulatorLink::pumpIfDue() {
    const double now = m_ticker.seconds();
    if (now - m_lastPump < kPollSlice) return;
    m_lastPump = now;
    m_ticker.pump(0);
}

int EmulatorLink::waitForInput(double timeout) {
    const double start = m_ticker.seconds();
    for (;;) {
        // Replies that come quickly must not starve the windows: the pump also
        // runs between fast exchanges, once per slice.
        pumpIfDue();
        const int waiting = m_port.waitForInput(kPollSlice);
        if (waiting != 0) return waiting;
        if (m_ticker.seconds() - start >= timeout) return m_port.bytesWaiting();
    }
}

void EmulatorLink::doubtLine() {
    m_settler.doubt(m_ticker.seconds());
}

Reply EmulatorLink::exchange(const QByteArray& frame, Exchange how) {
    Reply reply;
    // Input before the frame answers nothing it asks: something came that no frame of
    // ours asked for, and more of it may still be on its way.
    if (m_port.bytesWaiting() > 0) doubtLine();
    while (!m_settler.settle(m_port, m_ticker, kPollSlice))
        pumpIfDue();
    if (!m_port.write(frame)) {
        reply.status = ReplyStatus::PortFailed;
        return reply;
    }
    if (how == Exchange::FixedWait) {
        WaitSeconds(m_state.VerifyWrites ? kVerifiedWait : kPlainWait, m_ticker);
        if (m_port.bytesWaiting() < 0) {
            reply.status = ReplyStatus::PortFailed;
            return reply;
        }
        reply.bytes = m_port.read(0);
        return reply;
    }
    const int waiting = waitForInput(kReplyTimeout);
    if (waiting < 0) {
        reply.status = ReplyStatus::PortFailed;
    } else if (waiting == 0) {
        m_timedOut = true;
        reply.status = ReplyStatus::TimedOut;
        doubtLine(); // the answer may still come, after the next frame has gone out
    } else {
        reply.bytes = m_port.read(1);
    }
    return reply;
}

Reply EmulatorLink::Put_Data(quint8 addrHigh, quint8 addrLow, quint8 value, Exchange how) {
    return exchange(writeFrame(addrHigh * 256 + addrLow, value), how);
}

Reply EmulatorLink::Get_Data(quint8 addrHigh, quint8 addrLow, quint8 filler, Exchange how) {
    return exchange(readFrame(addrHigh * 256 + addrLow, filler), how);
}

WriteResult EmulatorLink::verifiedWrite(int address, quint8 value, Exchange how) {
    const quint8 high = static_cast<quint8>((address >> 8) & 0xFF);
    const quint8 low = static_cast<quint8>(address & 0xFF);
    const QByteArray wanted(1, static_cast<char>(value));
    WriteResult result;
    Reply reply = Put_Data(high, low, value, how);
    // Without write checking any reply, even none, counts as the echo.
    auto accepted = [&] { return !m_state.VerifyWrites || reply.bytes == wanted; };
    while (reply.status != ReplyStatus::PortFailed && !accepted() && result.resends < kMaxResends) {
        // A wrong echo may be a stray byte with the right one behind it, a missing one may
        // still come: the re-send waits for the line to fall quiet (see exchange()).
        doubtLine();
        reply = Put_Data(high, low, value, how);
        ++result.resends;
    }
    result.status = reply.status;
    result.reply = reply.bytes;
    result.written = reply.status != ReplyStatus::PortFailed && accepted();
    return result;
}

} // namespace korvel
