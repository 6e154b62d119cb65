#pragma once

#include "widgets/services.h"

#include <QDialog>

namespace korvel {

// Exercises the emulator link by hand on a port, baud rate and delay of the user's choice.
class frmCommTest : public QDialog {
    Q_OBJECT
public:
    explicit frmCommTest(Services& services, QWidget* parent = nullptr);

private:
    Services& m_services;
};

} // namespace korvel
