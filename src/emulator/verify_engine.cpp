#include "verify_engine.h"

#include "core/app_state.h"
#include "transfer_observer.h"

namespace korvel {

TransferResult VerifyEngine::run() {
    TransferResult result;
    m_state.CancelRequested = false;
    startClock();
    if (!imageFitsLink() || !openLink()) return result;
    const QString reading = QStringLiteral("Reading Address");
    m_observer.setWhat(reading);
    const int last = lastAddress();
    int previousMark = 0;
    for (int a = 0; a <= last; ++a) {
        // result.errors counts the differing addresses before this one.
        result.errors += previousMark;
        if (result.errors > 0) m_observer.setWhat(QStringLiteral("%1  (%2)").arg(reading).arg(result.errors));
        const quint8 expected = static_cast<quint8>(m_state.byteAt(a));
        m_observer.setWhere(addressBits(a));
        const Reply reply = m_link->Get_Data(static_cast<quint8>(a >> 8), static_cast<quint8>(a & 0xFF),
                                             expected, Exchange::Polled);
        if (reply.status == ReplyStatus::PortFailed) {
            portFailed(a);
            return result;
        }
        previousMark = reply.bytes == QByteArray(1, static_cast<char>(expected)) ? 0 : 1;
        // A difference may be a stray byte read for the answer: the next read waits for quiet.
        if (previousMark) m_link->doubtLine();
        m_observer.progress(a + 1, last + 1);
        if (reply.status == ReplyStatus::TimedOut) {
            // No reply: one message naming the reason, and the run stops after this address.
            markOver();
            m_observer.message(QStringLiteral("Error Reading Address %1\n%2").arg(a).arg(noReplyReason()),
                               TransferObserver::Icon::Critical);
        } else if (previousMark) {
            m_observer.message(QStringLiteral("Error Reading Address %1").arg(a),
                               TransferObserver::Icon::Critical);
        }
        if (result.errors >= kErrorLimit) {
            closeLink();
            result.errors += previousMark;
            m_observer.message(QStringLiteral("30 Errors Before Address %1").arg(a),
                               TransferObserver::Icon::Critical);
            m_observer.setWhat(QString());
            m_observer.setWhere(QString());
            return result;
        }
        if (m_state.CancelRequested) {
            closeLink();
            result.errors += previousMark;
            result.outcome = m_link->timedOut() ? TransferOutcome::Failed : TransferOutcome::Cancelled;
            return result;
        }
    }
    closeLink();
    result.errors += previousMark;
    m_observer.setWhat(result.errors == 0 ? QStringLiteral("No Errors")
                                          : QStringLiteral("Total Errors : %1").arg(result.errors));
    finishWithTime();
    result.outcome = TransferOutcome::Completed;
    return result;
}

} // namespace korvel
