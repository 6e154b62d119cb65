#include "frm_comm_test.h"

#include "comm_test_inputs.h"
#include "comm_test_port.h"
#include "core/bin_image.h"
#include "emulator/emulator_link.h"
#include "emulator/frames.h"
#include "widgets/busy_pointer.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

namespace korvel {

namespace {

const QByteArray kCr(1, kCarriageReturn);
// After the last ALDL pair the emulator is given this long to answer, in seconds.
constexpr double kAldlAnswerWait = 1.5;

QByteArray byte(quint8 b) {
    return QByteArray(1, static_cast<char>(b));
}
QByteArray highByte(int address) {
    return byte(static_cast<quint8>((address >> 8) & 0xFF));
}
QByteArray lowByte(int address) {
    return byte(static_cast<quint8>(address & 0xFF));
}

void setAndRepaint(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->repaint();
}

void setAndRepaint(QLabel* label, const QString& text) {
    label->setText(text);
    label->repaint();
}

} // namespace

// One procedure's run: inputs disabled, busy pointer, and everything put back when
// the procedure ends, however it ends.
class CommTestRun {
public:
    CommTestRun(frmCommTest& window, bool stoppable) : m_window(window) { m_window.beginRun(stoppable); }
    ~CommTestRun() { m_window.endRun(); }
    CommTestRun(const CommTestRun&) = delete;
    CommTestRun& operator=(const CommTestRun&) = delete;

private:
    frmCommTest& m_window;
};

frmCommTest::frmCommTest(Services& services, QWidget* parent) : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmCommTest"));
    setModal(true);
    buildControls();
    Form_Load();
}

frmCommTest::~frmCommTest() = default;

void frmCommTest::Form_Load() {
    readConfiguration();
    setCaption();
    if (m_cmbPort->count() > 0) return;
    // Filling a list must not replace what its box shows.
    const QString port = m_cmbPort->currentText();
    const QString baud = m_cmbBaud->currentText();
    m_cmbPort->addItems({"1", "2", "3", "4"});
    m_cmbBaud->addItems({"75", "110", "134", "150", "300", "600", "1200", "1800", "2400", "4800", "7200",
                         "9600", "14400", "19200", "38400", "57600", "115200"});
    m_cmbPort->setCurrentIndex(m_cmbPort->findText(port));
    m_cmbPort->setEditText(port);
    m_cmbBaud->setCurrentIndex(m_cmbBaud->findText(baud));
    m_cmbBaud->setEditText(baud);
}

bool frmCommTest::readConfiguration() {
    const std::optional<int> port = parseCommPort(m_cmbPort->currentText());
    const std::optional<double> baud = parseCommBaud(m_cmbBaud->currentText());
    const std::optional<double> delay = parseCommDelay(m_txtDelay->text());
    if (!port) {
        showMessage(QStringLiteral("The Port box needs a port number from %1 to %2.")
                        .arg(kCommTestLowestPort)
                        .arg(kCommTestHighestPort),
                    Prompt::Icon::Information);
        return false;
    }
    if (!baud) {
        showMessage(QStringLiteral("The Baud box needs a whole number of bits per second."),
                    Prompt::Icon::Information);
        return false;
    }
    if (!delay) {
        showMessage(QStringLiteral("The Delay box needs a number of seconds from 0 to %1.")
                        .arg(kCommTestLongestDelay),
                    Prompt::Icon::Information);
        return false;
    }
    m_mintPort = *port;
    m_mdblBaud = *baud;
    m_mdblDelay = *delay;
    m_device = m_cmbDevice->currentText().trimmed();
    return true;
}

void frmCommTest::setCaption() {
    setWindowTitle(commTestCaption(m_txtDelay->text(), m_mintPort, m_mdblBaud));
}

void frmCommTest::showMessage(const QString& text, Prompt::Icon icon) {
    // A message box under the busy pointer would look as if it were still working.
    setDefaultPointer();
    m_services.prompt.message(text, icon);
    if (m_running) setBusyPointer();
}

void frmCommTest::reportPortError(const CommTestPort& port) {
    showMessage(port.errorString(), Prompt::Icon::Critical);
}

void frmCommTest::beginRun(bool stoppable) {
    m_running = true;
    m_stopRequested = false;
    for (QWidget* w : std::as_const(m_inputs))
        w->setEnabled(false);
    m_cmdStop->setEnabled(stoppable);
    setBusyPointer();
}

void frmCommTest::endRun() {
    setDefaultPointer();
    for (QWidget* w : std::as_const(m_inputs))
        w->setEnabled(true);
    m_cmdStop->setEnabled(false);
    m_running = false;
    m_stopRequested = false;
    if (m_closeWhenStopped) {
        m_closeWhenStopped = false;
        close();
    }
}

// --- buttons ---------------------------------------------------------------------

void frmCommTest::cmdPort_Click() {
    if (m_running || !readConfiguration()) return;
    setCaption();
}

