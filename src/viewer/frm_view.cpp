#include "frm_view.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "widgets/busy_pointer.h"
#include "widgets/prompt.h"

namespace korvel {

frmView::frmView(Services& services, QWidget* parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmView"));
}

OpeningResult frmView::Form_Load() {
    if (Status s = ReadBinFile(m_services.state); !s) return {OpeningResult::Outcome::Failed, s.error()};
    const EcuReadResult ecu = ReadEcuFile(m_services.state);
    if (ecu.outcome == EcuReadResult::Outcome::HeaderError) return {OpeningResult::Outcome::Failed, ecu.message};
    if (ecu.outcome == EcuReadResult::Outcome::IncorrectFormat) {
        setDefaultPointer();
        m_services.prompt.message(ecu.message, Prompt::Icon::Critical);
        return {OpeningResult::Outcome::ClosedItself, {}};
    }
    setDefaultPointer();
    return {};
}

} // namespace korvel
