#include "live_writer.h"

#include "core/wait.h"
#include "emulator_link.h"
#include "frames.h"
#include "serial_port.h"

#include <algorithm>
#include <unordered_map>

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
    return m_queuedWrites + static_cast<int>(m_current.size()) + (m_flight ? 1 : 0);
}

std::vector<int> LiveWriter::pendingAddresses() const {
    std::vector<int> all;
    if (m_flight) all.push_back(m_flight->write.address);
    for (const Write& w : m_current)
        all.push_back(w.address);
    for (const Edit& edit : m_edits)
        for (const Write& w : edit)
            all.push_back(w.address);
    return all;
}

bool LiveWriter::openPort() {
    m_settler.reset();
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
    m_edits.clear();
    m_current.clear();
    m_queuedWrites = 0;
    m_flight.reset();
    m_started = false;
    m_paused = false;
    changed();
}

void LiveWriter::pause() {
    if (!m_started || m_paused) return;
    if (m_flight) {
        // Back to the head of its edit: writing a byte twice is harmless.
        m_current.push_front(m_flight->write);
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

std::vector<int> LiveWriter::dropQueue() {
    std::vector<int> dropped = pendingAddresses();
    if (m_flight) dropped.erase(dropped.begin());
    m_edits.clear();
    m_current.clear();
    m_queuedWrites = 0;
    changed();
    return dropped;
}

void LiveWriter::queue(const Edit& edit) {
    if (!m_started || edit.empty()) return;
    // One write per byte, at the place it first takes in the edit, with its last value.
    Edit writes;
    std::unordered_map<int, size_t> at;
    for (const Write& w : edit) {
        const auto [it, added] = at.try_emplace(w.address, writes.size());
        if (added)
            writes.push_back(w);
        else
            writes[it->second].value = w.value;
    }
    // Queued edits, from the last, that this one writes over entirely never need to reach
    // the emulator (see the header for why only these).
    while (!m_edits.empty() && std::all_of(m_edits.back().begin(), m_edits.back().end(),
                                           [&](const Write& w) { return at.count(w.address) > 0; })) {
        m_queuedWrites -= static_cast<int>(m_edits.back().size());
        m_edits.pop_back();
    }
    m_queuedWrites += static_cast<int>(writes.size());
    m_edits.push_back(std::move(writes));
    // Nothing on the wire: the first byte goes out now, before whatever the edit repaints.
    if (!m_paused && m_port && !m_stepping && !m_flight && m_current.empty() && m_edits.size() == 1 &&
        !m_settler.inDoubt())
        step(0);
    changed();
    if (!m_paused) schedule();
}

void LiveWriter::fail(const QString& message) {
    m_failure = message;
    m_dropped = pendingAddresses();
    stop();
    if (onFailed) onFailed(message);
}

bool LiveWriter::takeNext() {
    if (m_current.empty()) {
        m_queuedWrites -= static_cast<int>(m_edits.front().size());
        m_current.assign(m_edits.front().begin(), m_edits.front().end());
        m_edits.pop_front();
    }
    const Write next = m_current.front();
    m_current.pop_front();
    if (next.address < 0 || next.address >= kAddressSpace) {
        fail(QStringLiteral("Error writing to Ram at Address %1\n"
                            "The emulator link addresses 64 KiB only.")
                 .arg(next.address));
        return false;
    }
    m_flight = InFlight{next};
    return true;
}

bool LiveWriter::sendFlight(double until) {
    // Input waiting answers no frame of ours (a late echo, line noise): more may follow.
    const int waiting = m_port->bytesWaiting();
    if (waiting > 0) m_settler.doubt(m_ticker.seconds());
    if (waiting >= 0 && !m_settler.settle(*m_port, m_ticker, until - m_ticker.seconds())) return false;
    if (!m_port->write(writeFrame(m_flight->write.address, m_flight->write.value))) {
        fail(QStringLiteral("Port error at Address %1: %2")
                 .arg(m_flight->write.address)
                 .arg(m_port->errorString()));
        return false;
    }
    m_flight->onWire = true;
    m_flight->sentAt = m_ticker.seconds();
    return true;
}

bool LiveWriter::retryOrFail(const QByteArray& reply) {
    if (m_flight->resends >= EmulatorLink::kMaxResends) {
        fail(writeFailureMessage(m_flight->write.address, reply, m_flight->write.value));
        return false;
    }
    // A wrong echo may have the right one behind it, a missing one may still come: the
    // re-send waits for the line to fall quiet.
    m_settler.doubt(m_ticker.seconds());
    ++m_flight->resends;
    m_flight->onWire = false;
    return true;
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
            if (pendingCount() == 0) break;
            if (!first && m_ticker.seconds() >= until) {
                more = true;
                break;
            }
            if (!takeNext()) break;
        }
        if (!m_flight->onWire) {
            if (!sendFlight(until)) {
                more = m_started; // the line is not quiet yet
                break;
            }
            changed();
        }
        const double now = m_ticker.seconds();
        const double replyDue = m_flight->sentAt + EmulatorLink::kReplyTimeout;
        const double wait = std::max(0.0, std::min(until, replyDue) - now);
        const int waiting = m_port->waitForInput(wait);
        if (waiting < 0) {
            fail(QStringLiteral("Port error at Address %1: %2")
                     .arg(m_flight->write.address)
                     .arg(m_port->errorString()));
            break;
        }
        if (waiting > 0) {
            const QByteArray reply = m_port->read(1);
            if (reply == QByteArray(1, static_cast<char>(m_flight->write.value))) {
                const Write done = m_flight->write;
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
