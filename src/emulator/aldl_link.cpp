#include "aldl_link.h"

#include "core/wait.h"
#include "serial_port.h"

#include <algorithm>

namespace korvel {

namespace {

QString hex(const QByteArray& bytes) {
    return bytes.isEmpty() ? QStringLiteral("nothing") : QString::fromLatin1(bytes.toHex(' ').toUpper());
}

constexpr int kMaxNesting = 16; // macros are checked for loops when read; this bounds the stack anyway

} // namespace

bool isLengthFramed(const QByteArray& frame) {
    return frame.size() >= 3 && quint8(frame[1]) == 0x55 + frame.size() - 3;
}

bool sumsToZero(const QByteArray& frame) {
    quint8 sum = 0;
    for (const char b : frame)
        sum = quint8(sum + quint8(b));
    return sum == 0;
}

AldlLink::AldlLink(SerialPort& port, Ticker& ticker, const AdxDefinition& def)
    : m_port(port), m_ticker(ticker), m_def(def) {}

QString AldlLink::settingsFor(const AdxDefinition& def) {
    return QStringLiteral("%1,N,8,1").arg(def.header.baud);
}

double AldlLink::wireTime(qsizetype bytes) const {
    return double(bytes) * 10.0 / std::max(1, m_def.header.baud);
}

AldlCycle AldlLink::run(const AdxStep& s) {
    AldlCycle cycle;
    step(s, cycle, 0);
    return cycle;
}

bool AldlLink::fail(AldlCycle& cycle, const AdxObject& o, const QString& what, bool portFailed) {
    cycle.ok = false;
    cycle.portFailed = portFailed;
    cycle.reason = QStringLiteral("\"%1\": %2").arg(o.name(), what);
    return false;
}

bool AldlLink::step(const AdxStep& s, AldlCycle& cycle, int depth) {
    switch (s.kind) {
    case AdxStep::Kind::None:
        return true;
    case AdxStep::Kind::Command:
        return send(m_def.commands[size_t(s.index)], cycle);
    case AdxStep::Kind::Listen:
        return listen(m_def.listenPackets[size_t(s.index)], s.index, cycle);
    case AdxStep::Kind::Silence:
        return silence(m_def.silences[size_t(s.index)], cycle);
    case AdxStep::Kind::Macro: {
        const AdxMacro& m = m_def.macros[size_t(s.index)];
        if (depth > kMaxNesting) return fail(cycle, m, QStringLiteral("macros nested too deeply"));
        for (int r = 0; r < m.repeat; ++r)
            for (const AdxStep& node : m.nodes)
                for (int k = 0; k < node.repeat; ++k)
                    if (!step(node, cycle, depth + 1)) return false;
        return true;
    }
    }
    return true;
}

void AldlLink::pumpIfDue() {
    const double now = m_ticker.seconds();
    if (now - m_lastPump < kPollSlice) return;
    m_lastPump = now;
    m_ticker.pump(0);
}

int AldlLink::nextByte(double deadline) {
    while (m_pending.isEmpty()) {
        pumpIfDue();
        const double left = deadline - m_ticker.seconds();
        // A wait shorter than a microsecond counts as over: it would not move a simulated
        // clock, and no byte of any line is that quick.
        const bool over = left <= kMinWait;
        const int waiting = over ? m_port.bytesWaiting() : m_port.waitForInput(std::min(left, kPollSlice));
        if (waiting < 0) return -2;
        if (waiting > 0)
            m_pending += m_port.read(0);
        else if (over)
            return -1;
    }
    const int b = quint8(m_pending[0]);
    m_pending.remove(0, 1);
    return b;
}

bool AldlLink::send(const AdxCommand& c, AldlCycle& cycle) {
    // Whatever waits now answers nothing this command asks: a late reply, another
    // module's talk or noise. Left there, it would pass for the echo or the reply.
    m_pending.clear();
    if (m_port.bytesWaiting() > 0) m_port.read(0);
    if (!m_port.write(c.bytes)) return fail(cycle, c, m_port.errorString(), true);
    if (!m_def.header.echoes()) return true;
    const double deadline = m_ticker.seconds() + 2 * wireTime(c.bytes.size()) + kEchoMargin;
    QByteArray echo;
    while (echo.size() < c.bytes.size()) {
        const int b = nextByte(deadline);
        if (b == -2) return fail(cycle, c, m_port.errorString(), true);
        if (b < 0) break;
        echo.append(char(b));
    }
    if (echo != c.bytes)
        return fail(cycle, c,
                    QStringLiteral("the line echoed %1 instead of %2").arg(hex(echo), hex(c.bytes)));
    return true;
}

bool AldlLink::listen(const AdxListenPacket& p, int index, AldlCycle& cycle) {
    const double deadline = m_ticker.seconds() + p.timeoutMs / 1000.0;
    QByteArray seen;
    // Skip input until the header: a sliding window over the last header-sized bytes.
    while (!p.header.isEmpty() && !seen.endsWith(p.header)) {
        const int b = nextByte(deadline);
        if (b == -2) return fail(cycle, p, m_port.errorString(), true);
        if (b < 0) return fail(cycle, p, QStringLiteral("no reply within %1 ms").arg(p.timeoutMs));
        seen.append(char(b));
        if (seen.size() > p.header.size()) seen.remove(0, 1);
    }
    QByteArray body;
    while (body.size() < p.bodyLength) {
        const int b = nextByte(deadline);
        if (b == -2) return fail(cycle, p, m_port.errorString(), true);
        if (b < 0)
            return fail(cycle, p,
                        body.isEmpty() && p.header.isEmpty()
                            ? QStringLiteral("no reply within %1 ms").arg(p.timeoutMs)
                            : QStringLiteral("the reply ended after %1 of %2 bytes")
                                  .arg(body.size())
                                  .arg(p.bodyLength));
        body.append(char(b));
    }
    const QByteArray frame = p.header + body;
    if (isLengthFramed(frame) && !sumsToZero(frame))
        return fail(cycle, p, QStringLiteral("the reply's checksum is wrong"));
    if (p.payloadSize > 0) cycle.payloads[index] = body.mid(p.payloadOffset, p.payloadSize);
    return true;
}

bool AldlLink::silence(const AdxSilence& s, AldlCycle& cycle) {
    const double end = m_ticker.seconds() + s.totalTimeoutMs / 1000.0;
    double quietEnd = m_ticker.seconds() + s.silenceMs / 1000.0; // moves on with every byte heard
    m_pending.clear();
    for (;;) {
        if (quietEnd <= end && m_ticker.seconds() >= quietEnd - kMinWait) return true;
        if (m_ticker.seconds() >= end - kMinWait)
            return fail(cycle, s, QStringLiteral("the line did not fall quiet"));
        const int b = nextByte(std::min(end, quietEnd));
        if (b == -2) return fail(cycle, s, m_port.errorString(), true);
        if (b >= 0) quietEnd = m_ticker.seconds() + s.silenceMs / 1000.0;
    }
}

} // namespace korvel
