// korvel-cli checksum IMAGE.bin DEFINITION.ecu [--fix]
// Compares the checksum stored in the image with the one its definition's header
// gives, the way the editor does when it closes; --fix stores the computed one and
// rewrites the image in place.
#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/checksum.h"
#include "definition_loader.h"
#include "verbs.h"
#include "xdf_access.h"

namespace korvel::cli {

namespace {

constexpr const char* kUsage = "checksum IMAGE.bin DEFINITION.ecu [--fix]";

// Exit codes: 0 the checksums agree (or were made to agree), 1 they differ, 2 nothing
// could be compared or written (bad arguments, files, header values).
int run(const QStringList& argsIn) {
    QStringList args = argsIn;
    const bool fix = args.removeAll(QStringLiteral("--fix")) > 0;
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--"))) {
        err(QStringLiteral("usage: korvel-cli ") + QLatin1String(kUsage));
        return 2;
    }
    const VerbFiles files = sortFiles(args[0], args[1]);
    if (files.refused) return 2;
    AppState state;
    if (files.xdf) return loadImage(state, files.image) ? xdfChecksum(state, *files.xdf, fix) : 2;
    if (!loadImage(state, args[0]) || !loadDefinition(state, args[1], "checksum")) return 2;
    const ChecksumLayoutResult r = checksumLayout(state);
    if (r.absent) {
        out(r.refusal);
        return 0;
    }
    if (!r.layout) {
        err(r.refusal);
        return 2;
    }
    const QString stored = storedChecksumText(state, *r.layout);
    const QString computed = computedChecksumText(state, *r.layout);
    out(QStringLiteral("stored %1 computed %2").arg(stored, computed));
    if (!fix) return stored == computed ? 0 : 1;

    storeChecksum(state, *r.layout, computed);
    if (const Status s = WriteBinFile(state); !s) {
        err(s.error());
        return 2;
    }
    out(QStringLiteral("updated"));
    return 0;
}

const VerbRegistration registration{{"checksum", kUsage, run}};

} // namespace

} // namespace korvel::cli
