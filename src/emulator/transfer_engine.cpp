#include "transfer_engine.h"

#include "core/app_state.h"
#include "core/wait.h"
#include "serial_port.h"
#include "transfer_observer.h"

#include <cmath>

namespace korvel {

QString formatElapsed(double seconds) {
    const qint64 whole = seconds > 0 ? static_cast<qint64>(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600, 2, 10, QLatin1Char('0'))
        .arg((whole / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

TransferEngine::TransferEngine(const TransferContext& context)
    : m_state(context.state), m_observer(context.observer), m_ticker(context.ticker), m_ports(context.ports),
      m_device(context.device) {}

TransferEngine::~TransferEngine() {
    closeLink();
}

int TransferEngine::lastAddress() const {
    return std::max(-1, m_state.BinSize - 17);
}

void TransferEngine::startClock() {
    m_start = m_ticker.seconds();
}

void TransferEngine::markOver() {
    if (!m_endsWithClose) return;
    m_state.CancelRequested = true;
    m_observer.showClose();
}

bool TransferEngine::openLink() {
    m_port = m_ports.create();
    m_link = std::make_unique<EmulatorLink>(*m_port, m_ticker, m_state, m_observer);
    if (m_link->open(m_device)) return true;
    const QString reason = m_link->errorString();
    m_link.reset();
    m_port.reset();
    markOver();
    m_observer.message(reason, TransferObserver::Icon::Critical);
    return false;
}

void TransferEngine::closeLink() {
    if (m_link) m_link->close();
}

bool TransferEngine::imageFitsLink() {
    if (lastAddress() < kAddressSpace) return true;
    markOver();
    m_observer.message(QStringLiteral("The emulator link addresses 64 KiB only: this image has %1 bytes.")
                           .arg(lastAddress() + 1),
                       TransferObserver::Icon::Critical);
    return false;
}

void TransferEngine::portFailed(int address) {
    const QString reason = m_link ? m_link->errorString() : QString();
    closeLink();
    markOver();
    m_observer.setWhat(QString());
    m_observer.setWhere(QString());
    m_observer.message(QStringLiteral("Port error at Address %1: %2").arg(address).arg(reason),
                       TransferObserver::Icon::Critical);
}

void TransferEngine::finishWithTime() {
    const double elapsed = m_ticker.seconds() - m_start;
    markOver();
    m_observer.message(QStringLiteral("Download Time = ") + formatElapsed(elapsed),
                       TransferObserver::Icon::None);
}

} // namespace korvel
