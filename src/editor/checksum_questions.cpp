#include "checksum_questions.h"

#include "core/app_state.h"
#include "core/checksum.h"
#include "editor/editor_context.h"
#include "widgets/prompt.h"

namespace korvel {

namespace {

// The layout, or nothing after the refusal was shown.
std::optional<ChecksumLayout> layoutOrRefuse(EditorContext& context) {
    ChecksumLayoutResult r = checksumLayout(context.services.state);
    if (!r.layout) context.services.prompt.message(r.refusal, Prompt::Icon::Critical);
    return r.layout;
}

void store(EditorContext& context, const ChecksumLayout& layout, const QString& text) {
    if (storeChecksum(context.services.state, layout, text)) context.vars.IsSaved = false;
}

} // namespace

void cmdChkSum_Click(EditorContext& context) {
    const auto layout = layoutOrRefuse(context);
    if (!layout) return;
    const QString computed = computedChecksumText(context.services.state, *layout);
    if (context.services.prompt.askYesNo(QStringLiteral("Save Chksum = ") + computed))
        store(context, *layout, computed);
}

void checksumClosingCheck(EditorContext& context) {
    const auto layout = layoutOrRefuse(context);
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
