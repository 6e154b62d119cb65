#include "frm_check.h"

#include "emulator/check_engine.h"

namespace korvel {

TransferResult frmCheck::runTransfer(const TransferContext& context) {
    return CheckEngine(context).run();
}

} // namespace korvel
