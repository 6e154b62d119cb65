#pragma once

#include "widgets/services.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QLabel;

namespace korvel {

// The start window: the two file paths, their browse buttons, and the buttons that
// open the editor, the hex viewer and the comm test window (each modally).
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(Services& services, QWidget* parent = nullptr);

    void cmdBIN_Click();
    void cmdECU_Click();
    void cmdECU_Edit_Click();
    void cmdView_Click();
    void Command1_Click();
    // Opens the dialog that chooses the device of each port number.
    void cmdPorts_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Target { Editor, Viewer };
    // The checks shared by "&Edit File" and "&View", then the opening of the window.
    void openWindow(Target target);
    bool m_opening = false; // a window is being opened (or is open) from here
    void browse(QLineEdit* box, const QString& title, const QString& pattern);

    Services& m_services;
    QLineEdit* m_txtBIN;
    QLineEdit* m_txtECU;
};

} // namespace korvel