void frmCommTest::cmdFill_Click() {
    if (m_running) return;
    const std::optional<int> size = parseCommSize(m_txtSize->text());
    if (!size) {
        showMessage(QStringLiteral("The Size box needs a whole number of addresses from 0 to %1.")
                        .arg(kCommTestLargestSize),
                    Prompt::Icon::Information);
        return;
    }
    // An empty value would send frames without a data byte and take silence for an echo.
    if (m_txtValue->text().isEmpty()) {
        showMessage(QStringLiteral("The Value box needs the text to write."), Prompt::Icon::Information);
        return;
    }
    try {
        FillEmulator(*size, linkBytes(m_txtValue->text()), m_mintPort);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdRead_Click() {
    if (m_running) return;
    const std::optional<int> size = parseCommSize(m_txtSize->text());
    if (!size) {
        showMessage(QStringLiteral("The Size box needs a whole number of addresses from 0 to %1.")
                        .arg(kCommTestLargestSize),
                    Prompt::Icon::Information);
        return;
    }
    if (m_txtValue->text().isEmpty()) {
        showMessage(QStringLiteral("The Value box needs the text to expect."), Prompt::Icon::Information);
        return;
    }
    try {
        ReadEmulator(*size, linkBytes(m_txtValue->text()), m_mintPort);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdStop_Click() {
    if (m_running && m_cmdStop->isEnabled()) m_stopRequested = true;
}

void frmCommTest::cmdPut_Click() {
    if (m_running) return;
    const std::optional<quint8> high = parseHexByte(m_txtPutHigh->text());
    const std::optional<quint8> low = parseHexByte(m_txtPutLow->text());
    if (!high || !low) {
        showMessage(QStringLiteral("The %1 box of Put Data needs a hexadecimal byte from 00 to FF.")
                        .arg(high ? QStringLiteral("Low Byte") : QStringLiteral("High Byte")),
                    Prompt::Icon::Information);
        return;
    }
    try {
        CommTestRun run(*this, false);
        m_txtPutResult->clear();
        m_txtPutAscii->clear();
        m_txtPutBin->clear();
        const std::optional<FirstCharacter> wanted = firstCharacter(m_txtPutData->text());
        m_txtPutWant->setText(wanted ? ByteToBits(wanted->code) : QString());
        m_txtPutResult->repaint();
        const QByteArray reply = PutByte(*high, *low, linkBytes(m_txtPutData->text()), m_mintPort);
        showReply(reply, m_txtPutResult, m_txtPutAscii, m_txtPutBin);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdGet_Click() {
    if (m_running) return;
    const std::optional<quint8> high = parseHexByte(m_txtGetHigh->text());
    const std::optional<quint8> low = parseHexByte(m_txtGetLow->text());
    if (!high || !low) {
        showMessage(QStringLiteral("The %1 box of Get Data needs a hexadecimal byte from 00 to FF.")
                        .arg(high ? QStringLiteral("Low Byte") : QStringLiteral("High Byte")),
                    Prompt::Icon::Information);
        return;
    }
    try {
        CommTestRun run(*this, false);
        m_txtGetResult->clear();
        m_txtGetAscii->clear();
        m_txtGetBin->clear();
        m_txtGetResult->repaint();
        const QByteArray reply = GetByte(*high, *low, m_mintPort);
        showReply(reply, m_txtGetResult, m_txtGetAscii, m_txtGetBin);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdCommand_Click() {
    if (m_running) return;
    try {
        CommTestRun run(*this, false);
        setAndRepaint(m_txtCommandResult, QString());
        const QByteArray reply = SendCommand(linkBytes(m_txtCommand->text()), m_mintPort);
        showReply(reply, m_txtCommandResult, nullptr, nullptr);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdALDL_Click() {
    if (m_running) return;
    try {
        CommTestRun run(*this, false);
        setAndRepaint(m_txtALDLResult, QString());
        const QByteArray reply = SendALDL(m_txtALDL->text(), m_mintPort);
        showReply(reply, m_txtALDLResult, nullptr, nullptr);
    } catch (const std::exception& e) {
        showMessage(QString::fromLocal8Bit(e.what()), Prompt::Icon::Critical);
    }
}

void frmCommTest::cmdText_Click() {
    if (const std::optional<QString> c = characterForCode(m_txtASC->text())) m_txtConvert->setText(*c);
}

void frmCommTest::cmdASCII_Click() {
    const std::optional<FirstCharacter> first = firstCharacter(m_txtConvert->text());
    if (!first) {
        m_txtBinary->clear();
        m_txtHEX->clear();
        m_txtASCII->clear();
        return;
    }
    m_txtConvert->setText(first->character);
    m_txtASCII->setText(QString::number(first->code));
    m_txtHEX->setText(hexWithoutPadding(first->code));
    m_txtBinary->setText(ByteToBits(first->code));
}

void frmCommTest::cmdQuit_Click() {
    close();
}

void frmCommTest::showReply(const QByteArray& reply, QLineEdit* result, QLineEdit* code, QLineEdit* bits) {
    const QString text = linkText(reply);
    if (trimSpaces(text).isEmpty()) {
        result->setText(QStringLiteral("***"));
        if (code) code->clear();
        if (bits) bits->clear();
        return;
    }
    result->setText(text);
    const int first = static_cast<unsigned char>(reply.at(0));
    if (code) code->setText(QString::number(first));
    if (bits) bits->setText(ByteToBits(first));
}

// --- closing -----------------------------------------------------------------------

void frmCommTest::closeEvent(QCloseEvent* event) {
    if (m_running) {
        // The procedure on the stack still holds the port: let it finish its address,
        // then close.
        m_stopRequested = true;
        m_closeWhenStopped = true;
        event->ignore();
        return;
    }
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void frmCommTest::reject() {
    // Esc stops a fill or a read; otherwise the window closes through Quit or its
    // close box only.
    cmdStop_Click();
}

// --- procedures --------------------------------------------------------------------

void frmCommTest::FillEmulator(int size, const QByteArray& value, int port) {
    CommTestRun run(*this, true);
    setAndRepaint(m_txtFillResult, QString());
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return;
    }
    auto exchange = [&](int address) {
        link.send({QByteArrayLiteral("W"), highByte(address), lowByte(address), value, kCr});
        link.wait(m_mdblDelay);
        return link.readAll();
    };
    int resends = 0;
    int previous = 0; // re-sends of the address before
    for (int a = 0; a < size; ++a) {
        resends += previous;
        setAndRepaint(m_lblWhere, addressBits(a));
        setAndRepaint(m_txtFillResult, QString::number(resends));
        QByteArray reply = exchange(a);
        int r = 0;
        while (!link.failed() && reply != value && r < EmulatorLink::kMaxResends) {
            link.settle(); // every echo of a fill is the same byte: a late one would pass for this one's
            reply = exchange(a);
            ++r;
        }
        if (link.failed()) {
            link.close();
            reportPortError(link);
            return;
        }
        if (reply != value) {
            link.close();
            showMessage(QStringLiteral("Error writing to Ram at Address ") + QString::number(a),
                        Prompt::Icon::Critical);
            setAndRepaint(m_lblWhere, QString());
            return;
        }
        previous = r;
        if (m_stopRequested) break;
    }
    resends += previous;
    setAndRepaint(m_txtFillResult, QString::number(resends));
}

void frmCommTest::ReadEmulator(int size, const QByteArray& value, int port) {
    CommTestRun run(*this, true);
    setAndRepaint(m_txtReadResult, QString());
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return;
    }
    int mismatches = 0;
    int previous = 0; // 1 when the address before did not hold the value
    for (int a = 0; a < size; ++a) {
        mismatches += previous;
        setAndRepaint(m_lblReadWhere, addressBits(a));
        setAndRepaint(m_txtReadResult, QString::number(mismatches));
        link.send({QByteArrayLiteral("R"), highByte(a), lowByte(a), kCr, kCr});
        link.wait(m_mdblDelay);
        const QByteArray reply = link.readAll();
        if (link.failed()) {
            link.close();
            reportPortError(link);
            return;
        }
        previous = reply != value ? 1 : 0;
        if (previous) link.settle();
        if (m_stopRequested) break;
    }
    mismatches += previous;
    setAndRepaint(m_txtReadResult, QString::number(mismatches));
}

QByteArray frmCommTest::PutByte(quint8 high, quint8 low, const QByteArray& data, int port) {
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return {};
    }
    link.send({QByteArrayLiteral("W"), byte(high), byte(low), data, kCr});
    link.wait(m_mdblDelay);
    const QByteArray reply = link.readAll();
    link.close();
    if (link.failed()) reportPortError(link);
    return reply;
}

QByteArray frmCommTest::GetByte(quint8 high, quint8 low, int port) {
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return {};
    }
    link.send({QByteArrayLiteral("R"), byte(high), byte(low), kCr, kCr});
    link.wait(m_mdblDelay);
    const QByteArray reply = link.readAll();
    link.close();
    if (link.failed()) reportPortError(link);
    return reply;
}

QByteArray frmCommTest::SendCommand(const QByteArray& command, int port) {
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return {};
    }
    const char* end = kCustomTerminator;
    link.send({command, byte(end[0]), byte(end[1]), byte(end[2]), byte(end[3])});
    link.wait(m_mdblDelay);
    const QByteArray reply = link.readAll();
    link.close();
    if (link.failed()) reportPortError(link);
    return reply;
}

QByteArray frmCommTest::SendALDL(const QString& text, int port) {
    CommTestPort link(m_services, port, m_mdblBaud, m_device);
    if (!link.open()) {
        reportPortError(link);
        return {};
    }
    link.send({QByteArrayLiteral("A"), kCr, kCr, kCr, kCr});
    link.wait(m_mdblDelay);
    // The surrounding spaces go once, then every character goes out, two at a time,
    // inner spaces included.
    const QByteArray bytes = linkBytes(trimSpaces(text));
    for (qsizetype k = 0; k < bytes.size() && !link.failed(); k += 2) {
        link.send({bytes.mid(k, 2)});
        link.wait(m_mdblDelay);
    }
    link.wait(kAldlAnswerWait);
    const QByteArray reply = link.readAll();
    link.close();
    if (link.failed()) reportPortError(link);
    return reply;
}

} // namespace korvel
