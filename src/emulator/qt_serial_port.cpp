#include "qt_serial_port.h"

#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace korvel {

bool parseSerialSettings(const QString& text, SerialSettings& out, QString& reason) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        reason = QStringLiteral("Invalid port settings \"%1\"").arg(text);
        return false;
    }
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) {
        reason = QStringLiteral("Invalid baud rate \"%1\"").arg(parts[0].trimmed());
        return false;
    }
    out.baud = baud;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        out.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        out.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        out.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        out.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        out.parity = QSerialPort::SpaceParity;
    else {
        reason = QStringLiteral("Invalid parity \"%1\"").arg(parts[1].trimmed());
        return false;
    }
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) {
        reason = QStringLiteral("Invalid data bits \"%1\"").arg(parts[2].trimmed());
        return false;
    }
    out.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        out.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        out.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        out.stopBits = QSerialPort::TwoStop;
    else {
        reason = QStringLiteral("Invalid stop bits \"%1\"").arg(stop);
        return false;
    }
    return true;
}

QString openFailureReason(const QString& device, QSerialPort::SerialPortError error,
                          const QString& systemText) {
    QString cause = systemText;
    if (error == QSerialPort::DeviceNotFoundError) {
        cause = QStringLiteral("no such device");
    } else if (error == QSerialPort::PermissionError && systemText == qt_error_string(EACCES)) {
        // Other permission errors of QSerialPort (a lock file held, a busy device)
        // mean another program has the port: group membership would not help.
        cause = QStringLiteral("permission denied. Serial ports belong to a group (dialout on Debian): "
                               "add your user to it and log in again.");
    }
    return QStringLiteral("Cannot open %1: %2").arg(device, cause);
}

QString portFailureReason(const QString& what, QSerialPort::SerialPortError error, const QString& systemText,
                          bool deviceExists) {
    if (!deviceExists || error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("Device disconnected");
    return QStringLiteral("%1: %2").arg(what, systemText);
}

bool requestLowLatency(qintptr handle) {
#ifdef Q_OS_LINUX
    serial_struct serial{};
    if (handle < 0 || ::ioctl(static_cast<int>(handle), TIOCGSERIAL, &serial) != 0) return false;
    if (serial.flags & ASYNC_LOW_LATENCY) return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(static_cast<int>(handle), TIOCSSERIAL, &serial) == 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

QtSerialPort::QtSerialPort(bool askLowLatency) : m_askLowLatency(askLowLatency) {}

QtSerialPort::~QtSerialPort() {
    close();
}

bool QtSerialPort::fail(const QString& what) {
    m_error = portFailureReason(what, m_port.error(), m_port.errorString(), QFileInfo::exists(m_device));
    m_port.clearError();
    return false;
}

bool QtSerialPort::open(const QString& device, const QString& settings) {
    close();
    m_failed = false;
    m_error.clear();
    m_drainedAt = {};
    SerialSettings parsed;
    QString reason;
    if (!parseSerialSettings(settings, parsed, reason)) {
        m_error = reason;
        return false;
    }
    m_device = device;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = openFailureReason(device, m_port.error(), m_port.errorString());
        m_port.clearError();
        return false;
    }
    // A port that refuses any part of the settings is not usable at all.
    const bool setUp = m_port.setBaudRate(parsed.baud) && m_port.setParity(parsed.parity) &&
                       m_port.setDataBits(parsed.dataBits) && m_port.setStopBits(parsed.stopBits) &&
                       m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!setUp) {
        fail(QStringLiteral("Cannot set %1 to %2").arg(device, settings));
        m_port.close();
        return false;
    }
    // Pseudo-terminals have no modem lines: QSerialPort reports that as
    // UnsupportedOperationError, which is harmless here.
    for (const bool rts : {true, false}) {
        const bool lineOn = rts ? m_port.setRequestToSend(true) : m_port.setDataTerminalReady(true);
        const QSerialPort::SerialPortError error = m_port.error();
        m_port.clearError();
        if (lineOn || error == QSerialPort::UnsupportedOperationError || error == QSerialPort::NoError)
            continue;
        m_error = QStringLiteral("Cannot switch %1 on %2")
                      .arg(rts ? QStringLiteral("RTS") : QStringLiteral("DTR"), device);
        m_port.close();
        return false;
    }
    m_port.clearError();
    // A device without the setting works as it is; nothing to tell the user.
    m_lowLatency = m_askLowLatency && requestLowLatency(m_port.handle());
    return true;
}

