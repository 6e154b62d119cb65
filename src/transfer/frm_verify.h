#pragma once

#include "transfer/transfer_window.h"

namespace korvel {

// The transfer window that reads every byte back from the emulator and compares it with the image.
class frmVerify : public TransferWindow {
    Q_OBJECT
public:
    explicit frmVerify(Services& services, QWidget* parent = nullptr)
        : TransferWindow(services, QStringLiteral("Verify Download"), "frmVerify", parent) {}

protected:
    TransferResult runTransfer(const TransferContext& context) override;
};

} // namespace korvel
