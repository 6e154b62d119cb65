#include "live_writer.h"

#include "core/wait.h"
#include "emulator_link.h"
#include "frames.h"
#include "serial_port.h"

#include <algorithm>

namespace korvel {

LiveWriter::LiveWriter(SerialPortFactory& ports, QString device, Ticker& ticker, bool driveByEventLoop)
    : m_ports(ports), m_device(std::move(device)), m_ticker(ticker) {
    if (!driveByEventLoop) return;
    m_timer = std::make_unique<QTimer>();
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
        if (step(kStepBudget)) schedule();
    });
}

LiveWriter::~LiveWriter() {
    if (m_timer) m_timer->stop();
    if (m_port) m_port->close();
}

void LiveWriter::schedule() {
    if (m_timer && !m_timer->isActive()) m_timer->start();
}

void LiveWriter::changed() {
    if (onChanged) onChanged();
}

LiveWriter::State LiveWriter::state() const {
    if (!m_started) return State::Stopped;
    if (m_paused) return State::Paused;
    return pendingCount() > 0 ? State::Sending : State::InStep;
}

int LiveWriter::pendingCount() const {
    return static_cast<int>(m_order.size()) + (m_flight ? 1 : 0);
}

std::vector<int> LiveWriter::pendingAddresses() const {
    std::vector<int> all;
    if (m_flight) all.push_back(m_flight->address);
    all.insert(all.end(), m_order.begin(), m_order.end());
    return all;
}

bool LiveWriter::openPort() {
    m_port = m_ports.create();
    if (m_port->open(m_device, QString::fromLatin1(kSerialSettings))) return true;
    const QString reason = m_port->errorString();
    m_port.reset();
    fail(reason.isEmpty() ? QStringLiteral("Cannot open %1").arg(m_device) : reason);
    return false;
}

bool LiveWriter::start() {
    if (m_started) return true;
    m_failure.clear();
    m_started = true;
    m_paused = false;
    return goOn();
}

bool LiveWriter::goOn() {
    if (!openPort()) return false;
    changed();
    if (pendingCount() > 0) schedule();
    return true;
}

void LiveWriter::stop() {
    if (m_port) m_port->close();
    m_port.reset();
    m_order.clear();
    m_latest.clear();
    m_flight.reset();
    m_started = false;
    m_paused = false;
    changed();
}

void LiveWriter::pause() {
    if (!m_started || m_paused) return;
    if (m_flight) {
        // Back to the head of the queue, unless a newer value for it waits already.
        if (!m_latest.count(m_flight->address)) {
            m_order.push_front(m_flight->address);
            m_latest[m_flight->address] = m_flight->value;
        }
        m_flight.reset();
    }
    if (m_port) m_port->close();
    m_port.reset();
    m_paused = true;
    changed();
}

bool LiveWriter::resume() {
    if (!m_started || !m_paused) return m_started;
    m_paused = false;
    return goOn();
}

void LiveWriter::dropQueue() {
    m_order.clear();
    m_latest.clear();
    changed();
}

void LiveWriter::queue(int address, quint8 value) {
    if (!m_started) return;
    const auto [it, added] = m_latest.try_emplace(address, value);
    if (added)
        m_order.push_back(address);
    else
        it->second = value;
    changed();
    if (!m_paused) schedule();
}

void LiveWriter::fail(const QString& message) {
    m_failure = message;
    m_dropped = pendingAddresses();
    stop();
    if (onFailed) onFailed(message);
}

bool LiveWriter::sendFlight() {
    // Input still waiting answers no frame of ours (a late echo of a frame given up on).
    if (m_port->bytesWaiting() > 0) m_port->read(0);
    if (!m_port->write(writeFrame(m_flight->address, m_flight->value))) {
        fail(
            QStringLiteral("Port error at Address %1: %2").arg(m_flight->address).arg(m_port->errorString()));
        return false;
    }
    m_flight->sentAt = m_ticker.seconds();
    return true;
}

bool LiveWriter::retryOrFail(const QByteArray& reply) {
    if (m_flight->resends >= EmulatorLink::kMaxResends) {
        fail(writeFailureMessage(m_flight->address, reply, m_flight->value));
        return false;
    }
    ++m_flight->resends;
    return sendFlight();
}

bool LiveWriter::step(double budget) {
    // The failure callback may show a message box with its own event loop: no step
    // inside a step (the outer one reports whether more is to do).
    if (m_stepping) return false;
    m_stepping = true;
    const double until = m_ticker.seconds() + std::max(0.0, budget);
    bool more = false;
    for (bool first = true;; first = false) {
        if (!m_started || m_paused || !m_port) break;
        if (!m_flight) {
            if (m_order.empty()) break;
            if (!first && m_ticker.seconds() >= until) {
                more = true;
                break;
            }
            const int address = m_order.front();
            m_order.pop_front();
            const quint8 value = m_latest[address];
            m_latest.erase(address);
            if (address < 0 || address >= kAddressSpace) {
                fail(QStringLiteral("Error writing to Ram at Address %1\n"
                                    "The emulator link addresses 64 KiB only.")
                         .arg(address));
                break;
            }
            m_flight = InFlight{address, value, 0, 0};
            if (!sendFlight()) break;
            changed();
        }
        const double now = m_ticker.seconds();
        const double replyDue = m_flight->sentAt + EmulatorLink::kReplyTimeout;
        const double wait = std::max(0.0, std::min(until, replyDue) - now);
        const int waiting = m_port->waitForInput(wait);
        if (waiting < 0) {
            fail(QStringLiteral("Port error at Address %1: %2")
                     .arg(m_flight->address)
                     .arg(m_port->errorString()));
            break;
        }
        if (waiting > 0) {
            const QByteArray reply = m_port->read(1);
            if (reply == QByteArray(1, static_cast<char>(m_flight->value))) {
                const InFlight done = *m_flight;
                m_flight.reset();
                if (onWritten) onWritten(done.address, done.value);
                changed();
                continue;
            }
            if (!retryOrFail(reply)) break;
            continue;
        }
        if (m_ticker.seconds() >= replyDue) {
            if (!retryOrFail(QByteArray())) break;
            continue;
        }
        more = true; // the echo is still due, the budget is spent
        break;
    }
    m_stepping = false;
    return more || (m_started && !m_paused && pendingCount() > 0);
}

} // namespace korvel
