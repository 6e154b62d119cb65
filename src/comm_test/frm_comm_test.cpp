#include "frm_comm_test.h"

namespace korvel {

frmCommTest::frmCommTest(Services& services, QWidget* parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmCommTest"));
}

} // namespace korvel
