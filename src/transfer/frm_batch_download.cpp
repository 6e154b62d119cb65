#include "frm_batch_download.h"

#include "emulator/batch_download_engine.h"

namespace korvel {

TransferResult frmBatchDownload::runTransfer(const TransferContext& context) {
    return BatchDownloadEngine(context).run();
}

} // namespace korvel
