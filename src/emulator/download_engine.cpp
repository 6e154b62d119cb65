#include "download_engine.h"

#include "core/app_state.h"
#include "transfer_observer.h"

namespace korvel {

TransferResult DownloadEngine::run() {
    TransferResult result;
    m_state.CancelRequested = false;
    startClock();
    m_state.VerifyWrites = true;
    if (!imageFitsLink() || !openLink()) return result;
    const QString writing = QStringLiteral("Writing Address");
    m_observer.setWhat(writing);
    const int last = lastAddress();
    int previousResends = 0;
    for (int a = 0; a <= last; ++a) {
        // The label counts the re-sends of the addresses before this one.
        result.resends += previousResends;
        if (result.resends > 0)
            m_observer.setWhat(QStringLiteral("%1  (%2)").arg(writing).arg(result.resends));
        const quint8 data = static_cast<quint8>(m_state.byteAt(a));
        m_observer.setWhere(addressBits(a));
        const WriteResult w = m_link->verifiedWrite(a, data, Exchange::Polled);
        if (w.status == ReplyStatus::PortFailed) {
            portFailed(a);
            return result;
        }
        previousResends = w.resends;
        m_observer.progress(a + 1, last + 1);
        // A time-out stops the run after this address, whether or not a re-send got through.
        if (m_link->timedOut()) markOver();
        if (!w.written) {
            closeLink();
            // One message for the address, however many of its re-sends failed.
            m_observer.message(writeFailureMessage(a, w.reply, data), TransferObserver::Icon::Critical);
            m_observer.setWhat(QString());
            m_observer.setWhere(QString());
            result.resends += previousResends;
            return result;
        }
        if (m_link->timedOut())
            m_observer.message(QStringLiteral("Time Out Error Download Aborted"),
                               TransferObserver::Icon::None);
        if (m_state.CancelRequested) {
            closeLink();
            result.resends += previousResends;
            result.outcome = m_link->timedOut() ? TransferOutcome::Failed : TransferOutcome::Cancelled;
            return result;
        }
    }
    closeLink();
    result.resends += previousResends;
    m_observer.setWhat(QString());
    finishWithTime();
    result.outcome = TransferOutcome::Completed;
    return result;
}

} // namespace korvel
