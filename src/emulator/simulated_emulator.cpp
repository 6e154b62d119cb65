#include "simulated_emulator.h"

#include "frames.h"

#include <algorithm>

namespace korvel {

namespace {
constexpr int kFrameLength = 5;
bool isCommandLetter(unsigned char c) {
    return QByteArrayView("VWRBCDA").contains(static_cast<char>(c));
}
// Whether `byte` may stand at `position` (1..4) of a frame that begins with
// `command`: the address and data bytes of "W" and "R" and the address bytes of "B"
// are free, every other place holds 0x0D.
bool fitsFrame(char command, qsizetype position, unsigned char byte) {
    const qsizetype freeBytes = (command == 'W' || command == 'R') ? 3 : command == 'B' ? 2 : 0;
    return position <= freeBytes || byte == static_cast<unsigned char>(kCarriageReturn);
}
// The bytes after the 0x0D of a free command's terminator.
bool isTerminatorTail(unsigned char c) {
    return QByteArrayView(kCustomTerminator + 1, sizeof kCustomTerminator - 1).contains(static_cast<char>(c));
}
} // namespace

SimulatedEmulator::SimulatedEmulator(int memorySize)
    : m_memory(std::max(1, memorySize), '\0'), m_banner(kBanner, kBannerLength) {}

QByteArray SimulatedEmulator::receive(const QByteArray& bytes, double now) {
    QByteArray out = idle(now);
    for (const char c : bytes)
        out += take(static_cast<unsigned char>(c), now);
    return out;
}

QByteArray SimulatedEmulator::idle(double now) {
    if (now < deadline()) return {};
    switch (m_mode) {
    case Mode::Block:
        return finishBlock();
    case Mode::Aldl:
        // An "A" text: the emulator answers with what it was sent.
        ++m_counts['A'];
        m_mode = Mode::Idle;
        return reply(std::exchange(m_frame, {}));
    case Mode::Frame:
    case Mode::Custom:
        // A frame or free command that never ended is dropped unanswered, so the next
        // frame starts afresh.
        m_mode = Mode::Idle;
        m_frame.clear();
        return {};
    case Mode::Idle:
        break;
    }
    return {};
}

double SimulatedEmulator::deadline() const {
    switch (m_mode) {
    case Mode::Block:
        return m_frame.isEmpty() ? std::numeric_limits<double>::infinity() : m_lastByte + kQuietGap;
    case Mode::Aldl:
        return m_lastByte + kAldlGap;
    case Mode::Frame:
    case Mode::Custom:
        return m_lastByte + kUnfinishedGap;
    case Mode::Idle:
        break;
    }
    return std::numeric_limits<double>::infinity();
}

QByteArray SimulatedEmulator::take(unsigned char byte, double now) {
    m_lastByte = now;
    switch (m_mode) {
    case Mode::Idle:
        // Stray line ends, and the tail of a free command whose first five bytes
        // spelled a whole frame (the frame has been answered; the tail asks nothing).
        if (byte == static_cast<unsigned char>(kCarriageReturn) || isTerminatorTail(byte)) return {};
        m_frame = QByteArray(1, static_cast<char>(byte));
        m_mode = isCommandLetter(byte) ? Mode::Frame : Mode::Custom;
        return {};
    case Mode::Frame:
        if (!fitsFrame(m_frame[0], m_frame.size(), byte)) {
            // Not a frame after all: a free command that begins with a command letter.
            m_mode = Mode::Custom;
            return takeFree(byte);
        }
        m_frame.append(static_cast<char>(byte));
        return m_frame.size() == kFrameLength ? finishFrame(now) : QByteArray();
    case Mode::Block:
        m_frame.append(static_cast<char>(byte));
        return m_frame.size() == kBlockSize ? finishBlock() : QByteArray();
    case Mode::Aldl:
        m_frame.append(static_cast<char>(byte));
        return {};
    case Mode::Custom:
        return takeFree(byte);
    }
    return {};
}

QByteArray SimulatedEmulator::takeFree(unsigned char byte) {
    m_frame.append(static_cast<char>(byte));
    const QByteArray end(kCustomTerminator, sizeof kCustomTerminator);
    if (!m_frame.endsWith(end)) return {};
    const QByteArray text = m_frame.chopped(end.size());
    m_mode = Mode::Idle;
    m_frame.clear();
    // A lone "V" or "C" (the comm test's command box starts with "V") asks what
    // that frame asks; any other text is not understood.
    if (text == "V") {
        ++m_counts['V'];
        return reply(m_banner);
    }
    if (text == "C") {
        ++m_counts['C'];
        return reply(QByteArray(1, kCheckAnswer));
    }
    ++m_counts['?'];
    return reply("?");
}

QByteArray SimulatedEmulator::finishFrame(double now) {
    const QByteArray f = std::exchange(m_frame, {});
    const char command = f[0];
    const int address = (static_cast<unsigned char>(f[1]) << 8) | static_cast<unsigned char>(f[2]);
    m_mode = Mode::Idle;
    switch (command) {
    case 'W': {
        ++m_counts['W'];
        m_memory[wrap(address)] = f[3];
        char echo = f[3];
        ++m_echoes;
        if (m_faults.corruptEveryNthEcho > 0 && m_echoes % m_faults.corruptEveryNthEcho == 0)
            echo = static_cast<char>(~echo);
        return reply(QByteArray(1, echo));
    }
    case 'R':
        ++m_counts['R'];
        return reply(QByteArray(1, m_memory[wrap(address)]));
    case 'B':
        // The header's address bytes; data follows.
        m_blockAddress = address;
        m_mode = Mode::Block;
        m_lastByte = now;
        return {};
    case 'A':
        m_mode = Mode::Aldl;
        m_lastByte = now;
        return {};
    case 'V':
        ++m_counts['V'];
        return reply(m_banner);
    case 'C':
        ++m_counts['C'];
        return reply(QByteArray(1, kCheckAnswer));
    case 'D':
        ++m_counts['D'];
        return reply(m_memory);
    default:
        return {};
    }
}

QByteArray SimulatedEmulator::finishBlock() {
    ++m_counts['B'];
    for (qsizetype k = 0; k < m_frame.size(); ++k)
        m_memory[wrap(m_blockAddress + static_cast<int>(k))] = m_frame[k];
    m_frame.clear();
    m_mode = Mode::Idle;
    return reply(QByteArray(1, kBlockAck));
}

QByteArray SimulatedEmulator::reply(QByteArray bytes) {
    if (m_faults.silent) return {};
    ++m_replies;
    if (m_faults.dropEveryNthReply > 0 && m_replies % m_faults.dropEveryNthReply == 0) return {};
    return bytes;
}

} // namespace korvel
