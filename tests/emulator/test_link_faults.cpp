// Faults of the link: what a port that cannot be used, a dead or wrong emulator and
// a noisy line tell the user, and the simulated emulator staying in step.
#include "emulator/batch_download_engine.h"
#include "emulator/frames.h"
#include "emulator/get_version.h"
#include "emulator/qt_serial_port.h"
#include "emulator_fixture.h"

#include <cerrno>

using namespace korvel;
using namespace korvel::test;

namespace {

class LinkFaults : public EmulatorRig {};

TEST(OpenFailureReason, NamesTheDeviceAndTheCause) {
    const QString dev = QStringLiteral("/dev/ttyUSB0");
    const struct {
        QSerialPort::SerialPortError error;
        QString system;
        QString expected;
    } rows[] = {
        {QSerialPort::DeviceNotFoundError, qt_error_string(ENOENT), dev + ": no such device"},
        {QSerialPort::PermissionError, qt_error_string(EACCES),
         dev + ": permission denied. Serial ports belong to a group (dialout on Debian): add your user "
               "to it and log in again."},
        // A lock held by another program is no matter of groups.
        {QSerialPort::PermissionError, QStringLiteral("Permission error while locking the device"),
         dev + ": Permission error while locking the device"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(openFailureReason(dev, row.error, row.system),
                  QStringLiteral("Cannot open ") + row.expected);
    // An open port whose device went away: QSerialPort's errors then often carry a stale text.
    const struct {
        QSerialPort::SerialPortError error;
        bool exists;
        QString expected;
    } failures[] = {{QSerialPort::ResourceError, true, "Device disconnected"},
                    {QSerialPort::ReadError, false, "Device disconnected"},
                    {QSerialPort::ReadError, true, "Port error: " + qt_error_string(EAGAIN)}};
    for (const auto& f : failures)
        EXPECT_EQ(portFailureReason("Port error", f.error, qt_error_string(EAGAIN), f.exists), f.expected);
}

TEST_F(LinkFaults, IdentificationOnAMissingDeviceSaysWhyAndFindsNothing) {
    QtSerialPortFactory realPorts;
    state.EmulatorFound = true; // what an earlier editor found
    const QString dev = QStringLiteral("/nonexistent/korvel-tty");
    GetVersion(dev, state, realPorts, ticker, observer);
    EXPECT_FALSE(state.EmulatorFound);
    EXPECT_EQ(
        observer.messages,
        QStringList{QStringLiteral("Error finding Usable Port.\nCannot open %1: no such device").arg(dev)});
}

// A line that never falls silent: a stray byte waits every 10 ms on the test clock,
// until 30 s (so a wait that never ends fails the test instead of hanging it).
class NoisyPort : public SerialPort {
public:
    explicit NoisyPort(ManualTicker& clock) : m_clock(clock) {}
    bool open(const QString&, const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray&) override { return true; }
    int bytesWaiting() override { return m_clock.now < 30 ? 1 : 0; }
    int waitForInput(double) override {
        m_clock.now += 0.01;
        return bytesWaiting();
    }
    QByteArray read(int) override { return bytesWaiting() ? QByteArray("x") : QByteArray(); }
    QString errorString() const override { return {}; }

private:
    ManualTicker& m_clock;
    bool m_open = false;
};

TEST_F(LinkFaults, BatchGivesUpTwoSecondsAfterTheBlockThoughJunkKeepsComing) {
    struct NoisyPorts : SerialPortFactory {
        ManualTicker* clock;
        std::unique_ptr<SerialPort> create() override { return std::make_unique<NoisyPort>(*clock); }
    } noisy;
    noisy.clock = &ticker;
    setImage(64);
    const TransferResult r =
        BatchDownloadEngine({state, noisy, QStringLiteral("/dev/noisy"), ticker, observer}).run();
    EXPECT_EQ(r.outcome, TransferOutcome::Failed);
    EXPECT_EQ(observer.messages, QStringList{QStringLiteral("Time Out Error Download Aborted")});
    // The header wait, then the two seconds (and one step of the noisy clock).
    EXPECT_NEAR(ticker.now, BatchDownloadEngine::kHeaderWait + BatchDownloadEngine::kAckTimeout, 0.03);
}

// What the simulated emulator answers to bytes sent at given times, and that it
// is still in step afterwards: a "V" frame gets the banner, memory is untouched.
TEST(SimulatedEmulatorFrames, PacedAldlAndFreeCommandsKeepItInStep) {
    const QByteArray term("\r\x1F\x17\x20");
    const struct {
        const char* name;
        std::vector<std::pair<double, QByteArray>> sent;
        QByteArray answer;
    } rows[] = {
        {"ALDL pairs 0.3 s apart", {{0, "A\r\r\r\r"}, {0.3, "AB"}, {0.6, "CD"}}, "ABCD"},
        {"free command with a command letter", {{0, "Cat" + term}}, "?"},
        {"free command that starts like a write", {{0, "Wow" + term}}, "?"},
        {"free command that spells a whole read frame", {{0, "Read" + term}}, QByteArray(1, '\0')},
    };
    for (const auto& row : rows) {
        SimulatedEmulator device;
        QByteArray answer;
        for (const auto& [at, bytes] : row.sent)
            answer += device.receive(bytes, at);
        answer += device.idle(2.1); // when the comm test reads an ALDL answer
        EXPECT_EQ(answer, row.answer) << row.name;
        EXPECT_EQ(device.receive("V\r\r\r\r", 3), QByteArray(kBanner, kBannerLength)) << row.name;
        EXPECT_EQ(device.memory().count('\0'), device.memory().size()) << row.name;
    }
}

} // namespace
