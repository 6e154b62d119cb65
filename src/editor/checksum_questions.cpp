#include "checksum_questions.h"

#include "core/app_state.h"
#include "core/checksum.h"
#include "editor/editor_context.h"
#include "widgets/prompt.h"

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

} // namespace

void cmdChkSum_Click(EditorContext& context) {
    const auto layout = layoutOrRefuse(context, false);
    if (!layout) return;
    const QString computed = computedChecksumText(context.services.state, *layout);
    if (context.services.prompt.askYesNo(QStringLiteral("Save Chksum = ") + computed))
        store(context, *layout, computed);
}

void checksumClosingCheck(EditorContext& context) {
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
