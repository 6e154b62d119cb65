#include "frm_download.h"

#include "emulator/download_engine.h"

namespace korvel {

TransferResult frmDownload::runTransfer(const TransferContext& context) {
    return DownloadEngine(context).run();
}

} // namespace korvel
