#pragma once

#include "widgets/opening_result.h"
#include "widgets/services.h"

#include <QDialog>

namespace korvel {

// The stand-alone hex viewer: a run of the image's bytes as a line graph.
class frmView : public QDialog {
    Q_OBJECT
public:
    explicit frmView(Services& services, QWidget* parent = nullptr);
    // Reads both files; the caller shows the window only when it opened.
    OpeningResult Form_Load();

private:
    Services& m_services;
};

} // namespace korvel
