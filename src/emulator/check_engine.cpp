#include "check_engine.h"

#include "core/app_state.h"
#include "serial_port.h"
#include "transfer_observer.h"

namespace korvel {

TransferResult CheckEngine::run() {
    TransferResult result;
    m_state.CancelRequested = false;
    startClock();
    m_observer.setWhat(QStringLiteral("Reading Address"));
    // The check sends no image, so the image's size does not matter here.
    if (!openLink()) return result;
    if (!m_link->send(commandFrame('C'))) {
        portFailed(0);
        return result;
    }
    const int waiting = m_link->waitForInput(EmulatorLink::kReplyTimeout);
    if (waiting < 0) {
        portFailed(0);
        return result;
    }
    if (waiting == 0) {
        markOver();
        m_observer.message(QStringLiteral("Time Out Error Download Aborted"), TransferObserver::Icon::None);
        // Whatever arrived first, possibly nothing.
        const QByteArray late = m_link->port().read(1);
        closeLink();
        m_observer.message(QString::fromLatin1(late), TransferObserver::Icon::None);
        return result;
    }
    const QByteArray answer = m_link->port().read(1);
    closeLink();
    m_observer.message(QString::fromLatin1(answer), TransferObserver::Icon::None);
    m_observer.setWhat(QStringLiteral("No Errors"));
    finishWithTime();
    result.outcome = TransferOutcome::Completed;
    return result;
}

} // namespace korvel
