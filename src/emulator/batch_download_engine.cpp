#include "batch_download_engine.h"

#include "core/app_state.h"
#include "core/wait.h"
#include "serial_port.h"
#include "transfer_observer.h"

#include <algorithm>

namespace korvel {

BatchDownloadEngine::Ack BatchDownloadEngine::waitForAck() {
    // The limit runs from the end of the block: input that is not the "N" does not
    // extend it, or a line that never falls silent would hold the run for ever.
    const double deadline = m_ticker.seconds() + kAckTimeout;
    for (;;) {
        const int waiting = m_link->waitForInput(std::max(0.0, deadline - m_ticker.seconds()));
        if (waiting < 0) return Ack::PortFailed;
        if (waiting == 0) return Ack::TimedOut;
        // An "N" that arrives together with anything else is not an acknowledgement.
        if (m_link->port().read(0) == QByteArray(1, kBlockAck)) return Ack::Received;
        if (m_ticker.seconds() >= deadline) return Ack::TimedOut;
    }
}

TransferResult BatchDownloadEngine::run() {
    TransferResult result;
    m_state.CancelRequested = false;
    startClock();
    if (!imageFitsLink() || !openLink()) return result;
    m_state.VerifyWrites = true;
    m_observer.setWhat(QStringLiteral("Writing Address"));
    const int last = lastAddress();
    for (int a = 0; a <= last; a += kBlockSize) {
        m_observer.setWhere(addressBits(a));
        if (!m_link->send(blockHeader(a))) {
            portFailed(a);
            return result;
        }
        WaitSeconds(kHeaderWait, m_ticker);
        const int end = std::min(a + kBlockSize - 1, last);
        QByteArray data;
        for (int k = a; k <= end; ++k)
            data.append(static_cast<char>(m_state.byteAt(k)));
        const Ack ack = m_link->send(data) ? waitForAck() : Ack::PortFailed;
        if (ack == Ack::PortFailed) {
            portFailed(a);
            return result;
        }
        if (ack == Ack::TimedOut) {
            markOver();
            m_observer.message(QStringLiteral("Time Out Error Download Aborted"),
                               TransferObserver::Icon::None);
            closeLink();
            return result;
        }
        m_observer.progress(end + 1, last + 1);
        if (m_state.CancelRequested) {
            closeLink();
            result.outcome = TransferOutcome::Cancelled;
            return result;
        }
    }
    closeLink();
    m_observer.setWhat(QString());
    finishWithTime();
    result.outcome = TransferOutcome::Completed;
    return result;
}

} // namespace korvel
