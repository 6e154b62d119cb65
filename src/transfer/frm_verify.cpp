#include "frm_verify.h"

#include "emulator/verify_engine.h"

namespace korvel {

TransferResult frmVerify::runTransfer(const TransferContext& context) {
    return VerifyEngine(context).run();
}

} // namespace korvel
