// The controls of frmCommTest and where they sit: frames stacked in a scroll area
// inside the fixed-size window, with Quit below it, always in view.

#include "frm_comm_test.h"

#include "emulator/serial_devices.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace korvel {

namespace {

QFont fixedPitch() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

// Pixels for a length in twips (1/1440 inch) at `dpi` dots per inch.
int twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

} // namespace

QGroupBox* frmCommTest::frame(const char* name, const QString& caption) {
    auto* box = new QGroupBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLineEdit* frmCommTest::textBox(const char* name, int widthChars, bool readOnly) {
    auto* box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(readOnly);
    if (widthChars > 0) {
        // Room for that many digits plus the frame and the text margins.
        const int digit = box->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        box->setFixedWidth(digit * widthChars + 12);
    }
    if (!readOnly) m_inputs << box;
    return box;
}

QPushButton* frmCommTest::button(const char* name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    // Enter in a text box must not click whichever button happens to be the default.
    b->setAutoDefault(false);
    // The many "Go" buttons only need room for their word: the window is narrow.
    if (text == QLatin1String("Go"))
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("Go")) + 32);
    m_inputs << b;
    return b;
}

QLabel* frmCommTest::caption(const QString& text) {
    return new QLabel(text);
}

void frmCommTest::buildControls() {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("fraContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(6, 6, 6, 6);
    column->addWidget(buildConfiguration());
    column->addWidget(buildPowerTest());
    column->addWidget(buildPutData());
    column->addWidget(buildGetData());
    column->addWidget(buildCommand("fraCommand", QStringLiteral("Custom Comand"), "txtCommand", "cmdCommand",
                                   "txtCommandResult"));
    column->addWidget(
        buildCommand("fraALDL", QStringLiteral("Send ALDL"), "txtALDL", "cmdALDL", "txtALDLResult"));
    column->addWidget(buildConversion());
    column->addStretch();

    m_area = new QScrollArea;
    m_area->setObjectName(QStringLiteral("areaFrames"));
    m_area->setWidget(content);
    m_area->setWidgetResizable(true);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* cmdQuit = button("cmdQuit", QStringLiteral("&Quit"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 6);
    outer->addWidget(m_area, 1);
    outer->addWidget(cmdQuit, 0, Qt::AlignHCenter);
    connect(cmdQuit, &QPushButton::clicked, this, &frmCommTest::cmdQuit_Click);

    // A fixed size: the window cannot be resized, so it never needs setting back.
    setFixedSize(twipsToPixels(kWidthTwips, logicalDpiX()), twipsToPixels(kHeightTwips, logicalDpiY()));
}

QWidget* frmCommTest::buildConfiguration() {
    QGroupBox* box = frame("fraConfiguration", QStringLiteral("Configuration"));
    m_cmbPort = new QComboBox;
    m_cmbPort->setObjectName(QStringLiteral("cmbPort"));
    m_cmbBaud = new QComboBox;
    m_cmbBaud->setObjectName(QStringLiteral("cmbBaud"));
    for (QComboBox* c : {m_cmbPort, m_cmbBaud}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        m_inputs << c;
    }
    m_cmbPort->setEditText(QStringLiteral("1"));
    m_cmbBaud->setEditText(QStringLiteral("115200"));
    m_txtDelay = textBox("txtDelay", 5);
    m_txtDelay->setText(QStringLiteral("0.3"));
    QPushButton* cmdPort = button("cmdPort", QStringLiteral("Set Port"));
    // The serial devices present; empty: the device configured for the port number.
    m_cmbDevice = new QComboBox;
    m_cmbDevice->setObjectName(QStringLiteral("cmbDevice"));
    m_cmbDevice->setEditable(true);
    m_cmbDevice->setInsertPolicy(QComboBox::NoInsert);
    m_cmbDevice->addItem(QString());
    for (const SerialDeviceInfo& d : availableSerialDevices())
        m_cmbDevice->addItem(d.label(), d.device);
    m_cmbDevice->setEditText(QString());
    connect(m_cmbDevice, &QComboBox::activated, this,
            [this](int index) { m_cmbDevice->setEditText(m_cmbDevice->itemData(index).toString()); });
    m_inputs << m_cmbDevice;

    auto* grid = new QGridLayout(box);
    grid->addWidget(caption(QStringLiteral("Port :")), 0, 0);
    grid->addWidget(m_cmbPort, 0, 1);
    grid->addWidget(caption(QStringLiteral("Baud :")), 0, 2);
    grid->addWidget(m_cmbBaud, 0, 3);
    grid->addWidget(caption(QStringLiteral("Delay :")), 1, 0);
    grid->addWidget(m_txtDelay, 1, 1);
    grid->addWidget(cmdPort, 1, 3, Qt::AlignRight);
    grid->addWidget(caption(QStringLiteral("Device :")), 2, 0);
    grid->addWidget(m_cmbDevice, 2, 1, 1, 3);
    grid->setColumnStretch(4, 1);
    connect(cmdPort, &QPushButton::clicked, this, &frmCommTest::cmdPort_Click);
    return box;
}

QWidget* frmCommTest::buildPowerTest() {
    QGroupBox* box = frame("fraPowerTest", QStringLiteral("Power Test"));
    m_txtValue = textBox("txtValue", 4);
    m_txtSize = textBox("txtSize", 6);
    m_cmdStop = new QPushButton(QStringLiteral("Stop"));
    m_cmdStop->setObjectName(QStringLiteral("cmdStop"));
    m_cmdStop->setAutoDefault(false);
    m_cmdStop->setEnabled(false);

    auto* inputs = new QHBoxLayout;
    inputs->addWidget(caption(QStringLiteral("Value")));
    inputs->addWidget(m_txtValue);
    inputs->addWidget(caption(QStringLiteral("Size")));
    inputs->addWidget(m_txtSize);
    inputs->addStretch();
    inputs->addWidget(m_cmdStop);

    // Fill and Read side by side, each with its Go button, error count and address.
    auto side = [this](const char* name, const QString& title, const char* go, const char* result,
                       QLineEdit*& resultBox, QLabel*& where, const char* whereName) {
        QGroupBox* f = frame(name, title);
        QPushButton* b = button(go, QStringLiteral("Go"));
        resultBox = textBox(result, 6, true);
        where = new QLabel(QStringLiteral("."));
        where->setObjectName(QLatin1String(whereName));
        where->setFont(fixedPitch());
        auto* g = new QGridLayout(f);
        g->addWidget(b, 0, 0);
        g->addWidget(caption(QStringLiteral("Errors")), 0, 1, Qt::AlignRight);
        g->addWidget(resultBox, 0, 2);
        g->addWidget(where, 1, 0, 1, 3);
        return std::pair{f, b};
    };
    auto [fill, cmdFill] = side("fraFill", QStringLiteral("Fill Emulator"), "cmdFill", "txtFillResult",
                                m_txtFillResult, m_lblWhere, "lblWhere");
    auto [read, cmdRead] = side("fraRead", QStringLiteral("Read Emulator"), "cmdRead", "txtReadResult",
                                m_txtReadResult, m_lblReadWhere, "lblReadWhere");
    auto* runs = new QHBoxLayout;
    runs->addWidget(fill);
    runs->addWidget(read);

    auto* v = new QVBoxLayout(box);
    v->addLayout(inputs);
    v->addLayout(runs);
    connect(cmdFill, &QPushButton::clicked, this, &frmCommTest::cmdFill_Click);
    connect(cmdRead, &QPushButton::clicked, this, &frmCommTest::cmdRead_Click);
    connect(m_cmdStop, &QPushButton::clicked, this, &frmCommTest::cmdStop_Click);
    return box;
}

QWidget* frmCommTest::buildPutData() {
    QGroupBox* box = frame("fraPut", QStringLiteral("Put Data"));
    m_txtPutHigh = textBox("txtPutHigh", 3);
    m_txtPutLow = textBox("txtPutLow", 3);
    m_txtPutData = textBox("txtPutData", 3);
    QPushButton* go = button("cmdPut", QStringLiteral("Go"));
    m_txtPutResult = textBox("txtPutResult", 6, true);
    m_txtPutAscii = textBox("txtPutAscii", 4, true);
    m_txtPutBin = textBox("txtPutBin", 10, true);
    m_txtPutWant = textBox("txtPutWant", 10, true);
    m_txtPutBin->setFont(fixedPitch());
    m_txtPutWant->setFont(fixedPitch());

    auto* grid = new QGridLayout(box);
    auto* in = new QHBoxLayout;
    in->addWidget(caption(QStringLiteral("High Byte")));
    in->addWidget(m_txtPutHigh);
    in->addWidget(caption(QStringLiteral("Low Byte")));
    in->addWidget(m_txtPutLow);
    in->addWidget(caption(QStringLiteral("Data Byte")));
    in->addWidget(m_txtPutData);
    in->addStretch();
    in->addWidget(go);
    auto* out = new QHBoxLayout;
    out->addWidget(caption(QStringLiteral("Result")));
    out->addWidget(m_txtPutResult);
    out->addWidget(m_txtPutAscii);
    out->addWidget(m_txtPutBin);
    out->addWidget(m_txtPutWant);
    out->addStretch();
    grid->addLayout(in, 0, 0);
    grid->addLayout(out, 1, 0);
    connect(go, &QPushButton::clicked, this, &frmCommTest::cmdPut_Click);
    return box;
}

QWidget* frmCommTest::buildGetData() {
    QGroupBox* box = frame("fraGet", QStringLiteral("Get Data"));
    m_txtGetHigh = textBox("txtGetHigh", 3);
    m_txtGetLow = textBox("txtGetLow", 3);
    QPushButton* go = button("cmdGet", QStringLiteral("Go"));
    m_txtGetResult = textBox("txtGetResult", 6, true);
    m_txtGetAscii = textBox("txtGetAscii", 4, true);
    m_txtGetBin = textBox("txtGetBin", 10, true);
    m_txtGetBin->setFont(fixedPitch());

    auto* grid = new QGridLayout(box);
    auto* in = new QHBoxLayout;
    in->addWidget(caption(QStringLiteral("High Byte")));
    in->addWidget(m_txtGetHigh);
    in->addWidget(caption(QStringLiteral("Low Byte")));
    in->addWidget(m_txtGetLow);
    in->addStretch();
    in->addWidget(go);
    auto* out = new QHBoxLayout;
    out->addWidget(caption(QStringLiteral("Result")));
    out->addWidget(m_txtGetResult);
    out->addWidget(m_txtGetAscii);
    out->addWidget(m_txtGetBin);
    out->addStretch();
    grid->addLayout(in, 0, 0);
    grid->addLayout(out, 1, 0);
    connect(go, &QPushButton::clicked, this, &frmCommTest::cmdGet_Click);
    return box;
}

QWidget* frmCommTest::buildCommand(const char* frameName, const QString& frameCaption, const char* input,
                                   const char* go, const char* result) {
    QGroupBox* box = frame(frameName, frameCaption);
    QLineEdit* in = textBox(input, 0);
    QPushButton* b = button(go, QStringLiteral("Go"));
    QLineEdit* out = textBox(result, 0, true);
    auto* grid = new QGridLayout(box);
    grid->addWidget(caption(QStringLiteral("Command")), 0, 0);
    grid->addWidget(in, 0, 1);
    grid->addWidget(b, 0, 2);
    grid->addWidget(caption(QStringLiteral("Result")), 1, 0);
    grid->addWidget(out, 1, 1, 1, 2);
    if (qstrcmp(go, "cmdCommand") == 0) {
        m_txtCommand = in;
        m_txtCommand->setText(QStringLiteral("V"));
        m_txtCommandResult = out;
        connect(b, &QPushButton::clicked, this, &frmCommTest::cmdCommand_Click);
    } else {
        m_txtALDL = in;
        m_txtALDLResult = out;
        connect(b, &QPushButton::clicked, this, &frmCommTest::cmdALDL_Click);
    }
    return box;
}

QWidget* frmCommTest::buildConversion() {
    QGroupBox* box = frame("fraConversion", QStringLiteral("Conversion"));
    QGroupBox* inner = frame("fraASCII", QStringLiteral("ASCII"));
    m_txtASC = textBox("txtASC", 4);
    m_txtConvert = textBox("txtConvert", 4);
    QPushButton* cmdText = button("cmdText", QStringLiteral("ASCII to Text"));
    QPushButton* cmdASCII = button("cmdASCII", QStringLiteral("Convert"));
    m_txtASCII = textBox("txtASCII", 4, true);
    m_txtHEX = textBox("txtHEX", 3, true);
    m_txtBinary = textBox("txtBinary", 10, true);
    m_txtBinary->setFont(fixedPitch());

    auto* grid = new QGridLayout(inner);
    grid->addWidget(m_txtASC, 0, 0);
    grid->addWidget(cmdText, 0, 1, 1, 2);
    grid->addWidget(m_txtConvert, 1, 0);
    grid->addWidget(cmdASCII, 1, 1, 1, 2);
    auto* codes = new QHBoxLayout;
    codes->addWidget(caption(QStringLiteral("ASCII")));
    codes->addWidget(m_txtASCII);
    codes->addWidget(caption(QStringLiteral("HEX")));
    codes->addWidget(m_txtHEX);
    codes->addWidget(caption(QStringLiteral("Binary")));
    codes->addWidget(m_txtBinary);
    codes->addStretch();
    grid->addLayout(codes, 2, 0, 1, 3);
    grid->setColumnStretch(3, 1);

    auto* v = new QVBoxLayout(box);
    v->addWidget(inner);
    connect(cmdText, &QPushButton::clicked, this, &frmCommTest::cmdText_Click);
    connect(cmdASCII, &QPushButton::clicked, this, &frmCommTest::cmdASCII_Click);
    return box;
}

} // namespace korvel
