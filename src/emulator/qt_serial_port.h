#pragma once

#include "serial_port.h"

#include <QSerialPort>

#include <chrono>

namespace korvel {

// SerialPort over QSerialPort, usable without an event loop: every call that needs
// input pulls it from the device itself (QSerialPort only fills its buffer from the
// event loop or from waitForReadyRead).
//
// On Linux, opening asks the driver for low latency, so a USB serial adapter hands
// each echo over at once instead of after its latency timer (16 ms by default).
class QtSerialPort : public SerialPort {
public:
    explicit QtSerialPort(bool askLowLatency = true);
    ~QtSerialPort() override;

    bool open(const QString& device, const QString& settings) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int waitForInput(double maxSeconds) override;
    QByteArray read(int maxBytes) override;
    QString errorString() const override { return m_error; }
    // Whether the driver runs the open port with low latency.
    bool lowLatency() const { return m_lowLatency; }

private:
    // Pulls whatever the device has into QSerialPort's buffer, waiting at most
    // `ms` milliseconds for the first byte. False once the port has failed.
    bool fill(int ms);
    // True when the device has nothing to report: no input waiting and no failure.
    bool deviceQuiet();
    bool fail(const QString& what);

    // How long after reading the device to its end bytesWaiting() takes that as the answer:
    // about two bytes' time at 115200 baud, well under a USB adapter's own delivery delay.
    static constexpr std::chrono::microseconds kJustDrained{200};

    QSerialPort m_port;
    std::chrono::steady_clock::time_point m_drainedAt{};
    QString m_device; // as opened: whether its file still exists tells a vanished device
    QString m_error;
    bool m_failed = false;
    bool m_askLowLatency;
    bool m_lowLatency = false;
};

class QtSerialPortFactory : public SerialPortFactory {
public:
    explicit QtSerialPortFactory(bool askLowLatency = true) : m_askLowLatency(askLowLatency) {}
    std::unique_ptr<SerialPort> create() override;

private:
    bool m_askLowLatency;
};

// Sets the driver's low-latency flag on an open serial device's handle. False where
// the device has no such setting (a pseudo-terminal) or the system has none: the
// port is then used as it is.
bool requestLowLatency(qintptr handle);

// The parts of a settings string "baud,parity,data bits,stop bits" such as
// "115200,N,8,1". False (with a reason) for a malformed string.
struct SerialSettings {
    int baud = 115200;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};
bool parseSerialSettings(const QString& text, SerialSettings& out, QString& reason);

// Why `device` could not be opened, for the user: "Cannot open DEVICE: " and the
// cause. A missing device reads "no such device"; a device the user may not open
// (the system's EACCES) adds how to get access. Other causes keep
// the system's own text.
QString openFailureReason(const QString& device, QSerialPort::SerialPortError error,
                          const QString& systemText);

// Why an open port stopped working, for the user. A device that went away (a USB adapter
// unplugged, a pseudo-terminal's far end closed) shows as a resource error or as a read
// or write error with a stale system text ("Resource temporarily unavailable",
// "Inappropriate ioctl for device"), and its device file is gone: each of these reads
// "Device disconnected". Other errors keep `what` followed by the system's text.
QString portFailureReason(const QString& what, QSerialPort::SerialPortError error, const QString& systemText,
                          bool deviceExists);

} // namespace korvel