void QtSerialPort::close() {
    if (m_port.isOpen()) m_port.close();
    m_port.clearError();
    m_lowLatency = false;
}

bool QtSerialPort::isOpen() const {
    return m_port.isOpen();
}

bool QtSerialPort::write(const QByteArray& bytes) {
    if (m_failed || !m_port.isOpen()) {
        if (m_error.isEmpty()) m_error = QStringLiteral("Port not open");
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        m_failed = true;
        return fail(QStringLiteral("Write error"));
    }
    // Without an event loop QSerialPort only hands its buffer to the device here.
    while (m_port.bytesToWrite() > 0) {
        if (m_port.flush()) continue;
        if (m_port.bytesToWrite() == 0) break;
        if (!m_port.waitForBytesWritten(1000)) {
            m_failed = true;
            return fail(QStringLiteral("Write error"));
        }
    }
    return true;
}

bool QtSerialPort::deviceQuiet() {
#ifdef Q_OS_UNIX
    // Asks the device without taking anything from it. Cheaper than a zero wait in
    // QSerialPort, which reports its time-out as an error: that costs a translated text
    // and a signal, then again to clear it, and showed as a few hundredths of the
    // byte-by-byte transfers' time.
    pollfd device{static_cast<int>(m_port.handle()), POLLIN, 0};
    return ::poll(&device, 1, 0) == 0;
#else
    return false;
#endif
}

bool QtSerialPort::fill(int ms) {
    if (m_failed || !m_port.isOpen()) return false;
    // Nothing waiting, no hang-up, no error: nothing to pull in.
    if (ms == 0 && deviceQuiet()) return true;
    // One readiness report reads everything the device holds at that moment.
    m_port.waitForReadyRead(ms);
    switch (m_port.error()) {
    case QSerialPort::NoError:
        m_drainedAt = std::chrono::steady_clock::now();
        return true;
    case QSerialPort::TimeoutError:
        m_port.clearError();
        return true;
    default:
        m_failed = true;
        fail(QStringLiteral("Port error"));
        return false;
    }
}

int QtSerialPort::bytesWaiting() {
    if (m_failed) return -1;
    if (!m_port.isOpen()) return 0;
    // The device was read to its end a moment ago: a byte that came since is as new as one
    // coming while the caller acts on the answer, which no question could catch either.
    // Not asking again spares an exchange a system call that, on a terminal, first waits
    // for the driver to hand over its input: a fiftieth of a byte-by-byte transfer.
    if (m_port.bytesAvailable() == 0 && std::chrono::steady_clock::now() - m_drainedAt < kJustDrained)
        return 0;
    if (!fill(0)) return -1;
    return static_cast<int>(m_port.bytesAvailable());
}

int QtSerialPort::waitForInput(double maxSeconds) {
    if (!m_port.isOpen()) return m_failed ? -1 : 0;
    if (m_port.bytesAvailable() > 0) return bytesWaiting();
    const int ms = maxSeconds <= 0 ? 0 : std::max(1, static_cast<int>(std::ceil(maxSeconds * 1000.0)));
    if (!fill(ms)) return -1;
    return static_cast<int>(m_port.bytesAvailable());
}

QByteArray QtSerialPort::read(int maxBytes) {
    // Ask the device only when the buffer cannot already satisfy the read.
    const bool enough = maxBytes > 0 && m_port.bytesAvailable() >= maxBytes;
    if (!enough && bytesWaiting() <= 0) return {};
    return maxBytes <= 0 ? m_port.readAll() : m_port.read(maxBytes);
}

std::unique_ptr<SerialPort> QtSerialPortFactory::create() {
    return std::make_unique<QtSerialPort>(m_askLowLatency);
}

} // namespace korvel
