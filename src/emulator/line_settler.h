#pragma once

namespace korvel {

class SerialPort;
class Ticker;

// How a one-byte exchange makes sure it takes only the answer to its own frame. The
// frames carry no sequence number, so a byte that arrives late (the echo of a frame
// given up on, the second byte of a garbled answer, line noise) would pass for the answer
// to whatever frame goes out next, and every exchange after it would be one byte behind.
//
// The rule, shared by the download, upload, verify and live writes: after a wrong or
// missing answer, or input that no frame asked for, the line is in doubt; before the
// next frame goes out (a re-send or the next address) whatever arrives is dropped
// until nothing has come for kQuietGap. A frame is only sent on a settled line, so
// what comes after it answers that frame. A correct answer costs nothing extra.
class LineSettler {
public:
    // Longer than an answer takes through a USB adapter's latency timer (16 ms at most
    // once low latency is set, 1 ms usually), so a late byte is seen and dropped.
    static constexpr double kQuietGap = 0.02;
    // A line that never falls quiet (constant noise) is used as it is after this long;
    // the answers that follow then fail their compare.
    static constexpr double kSettleLimit = 1.0;

    // Puts the line in doubt at `now` (the time of the wrong answer, or of the wait that
    // ended without one).
    void doubt(double now);
    bool inDoubt() const { return m_inDoubt; }
    // Forgets the doubt: a fresh opening of the port.
    void reset() { m_inDoubt = false; }

    // Drops what arrives until the line has been quiet for kQuietGap, waiting at most
    // `budget` seconds. True once the line is settled (the doubt is lifted; also when the
    // port failed: the frame that follows reports that), false while it must wait more.
    bool settle(SerialPort& port, Ticker& clock, double budget);

private:
    bool m_inDoubt = false;
    double m_since = 0;    // when the doubt arose
    double m_lastByte = 0; // the last time anything arrived (or the doubt arose)
};

} // namespace korvel
