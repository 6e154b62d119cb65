#include "comm_test_port.h"

#include "comm_test_inputs.h"
#include "core/wait.h"
#include "emulator/serial_port.h"
#include "widgets/services.h"

namespace korvel {

CommTestPort::CommTestPort(Services& services, int portNumber, double baud, const QString& device)
    : m_services(services), m_port(services.ports.create()),
      m_device(device.isEmpty() ? deviceForPort(portNumber, &services.settings) : device),
      m_settings(commSettingsString(baud)) {}

CommTestPort::~CommTestPort() {
    close();
}

bool CommTestPort::open() {
    if (m_port->open(m_device, m_settings)) return true;
    fail();
    if (m_error.isEmpty()) m_error = QStringLiteral("Cannot open %1").arg(m_device);
    return false;
}

void CommTestPort::close() {
    if (m_port->isOpen()) m_port->close();
}

void CommTestPort::fail() {
    if (m_failed) return;
    m_failed = true;
    m_error = m_port->errorString();
}

void CommTestPort::send(std::initializer_list<QByteArray> pieces) {
    for (const QByteArray& piece : pieces) {
        if (m_failed) return;
        // An empty piece (an empty value box) writes nothing, as typing nothing sends nothing.
        if (!piece.isEmpty() && !m_port->write(piece)) fail();
    }
}

void CommTestPort::wait(double seconds) {
    WaitSeconds(seconds, m_services.ticker);
}

QByteArray CommTestPort::readAll() {
    if (m_failed) return {};
    if (m_port->bytesWaiting() < 0) {
        fail();
        return {};
    }
    return m_port->read(0);
}

void CommTestPort::settle() {
    if (m_failed) return;
    m_settler.doubt(m_services.ticker.seconds());
    m_settler.settle(*m_port, m_services.ticker, LineSettler::kSettleLimit);
}

} // namespace korvel
