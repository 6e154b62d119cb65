#include "upload_changes.h"

#include "core/app_state.h"
#include "transfer_observer.h"

namespace korvel {

TransferResult UploadChanges::Upload_Changes(bool verify) {
    TransferResult result;
    m_state.VerifyWrites = verify;
    const QString writing = QStringLiteral("Writing Address");
    m_observer.setWhat(writing);
    // Cells past BinSize - 17 may still be marked from a longer image loaded
    // earlier in the run: they are not part of this image and are not sent.
    const int last = lastAddress();
    qint64 total = 0;
    for (int a = 0; a <= last; ++a)
        total += m_state.PendingChanges[static_cast<size_t>(a)].isEmpty() ? 0 : 1;
    auto clearLabels = [&] {
        m_observer.setWhat(QString());
        m_observer.setWhere(QString());
    };
    qint64 done = 0;
    int previousResends = 0;
    for (int a = 0; a <= last; ++a) {
        const BinCell& cell = m_state.PendingChanges[static_cast<size_t>(a)];
        if (cell.isEmpty()) continue;
        if (a >= kAddressSpace) {
            closeLink();
            m_observer.message(
                QStringLiteral("Upload stopped at Address %1: the emulator link addresses 64 KiB only.")
                    .arg(a),
                TransferObserver::Icon::Critical);
            clearLabels();
            return result;
        }
        // The port is opened at the first byte to send and stays open to the end.
        if (!m_link && !openLink()) {
            clearLabels();
            return result;
        }
        result.resends += previousResends;
        if (result.resends > 0)
            m_observer.setWhat(QStringLiteral("%1  (%2)").arg(writing).arg(result.resends));
        // The value the edit recorded, not the image cell.
        const quint8 data = static_cast<quint8>(cell.byte());
        m_observer.setWhere(addressBits(a));
        const WriteResult w = m_link->verifiedWrite(a, data, Exchange::FixedWait);
        if (w.status == ReplyStatus::PortFailed) {
            portFailed(a);
            return result;
        }
        previousResends = w.resends;
        m_observer.progress(++done, total);
        if (!w.written) {
            closeLink();
            result.resends += previousResends;
            m_observer.message(writeFailureMessage(a, w.reply, data), TransferObserver::Icon::Critical);
            clearLabels();
            return result;
        }
    }
    closeLink();
    result.resends += previousResends;
    m_observer.setWhat(QString());
    result.outcome = TransferOutcome::Completed;
    return result;
}

} // namespace korvel
