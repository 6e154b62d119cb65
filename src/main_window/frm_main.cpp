#include "frm_main.h"

#include "comm_test/frm_comm_test.h"
#include "core/app_state.h"
#include "core/definition_reader.h"
#include "core/settings_file.h"
#include "core/version.h"
#include "editor/frm_editor.h"
#include "emulator/serial_devices.h"
#include "main_window/frm_ports.h"
#include "main_window/logo.h"
#include "viewer/frm_view.h"
#include "widgets/busy_pointer.h"
#include "widgets/named_controls.h"
#include "widgets/opening_result.h"
#include "widgets/prompt.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace korvel {

namespace {

// True when the file exists and opens for reading.
bool canRead(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}

// The format a definition's content shows (an .ecu file when it cannot be read).
DefinitionFormat definitionFormat(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? detectDefinitionFormat(f.readAll()) : DefinitionFormat::Ecu;
}

} // namespace

frmMain::frmMain(Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvel Version ") + versionText());

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(korvelLogo(96));

    m_txtBIN = new QLineEdit(this);
    m_txtBIN->setObjectName(QStringLiteral("txtBIN"));
    m_txtECU = new QLineEdit(this);
    m_txtECU->setObjectName(QStringLiteral("txtECU"));
    m_txtBIN->setMinimumWidth(380);

    auto* cmdBIN = namedButton(this, "cmdBIN", QStringLiteral("Select BIN File"));
    auto* cmdECU = namedButton(this, "cmdECU", QStringLiteral("Select ECU File"));
    auto* cmdEdit = namedButton(this, "cmdECU_Edit", QStringLiteral("&Edit File"));
    auto* cmdView = namedButton(this, "cmdView", QStringLiteral("&View"));
    auto* command1 = namedButton(this, "Command1", QStringLiteral("&Test Comms"));
    auto* cmdPorts = namedButton(this, "cmdPorts", QStringLiteral("Port…"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(logo, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(m_txtBIN, 0, 1);
    grid->addWidget(cmdBIN, 0, 2);
    grid->addWidget(m_txtECU, 1, 1);
    grid->addWidget(cmdECU, 1, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(cmdEdit);
    row->addWidget(cmdView);
    row->addWidget(command1);
    row->addWidget(cmdPorts);
    row->addStretch();
    grid->addLayout(row, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(cmdBIN, &QPushButton::clicked, this, &frmMain::cmdBIN_Click);
    connect(cmdECU, &QPushButton::clicked, this, &frmMain::cmdECU_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmMain::cmdECU_Edit_Click);
    connect(cmdView, &QPushButton::clicked, this, &frmMain::cmdView_Click);
    connect(command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(cmdPorts, &QPushButton::clicked, this, &frmMain::cmdPorts_Click);

    m_txtBIN->setText(m_services.settings.ReadSetting(QStringLiteral("BIN Location")));
    m_txtECU->setText(m_services.settings.ReadSetting(QStringLiteral("ECU Location")));
}

void frmMain::closeEvent(QCloseEvent* event) {
    m_services.settings.WriteSetting(QStringLiteral("BIN Location"), m_txtBIN->text());
    m_services.settings.WriteSetting(QStringLiteral("ECU Location"), m_txtECU->text());
    event->accept();
}

void frmMain::browse(QLineEdit* box, const QString& title, const QString& pattern) {
    // The dialog opens in the folder of the current path (up to its last separator).
    const QString text = box->text();
    const qsizetype cut = std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    const QString folder = cut < 0 ? QString() : text.left(cut + 1);
    const QString chosen = m_services.prompt.openFile(title, folder, pattern);
    if (!chosen.isEmpty() && !chosen.startsWith(QLatin1Char('*'))) box->setText(chosen);
}

void frmMain::cmdBIN_Click() {
    browse(m_txtBIN, QStringLiteral("Select BIN File"), QStringLiteral("*.bin"));
}

void frmMain::cmdECU_Click() {
    browse(m_txtECU, QStringLiteral("Select ECU File"),
           QStringLiteral("Definitions (*.ecu *.xdf);;ECU Files (*.ecu);;XDF Files (*.xdf);;All Files (*)"));
}

void frmMain::cmdECU_Edit_Click() {
    openWindow(Target::Editor);
}

void frmMain::cmdView_Click() {
    openWindow(Target::Viewer);
}

void frmMain::Command1_Click() {
    frmCommTest window(m_services, this);
    window.exec();
}

void frmMain::cmdPorts_Click() {
    frmPorts window(m_services, availableSerialDevices(), this);
    window.exec();
}

void frmMain::openWindow(Target target) {
    // Opening a window waits for the emulator with the event loop running: a second click
    // (a double-click on the button) must not start a second opening meanwhile.
    if (m_opening) return;
    m_opening = true;
    const auto reopen = qScopeGuard([this] { m_opening = false; });
    Prompt& prompt = m_services.prompt;
    const QString bin = m_txtBIN->text();
    const QString ecu = m_txtECU->text();
    if (bin.isEmpty() || ecu.isEmpty()) {
        prompt.message(QStringLiteral("A BIN File, and An ECU File are required"));
        return;
    }
    if (!canRead(bin)) {
        prompt.message(QStringLiteral("BIN File") + QStringLiteral(" Not Found"));
        return;
    }
    if (!canRead(ecu)) {
        prompt.message(QStringLiteral("ECU File") + QStringLiteral(" Not Found"));
        return;
    }
    // A locked definition is refused before any reader could take it for another kind; an
    // XDF one is told by its content, whatever its name ends in.
    const DefinitionFormat format = definitionFormat(ecu);
    if (format == DefinitionFormat::Locked) {
        prompt.message(QString::fromLatin1(kLockedDefinitionText).replace(0, 3, QFileInfo(ecu).fileName()),
                       Prompt::Icon::Critical);
        return;
    }
    if (format == DefinitionFormat::Ecu && !ecu.right(4).toUpper().endsWith(QLatin1String(".ECU"))) {
        prompt.message(QStringLiteral("ECU file is not correct."));
        return;
    }
    setBusyPointer();
    AppState& state = m_services.state;
    state.BinPath = bin;
    state.EcuPath = ecu;
    m_services.settings.WriteSetting(QStringLiteral("BIN Location"), bin);
    m_services.settings.WriteSetting(QStringLiteral("ECU Location"), ecu);

    // The opened window loads before it is shown; an error that stops its loading
    // comes back here and is reported with the boxes left as they are.
    OpeningResult result;
    if (target == Target::Editor) {
        frmEditor editor(m_services, this);
        result = editor.Form_Load();
        if (result.outcome == OpeningResult::Outcome::Opened) editor.exec();
        m_txtBIN->setText(state.BinPath); // the file saved as, when the editor saved as another
    } else {
        frmView viewer(m_services, this);
        result = viewer.Form_Load();
        if (result.outcome == OpeningResult::Outcome::Opened) viewer.exec();
    }
    setDefaultPointer();
    if (result.outcome == OpeningResult::Outcome::Failed) prompt.message(result.error);
}

} // namespace korvel
