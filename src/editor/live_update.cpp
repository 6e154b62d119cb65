#include "editor/live_update.h"

#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "emulator/live_writer.h"
#include "emulator/serial_port.h"
#include "widgets/prompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>

namespace korvel {

namespace {

// How long closing waits for queued bytes before it asks, in seconds.
constexpr double kClosingWait = 2.0;

} // namespace

LiveUpdate::LiveUpdate(Services& services, EditHistory& history, QWidget* parent)
    : QObject(parent), m_services(services) {
    m_chkLive = new QCheckBox(QStringLiteral("Live"), parent);
    m_chkLive->setObjectName(QStringLiteral("chkLive"));
    m_chkLive->setEnabled(false);
    m_lblLive = new QLabel(parent);
    m_lblLive->setObjectName(QStringLiteral("lblLive"));
    // Room for its usual texts from the start: they are wider than the box above it, and
    // the window should not widen as the count changes.
    m_lblLive->setMinimumWidth(m_lblLive->fontMetrics().horizontalAdvance(
        QStringLiteral("Sending 9999 bytes; emulator not checked")));
    connect(m_chkLive, &QCheckBox::clicked, this, &LiveUpdate::chkLive_Click);
    history.addListener([this](const EditAction& action) { onEdit(action); });
}

LiveUpdate::~LiveUpdate() = default;

bool LiveUpdate::isOn() const {
    return m_writer != nullptr;
}

void LiveUpdate::setAvailable(bool available) {
    m_available = available;
    if (isOn()) chkLive_Click(false);
    m_chkLive->setChecked(false);
    m_chkLive->setEnabled(available && m_pauses == 0);
}

void LiveUpdate::chkLive_Click(bool checked) {
    if (!checked) {
        if (m_writer) {
            const std::vector<int> left = m_writer->pendingAddresses();
            m_unsent.insert(left.begin(), left.end());
            m_writer.reset();
        }
        m_chkLive->setChecked(false);
        showState();
        return;
    }
    if (isOn() || !m_available) return;
    const AppState& state = m_services.state;
    m_failed = false;
    m_writer = std::make_unique<LiveWriter>(
        m_services.ports, deviceForPort(state.PortNumber, &m_services.settings), m_services.ticker);
    m_writer->onChanged = [this] { showState(); };
    m_writer->onFailed = [this](const QString& message) { onFailed(message); };
    if (!m_writer->start()) return; // onFailed has reported it and cleared the box
    m_chkLive->setChecked(true);
    // Whatever changed while the box was clear goes first, as one edit: the image now.
    LiveWriter::Edit kept;
    for (const int address : m_unsent)
        kept.push_back({address, static_cast<quint8>(state.byteAt(address))});
    m_unsent.clear();
    m_writer->queue(kept);
    showState();
}

void LiveUpdate::onEdit(const EditAction& action) {
    if (!m_writer) {
        for (const ByteChange& change : action)
            m_unsent.insert(change.address);
        return;
    }
    // The image's byte as it is now: an undone action holds the bytes it put back as `before`.
    LiveWriter::Edit edit;
    edit.reserve(action.size());
    for (const ByteChange& change : action)
        edit.push_back({change.address, static_cast<quint8>(m_services.state.byteAt(change.address))});
    m_writer->queue(edit);
}

void LiveUpdate::onFailed(const QString& message) {
    // Called from inside the writer: it is destroyed only after the message.
    const std::vector<int>& dropped = m_writer->dropped();
    m_unsent.insert(dropped.begin(), dropped.end());
    m_failed = true;
    // The writer's step that called this is still running: it goes once that step is over.
    m_retired = std::move(m_writer);
    m_checked = false; // the device may have gone and come back with other memory
    QTimer::singleShot(0, this, [this] { m_retired.reset(); });
    m_chkLive->setChecked(false);
    showState();
    m_services.prompt.message(message + QStringLiteral("\nLive update has been switched off."),
                              Prompt::Icon::Critical);
}

void LiveUpdate::showState() {
    QString text;
    QString tip;
    if (m_writer) {
        const int n = m_writer->pendingCount();
        const QString sending =
            n == 1 ? QStringLiteral("Sending 1 byte") : QStringLiteral("Sending %1 bytes").arg(n);
        switch (m_writer->state()) {
        case LiveWriter::State::InStep:
            text = m_checked ? QStringLiteral("In step") : QStringLiteral("Sending edits");
            break;
        case LiveWriter::State::Sending:
            text = sending;
            break;
        case LiveWriter::State::Paused:
            text = QStringLiteral("Paused");
            break;
        case LiveWriter::State::Stopped:
            break;
        }
        if (!m_checked && m_writer->state() != LiveWriter::State::Paused) {
            text += QStringLiteral("; emulator not checked");
            tip = QStringLiteral("Live sends edits only. The emulator may hold another image: \"Standard "
                                 "Download File\" or \"Verify File\" checks it, then Live keeps it in step.");
        }
    } else if (m_failed) {
        text = QStringLiteral("Failed");
    }
    m_lblLive->setToolTip(tip);
    if (m_lblLive->text() == text) return;
    m_lblLive->setText(text);
    m_lblLive->repaint();
}

void LiveUpdate::pause() {
    if (m_pauses++ == 0 && m_writer) m_writer->pause();
    m_chkLive->setEnabled(false);
}

void LiveUpdate::resume(RunProof proof) {
    if (m_pauses == 0) return;
    if (proof == RunProof::ImageHeld || proof == RunProof::ImageUnknown)
        m_checked = proof == RunProof::ImageHeld;
    // The emulator has every changed byte: nothing kept from before needs sending.
    if (proof == RunProof::ChangesSent || proof == RunProof::ImageHeld) m_unsent.clear();
    if (--m_pauses > 0) return;
    m_chkLive->setEnabled(m_available);
    if (m_writer) m_writer->resume();
}

bool LiveUpdate::waitIdle(double seconds) {
    Ticker& ticker = m_services.ticker;
    const double until = ticker.seconds() + seconds;
    while (m_writer && m_writer->state() == LiveWriter::State::Sending) {
        if (ticker.seconds() >= until) return false;
        // Stepped here as well as from the event loop, so waiting works with any clock.
        m_writer->step(LiveWriter::kStepBudget);
        ticker.pump(0);
    }
    return true;
}

QString LiveUpdate::closingQuestion() const {
    const int n = m_writer ? m_writer->pendingCount() : 0;
    return QStringLiteral("Live update is still sending %1 %2 to the emulator. Stop sending and close? "
                          "The bytes stay marked for \"Download Changes\". Once they are sent, the editor "
                          "closes by itself.")
        .arg(n)
        .arg(n == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
}

bool LiveUpdate::finishBeforeClosing() {
    if (waitIdle(kClosingWait)) return true;
    // The sending goes on behind the question: its count follows, and once nothing is left
    // to send (or a failure stopped it) the question is over and the editor closes.
    const bool stop =
        m_services.prompt.askYesNoFollowing(closingQuestion(), [this]() -> std::optional<QString> {
            if (!m_writer || m_writer->state() != LiveWriter::State::Sending) return std::nullopt;
            return closingQuestion();
        });
    if (!stop) return false;
    if (m_writer) chkLive_Click(false);
    return true;
}

void LiveUpdate::drain() {
    waitIdle(1e9);
}

} // namespace korvel
