#pragma once

#include "transfer/transfer_window.h"

namespace korvel {

// The transfer window that sends the image in blocks of 64 bytes, one acknowledgement each.
class frmBatchDownload : public TransferWindow {
    Q_OBJECT
public:
    explicit frmBatchDownload(Services& services, QWidget* parent = nullptr)
        : TransferWindow(services, QStringLiteral("Batch Download File to ECU"), "frmBatchDownload", parent) {
    }

protected:
    TransferResult runTransfer(const TransferContext& context) override;
};

} // namespace korvel
