#include "checksum_questions.h"

#include "core/app_state.h"
#include "core/cal_item.h"
#include "core/checksum.h"
#include "core/edit_history.h"
#include "core/item_cells.h"
#include "core/values.h"
#include "editor/editor_context.h"
#include "widgets/prompt.h"

#include <algorithm>

namespace korvel {

namespace {

// The layout, or nothing after the refusal was shown. A definition without a checksum
// is said once when the user asks for it, and nothing at all when the editor closes.
std::optional<ChecksumLayout> layoutOrRefuse(EditorContext& context, bool closing) {
    ChecksumLayoutResult r = checksumLayout(context.services.state);
    if (r.absent) {
        if (!closing) context.services.prompt.message(r.refusal);
    } else if (!r.layout) {
        context.services.prompt.message(r.refusal, Prompt::Icon::Critical);
    }
    return r.layout;
}

void store(EditorContext& context, const ChecksumLayout& layout, const QString& text) {
    bool stored = false;
    recordEdit(context.vars.History, context.services.state, {{layout.address, layout.size}},
               [&] { stored = storeChecksum(context.services.state, layout, text); });
    if (stored) context.vars.IsSaved = false;
}

// The checksums of a definition of the item model (XDF). Only the byte sum (method 0) is
// computed and written; any other method or plug-in is said to be unsupported when the user
// asks, and left alone when the editor closes. Several checksums are asked one by one, each
// question naming its checksum.
void itemChecksums(EditorContext& context, const Definition& def, bool closing) {
    Prompt& prompt = context.services.prompt;
    AppState& state = context.services.state;
    if (def.checksums.empty()) {
        if (!closing) prompt.message(QString::fromLatin1(kNoChecksumText));
        return;
    }
    const ImageBytes image = imageBytes(state);
    QStringList unsupported;
    for (size_t n = 0; n < def.checksums.size(); ++n) {
        const ChecksumRegion& region = def.checksums[n];
        const QString name = region.title.trimmed().isEmpty() ? QStringLiteral("Checksum %1").arg(n + 1)
                                                              : region.title.trimmed();
        const QString prefix = def.checksums.size() > 1 ? name + QStringLiteral(": ") : QString();
        if (!region.supported()) {
            unsupported << QStringLiteral("%1: method %2%3 is %4")
                               .arg(name)
                               .arg(region.method)
                               .arg(region.plugin.isEmpty()
                                        ? QString()
                                        : QStringLiteral(" (plug-in %1)").arg(region.plugin),
                                    region.unsupportedReason);
            continue;
        }
        const ElementLayout layout{std::clamp(region.sizeBits / 8, 1, 8), false, ByteOrder::MsbFirst};
        const auto sum = checksumOf(region, image);
        const auto was = readElement(image, region.store, layout);
        if (!sum || !was) {
            if (!closing)
                prompt.message(prefix + QStringLiteral("the bytes %1..%2 or the stored sum at %3 lie outside "
                                                       "the bytes Save writes back.")
                                            .arg(addressText(region.start), addressText(region.end),
                                                 addressText(region.store)),
                               Prompt::Icon::Critical);
            continue;
        }
        const QString computed = checksumText(*sum, layout.bytes), stored = checksumText(*was, layout.bytes);
        if (closing && stored == computed) continue;
        const QString question = closing ? QStringLiteral("Checksum has changed from ") + stored +
                                               QStringLiteral(" to ") + computed + QStringLiteral(" Update?")
                                         : QStringLiteral("Save Chksum = ") + computed;
        if (!prompt.askYesNo(prefix + question)) continue;
        const std::vector<quint8> bytes = checksumBytes(region, *sum);
        if (recordEdit(context.vars.History, state, {{int(region.store), int(bytes.size())}}, [&] {
                for (size_t k = 0; k < bytes.size(); ++k)
                    StoreByte(state, int(region.store + qint64(k)), bytes[k]);
            }))
            context.vars.IsSaved = false;
    }
    if (!closing && !unsupported.isEmpty()) prompt.message(unsupported.join(QLatin1Char('\n')));
}

} // namespace

void cmdChkSum_Click(EditorContext& context) {
    if (const auto& def = context.services.state.definition) return itemChecksums(context, *def, false);
    const auto layout = layoutOrRefuse(context, false);
    if (!layout) return;
    const QString computed = computedChecksumText(context.services.state, *layout);
    if (context.services.prompt.askYesNo(QStringLiteral("Save Chksum = ") + computed))
        store(context, *layout, computed);
}

void checksumClosingCheck(EditorContext& context) {
    if (const auto& def = context.services.state.definition) return itemChecksums(context, *def, true);
    const auto layout = layoutOrRefuse(context, true);
    if (!layout) return;
    const AppState& state = context.services.state;
    const QString computed = computedChecksumText(state, *layout);
    const QString stored = storedChecksumText(state, *layout);
    if (stored == computed) return;
    if (context.services.prompt.askYesNo(QStringLiteral("Checksum has changed from ") + stored +
                                         QStringLiteral(" to ") + computed + QStringLiteral(" Update?")))
        store(context, *layout, computed);
}

} // namespace korvel
