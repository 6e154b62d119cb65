// korvel-cli checksum on an XDF definition: each checksum region of the definition, compared
// with what the image stores; --fix stores the computed sums (most significant byte first)
// and rewrites the image. Regions Korvel cannot compute are listed and never written.
#include "core/bin_image.h"
#include "core/checksum.h"
#include "core/values.h"
#include "verbs.h"
#include "xdf_access.h"

namespace korvel::cli {

// Exit codes as for .ecu definitions: 0 every region Korvel computes agrees (or was made to
// agree), 1 one differs, 2 one cannot be compared (its bytes lie outside the image) or the
// image cannot be written. An unsupported region is reported and leaves the code as it is.
int xdfChecksum(AppState& state, const Definition& def, bool fix) {
    if (def.checksums.empty()) {
        out(QString::fromLatin1(kNoChecksumText));
        return 0;
    }
    const ImageBytes image = imageBytes(state);
    bool differs = false, failed = false, written = false;
    for (size_t n = 0; n < def.checksums.size(); ++n) {
        const ChecksumRegion& region = def.checksums[n];
        const QString name = region.title.trimmed().isEmpty() ? QStringLiteral("checksum %1").arg(n + 1)
                                                              : region.title.trimmed();
        if (!region.supported()) {
            out(QStringLiteral("%1: method %2%3 is %4")
                    .arg(name)
                    .arg(region.method)
                    .arg(region.plugin.isEmpty() ? QString()
                                                 : QStringLiteral(" (plug-in %1)").arg(region.plugin),
                         region.unsupportedReason));
            continue;
        }
        const ElementLayout stored{region.sizeBits / 8, false, ByteOrder::MsbFirst};
        const auto sum = checksumOf(region, image);
        const auto was = readElement(image, region.store, stored);
        if (!sum || !was) {
            err(QStringLiteral("%1: the bytes %2..%3 or the stored sum at %4 lie outside the image")
                    .arg(name, addressText(region.start), addressText(region.end),
                         addressText(region.store)));
            failed = true;
            continue;
        }
        const QString storedText = checksumText(*was, stored.bytes),
                      computed = checksumText(*sum, stored.bytes);
        out(QStringLiteral("%1: stored %2 computed %3").arg(name, storedText, computed));
        if (storedText == computed) continue;
        if (!fix) {
            differs = true;
            continue;
        }
        const std::vector<quint8> bytes = checksumBytes(region, *sum);
        for (size_t k = 0; k < bytes.size(); ++k)
            StoreByte(state, int(region.store + qint64(k)), bytes[k]);
        written = true;
    }
    if (written) {
        if (const Status s = WriteBinFile(state); !s) {
            err(s.error());
            return 2;
        }
        out(QStringLiteral("updated"));
    }
    return failed ? 2 : differs ? 1 : 0;
}

} // namespace korvel::cli
