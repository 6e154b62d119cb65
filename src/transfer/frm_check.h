#pragma once

#include "transfer/transfer_window.h"

namespace korvel {

// The transfer window that sends the emulator's check command and shows its answer.
class frmCheck : public TransferWindow {
    Q_OBJECT
public:
    explicit frmCheck(Services& services, QWidget* parent = nullptr)
        : TransferWindow(services, QStringLiteral("Check Download"), "frmCheck", parent) {}

protected:
    TransferResult runTransfer(const TransferContext& context) override;
};

} // namespace korvel
