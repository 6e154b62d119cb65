#pragma once

#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QByteArray>
#include <QDialog>
#include <QList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace korvel {

class CommTestPort;

// Exercises the emulator link by hand on a port, baud rate and delay of the user's
// choice: single write and read frames, a fill and a read-back of a range, a free
// command, an ALDL text, and character conversions. It never touches the image, the
// configured port number or the settings file.
//
// The outer size is fixed at 7215 x 6630 twips; the frames sit in a scroll area
// inside it, so the lower ones ("Send ALDL", "Conversion") are reached by scrolling.
//
// Every wait runs the event pump, so the window keeps painting. While a procedure
// runs, every input and button is disabled; a fill or a read can be stopped with
// "Stop" or Esc after the address in progress, and closing the window waits for the
// run to end.
class frmCommTest : public QDialog {
    Q_OBJECT
public:
    explicit frmCommTest(Services& services, QWidget* parent = nullptr);
    ~frmCommTest() override;

    // The window's outer size in twips; converted at the screen's resolution.
    static constexpr int kWidthTwips = 7215;
    static constexpr int kHeightTwips = 6630;

    // Reads the three configuration boxes, sets the caption, fills the two lists.
    void Form_Load();

    void cmdPort_Click();
    void cmdFill_Click();
    void cmdRead_Click();
    void cmdStop_Click();
    void cmdPut_Click();
    void cmdGet_Click();
    void cmdCommand_Click();
    void cmdALDL_Click();
    void cmdText_Click();
    void cmdASCII_Click();
    void cmdQuit_Click();

    // The procedures behind the buttons. Port failures are reported here (critical
    // icon) and end the procedure; an empty result then means nothing was received.
    void FillEmulator(int size, const QByteArray& value, int port);
    void ReadEmulator(int size, const QByteArray& value, int port);
    QByteArray PutByte(quint8 high, quint8 low, const QByteArray& data, int port);
    QByteArray GetByte(quint8 high, quint8 low, int port);
    QByteArray SendCommand(const QByteArray& command, int port);
    QByteArray SendALDL(const QString& text, int port);

    bool isRunning() const { return m_running; }
    int mintPort() const { return m_mintPort; }
    double mdblBaud() const { return m_mdblBaud; }
    double mdblDelay() const { return m_mdblDelay; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    friend class CommTestRun;

    void buildControls();
    QGroupBox* frame(const char* name, const QString& caption);
    QLineEdit* textBox(const char* name, int widthChars, bool readOnly = false);
    QPushButton* button(const char* name, const QString& caption);
    QLabel* caption(const QString& text);
    QWidget* buildConfiguration();
    QWidget* buildPowerTest();
    QWidget* buildPutData();
    QWidget* buildGetData();
    QWidget* buildCommand(const char* frameName, const QString& frameCaption, const char* input,
                          const char* go, const char* result);
    QWidget* buildConversion();

    // Reads the three boxes into the window variables; false (nothing changed,
    // the box named in a message) when one of them holds no usable number.
    bool readConfiguration();
    void setCaption();
    // Shows the port's failure with the critical icon.
    void reportPortError(const CommTestPort& port);
    void showMessage(const QString& text, Prompt::Icon icon);
    // Runs before and after every procedure: see CommTestRun.
    void beginRun(bool stoppable);
    void endRun();
    // The result of a single-frame button: the reply, or "***" when it holds
    // nothing but spaces (the code and bit boxes are then emptied).
    void showReply(const QByteArray& reply, QLineEdit* result, QLineEdit* code, QLineEdit* bits);

    Services& m_services;
    int m_mintPort = 1;
    double m_mdblBaud = 115200;
    double m_mdblDelay = 0.3;
    // The device chosen in cmbDevice; empty: the port number's device.
    QString m_device;

    bool m_running = false;
    bool m_stopRequested = false;
    bool m_closeWhenStopped = false;
    bool m_closing = false;
    // Inputs and buttons disabled while a procedure runs.
    QList<QWidget*> m_inputs;

    QScrollArea* m_area = nullptr;
    QComboBox* m_cmbPort = nullptr;
    QComboBox* m_cmbBaud = nullptr;
    QComboBox* m_cmbDevice = nullptr;
    QLineEdit* m_txtDelay = nullptr;
    QLineEdit* m_txtValue = nullptr;
    QLineEdit* m_txtSize = nullptr;
    QLineEdit* m_txtFillResult = nullptr;
    QLabel* m_lblWhere = nullptr;
    QLineEdit* m_txtReadResult = nullptr;
    QLabel* m_lblReadWhere = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QLineEdit* m_txtPutHigh = nullptr;
    QLineEdit* m_txtPutLow = nullptr;
    QLineEdit* m_txtPutData = nullptr;
    QLineEdit* m_txtPutResult = nullptr;
    QLineEdit* m_txtPutAscii = nullptr;
    QLineEdit* m_txtPutBin = nullptr;
    QLineEdit* m_txtPutWant = nullptr;
    QLineEdit* m_txtGetHigh = nullptr;
    QLineEdit* m_txtGetLow = nullptr;
    QLineEdit* m_txtGetResult = nullptr;
    QLineEdit* m_txtGetAscii = nullptr;
    QLineEdit* m_txtGetBin = nullptr;
    QLineEdit* m_txtCommand = nullptr;
    QLineEdit* m_txtCommandResult = nullptr;
    QLineEdit* m_txtALDL = nullptr;
    QLineEdit* m_txtALDLResult = nullptr;
    QLineEdit* m_txtASC = nullptr;
    QLineEdit* m_txtConvert = nullptr;
    QLineEdit* m_txtASCII = nullptr;
    QLineEdit* m_txtHEX = nullptr;
    QLineEdit* m_txtBinary = nullptr;
};

} // namespace korvel
