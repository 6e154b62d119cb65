#pragma once

#include <QByteArray>
#include <array>
#include <limits>

namespace korvel {

// A ROM emulator in software: it parses the link's frames byte by byte and answers
// them from its own memory. The in-process test port and the korvel-romsim tool
// both drive it; neither the engines nor the windows know it exists.
//
// Answers: "V" the banner; "W" stores and echoes the data byte; "R" the stored
// byte; "B" takes up to 64 data bytes and answers "N" (a short block ends after a
// quiet gap once data has started); "C" the character "K"; "D" the whole memory;
// "A" echoes the text that follows it once the line has been quiet for a second
// (longer than the pause between the pairs of an ALDL text, shorter than the wait
// before its answer is read). A frame is its letter and the bytes its kind allows
// (0x0D where no address or data byte stands): a text that breaks that pattern is a
// free command, however it begins. A free command (text ending in 0x0D 0x1F 0x17
// 0x20) is answered with "?", or as the frame for a lone "V" or "C". A frame or free
// command left unfinished is dropped after a quarter of a second of quiet.
// Addresses wrap at the memory size, as on a memory with fewer address lines.
//
// Time is whatever clock the caller uses, in seconds.
class SimulatedEmulator {
public:
    struct Faults {
        int dropEveryNthReply = 0;   // 0: never; counts every reply of every command
        int corruptEveryNthEcho = 0; // 0: never; counts "W" echoes, sent inverted
        bool silent = false;         // takes every frame, answers nothing
    };
    // Silence that ends a short block once its data has started.
    static constexpr double kQuietGap = 0.005;
    // Silence that ends an "A" text.
    static constexpr double kAldlGap = 1.0;
    // Silence after which an unfinished frame or free command is dropped.
    static constexpr double kUnfinishedGap = 0.25;
    static constexpr char kCheckAnswer = 'K';

    explicit SimulatedEmulator(int memorySize = 65536);

    // Takes bytes that arrived at `now` and returns the answer bytes they complete.
    QByteArray receive(const QByteArray& bytes, double now);
    // Lets time pass without input: ends a short block or an "A" text once the
    // quiet gap has run out, and returns what that answers.
    QByteArray idle(double now);
    // When idle() next has work to do; infinity when nothing is pending.
    double deadline() const;

    void setBanner(const QByteArray& banner) { m_banner = banner; }
    void setFaults(const Faults& faults) { m_faults = faults; }
    QByteArray& memory() { return m_memory; }
    const QByteArray& memory() const { return m_memory; }
    // Frames handled so far, per command letter ("W", "R", "B", ...; '?' for free commands).
    int frameCount(char command) const { return m_counts[static_cast<unsigned char>(command)]; }

private:
    enum class Mode { Idle, Frame, Block, Aldl, Custom };

    QByteArray take(unsigned char byte, double now);
    QByteArray takeFree(unsigned char byte);
    QByteArray finishFrame(double now);
    QByteArray finishBlock();
    QByteArray reply(QByteArray bytes);
    int wrap(int address) const { return address % static_cast<int>(m_memory.size()); }

    QByteArray m_memory;
    QByteArray m_banner;
    Faults m_faults;
    Mode m_mode = Mode::Idle;
    QByteArray m_frame;
    int m_blockAddress = 0;
    double m_lastByte = 0;
    long m_replies = 0;
    long m_echoes = 0;
    std::array<int, 256> m_counts{};
};

} // namespace korvel
