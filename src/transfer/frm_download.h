#pragma once

#include "transfer/transfer_window.h"

namespace korvel {

// The transfer window that writes every byte of the image into the emulator, checking each echo.
class frmDownload : public TransferWindow {
    Q_OBJECT
public:
    explicit frmDownload(Services& services, QWidget* parent = nullptr)
        : TransferWindow(services, QStringLiteral("Download File to ECU"), "frmDownload", parent) {}

protected:
    TransferResult runTransfer(const TransferContext& context) override;
};

} // namespace korvel
