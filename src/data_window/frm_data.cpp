#include "frm_data.h"

#include "core/aldl_log.h"
#include "core/settings_file.h"
#include "data_window/strip_chart.h"
#include "emulator/qt_serial_port.h"
#include "widgets/prompt.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace korvel {

namespace {

const QString kDeviceKey = QStringLiteral("ALDL Device");
const QString kAdxKey = QStringLiteral("ADX Location");
const QString kNoValue = QStringLiteral("–");

// A value beyond its low alarm shows on blue, beyond its high one on red, in white bold text.
void showAlarm(QTableWidgetItem* item, AdxAlarm alarm) {
    static const QColor low(25, 80, 200), high(200, 30, 30);
    if (alarm == AdxAlarm::None) {
        item->setBackground(QBrush());
        item->setForeground(QBrush());
    } else {
        item->setBackground(alarm == AdxAlarm::Low ? low : high);
        item->setForeground(Qt::white);
    }
    QFont font = item->font();
    font.setBold(alarm != AdxAlarm::None);
    item->setFont(font);
    item->setData(Qt::UserRole, int(alarm));
}

} // namespace

frmData::frmData(Services& services, std::vector<SerialDeviceInfo> devices, Wiring wiring, QWidget* parent)
    : QDialog(parent), m_services(services), m_wiring(std::move(wiring)) {
    if (!m_wiring.ports) {
        m_systemPorts = std::make_unique<QtSerialPortFactory>();
        m_wiring.ports = m_systemPorts.get();
    }
    buildControls(devices);
    // The definition of the last run opens again; one that no longer reads is left closed.
    const QString last = services.settings.ReadSetting(kAdxKey);
    QString error;
    if (!last.isEmpty() && QFileInfo::exists(last) && !loadAdx(last, error)) m_lblAdx->setToolTip(error);
    showState();
    showStatus();
}

frmData::~frmData() {
    m_log.close();
    delete m_session; // waits for the cycle under way
}

void frmData::cmdOpenAdx_Click() {
    const QString last = m_services.settings.ReadSetting(kAdxKey);
    const QString path =
        m_services.prompt.openFile(QStringLiteral("Open Data Stream Definition"),
                                   last.isEmpty() ? QString() : QFileInfo(last).absolutePath(),
                                   QStringLiteral("ADX Files (*.adx);;All Files (*)"));
    if (!path.isEmpty()) openAdx(path);
}

bool frmData::openAdx(const QString& path) {
    if (m_session) return false;
    QString error;
    if (!loadAdx(path, error)) {
        m_services.prompt.message(error, Prompt::Icon::Critical);
        return false;
    }
    m_services.settings.WriteSetting(kAdxKey, path);
    return true;
}

bool frmData::loadAdx(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    AdxReadResult r = readAdx(file.readAll());
    if (!r.ok()) {
        error = QStringLiteral("%1 is not a data stream definition that can be used.\n%2")
                    .arg(QFileInfo(path).fileName(), r.error);
        return false;
    }
    auto def = std::make_shared<const AdxDefinition>(std::move(*r.definition));
    m_chart->setDefinition(def.get()); // lets go of the old definition before it goes
    m_def = std::move(def);
    m_adxPath = path;
    m_lblAdx->setText(QFileInfo(path).fileName());
    m_lblAdx->setToolTip(path);
    setWindowTitle(QStringLiteral("Data - %1").arg(QFileInfo(path).fileName()));
    fillDashboard();
    m_goodTimes.clear();
    m_failed = 0;
    m_lastFailure.clear();
    m_everConnected = false;
    showState();
    showStatus();
    return true;
}

void frmData::cmdConnect_Click() {
    connectLine();
}

bool frmData::connectLine() {
    if (m_session) return true;
    if (!m_def) {
        m_services.prompt.message(QStringLiteral("Open a data stream definition (ADX) first."));
        return false;
    }
    const QString device = m_cmbDevice->currentText().trimmed();
    if (device.isEmpty()) {
        m_services.prompt.message(QStringLiteral("Choose the device of the ALDL line first."));
        return false;
    }
    if (device != m_services.settings.ReadSetting(kDeviceKey))
        m_services.settings.WriteSetting(kDeviceKey, device);
    restartChart();
    m_goodTimes.clear();
    m_failed = 0;
    m_lastFailure.clear();
    m_everConnected = true;
    m_stopping = false;
    m_session = new AldlSession(*m_def, device, *m_wiring.ports, m_wiring.ticker, this);
    connect(m_session, &AldlSession::frame, this, &frmData::takeFrame);
    connect(m_session, &AldlSession::ended, this, &frmData::lineEnded);
    m_session->start();
    showState();
    showStatus();
    return true;
}

void frmData::cmdStartLog_Click() {
    if (m_log.isOpen() || !m_def) return;
    const DataLog::Format format = m_wiring.logFormat ? m_wiring.logFormat : csvFormat();
    const QString folder =
        m_logPath.isEmpty() ? QFileInfo(m_adxPath).absolutePath() : QFileInfo(m_logPath).absolutePath();
    const QString path = m_services.prompt.saveFile(QStringLiteral("Log to CSV File"), folder,
                                                    QStringLiteral("CSV Files (*.csv);;All Files (*)"));
    if (path.isEmpty() || !connectLine()) return;
    m_logPath = path;
    if (!m_log.open(path, format)) m_services.prompt.message(m_log.error(), Prompt::Icon::Critical);
    showState();
}

void frmData::cmdStop_Click() {
    stopLog();
    if (m_session && !m_stopping) {
        m_stopping = true;
        m_session->stop();
    }
    showState();
    showStatus();
}

void frmData::reject() {
    cmdStop_Click();
    QDialog::reject();
}

void frmData::takeFrame(const AldlFrame& f) {
    if (f.ok) {
        m_goodTimes.push_back(f.seconds);
        showValues(f.decoded);
        m_chart->append(f.seconds, f.decoded);
        if (m_log.isOpen() && !m_log.write(f.seconds, f.decoded)) {
            m_lblLog->setText(QStringLiteral("Logging stopped after %1 rows").arg(m_log.rows()));
            showState();
            m_services.prompt.message(m_log.error(), Prompt::Icon::Critical);
        }
        emit cycleDecoded(f.decoded);
    } else {
        ++m_failed;
        m_lastFailure = f.reason;
    }
    while (!m_goodTimes.empty() && m_goodTimes.front() <= f.seconds - kRateWindow)
        m_goodTimes.pop_front();
    m_lastSeconds = f.seconds;
    showStatus();
}

void frmData::showValues(const AdxDecoded& d) {
    for (size_t k = 0; k < m_valueRow.size() && k < d.values.size(); ++k) {
        const AdxDecodedValue& v = d.values[k];
        QTableWidgetItem* item = m_tblValues->item(m_valueRow[k], Value);
        const QString text = v.valid ? v.text : kNoValue;
        if (item->text() != text) item->setText(text);
        if (item->data(Qt::UserRole).toInt() != int(v.alarm)) showAlarm(item, v.alarm);
    }
    for (size_t k = 0; k < m_bitmaskRow.size() && k < d.bitmasks.size(); ++k) {
        const AdxDecodedBitmask& b = d.bitmasks[k];
        const AdxBitmask& def = m_def->bitmasks[k];
        QTableWidgetItem* item = m_tblValues->item(m_bitmaskRow[k], Value);
        const QString text = !b.valid ? kNoValue : b.state ? def.trueText : def.falseText;
        if (item->text() != text) item->setText(text);
    }
}

void frmData::showStatus() {
    QString text;
    if (!m_def)
        text = QStringLiteral("Open a data stream definition (ADX) to begin.");
    else if (!m_everConnected)
        text = QStringLiteral("Not connected.");
    else {
        // The good frames' spacing, up to the last frame whatever it was: failures after the
        // last good one bring the rate down until it is 0.
        const double span = m_goodTimes.empty() ? 0 : m_lastSeconds - m_goodTimes.front();
        const double rate = span > 0 ? double(m_goodTimes.size() - 1) / span : 0;
        text = QStringLiteral("%1 frames/s   Failed frames: %2")
                   .arg(QString::number(m_session ? rate : 0, 'f', 1))
                   .arg(m_failed);
        if (m_failed > 0) text += QStringLiteral(" (last: %1)").arg(m_lastFailure);
        if (m_log.isOpen()) text += QStringLiteral("   Logged rows: %1").arg(m_log.rows());
        if (!m_session)
            text.prepend(QStringLiteral("Stopped.   "));
        else if (m_stopping)
            text.prepend(QStringLiteral("Stopping…   "));
    }
    m_lblStatus->setText(text);
    m_lblStatus->setToolTip(m_lastFailure);
}

void frmData::lineEnded(const QString& reason, bool opened) {
    m_session->deleteLater();
    m_session = nullptr;
    m_stopping = false;
    m_everConnected = m_everConnected && opened; // a port that never opened has no figures to show
    const QString logged = m_log.isOpen() ? m_log.path() : QString();
    stopLog();
    showState();
    showStatus();
    if (reason.isEmpty()) return;
    QString text = opened ? QStringLiteral("The ALDL line stopped: %1").arg(reason) : reason;
    if (!logged.isEmpty()) text += QStringLiteral("\nWhat was logged is kept in %1.").arg(logged);
    m_services.prompt.message(text, Prompt::Icon::Critical);
}

void frmData::stopLog() {
    if (!m_log.isOpen()) return;
    m_log.close();
    m_lblLog->setText(
        QStringLiteral("Logged %1 rows to %2").arg(m_log.rows()).arg(QFileInfo(m_log.path()).fileName()));
}

void frmData::showState() {
    const bool idle = !m_session;
    m_cmbDevice->setEnabled(idle);
    m_cmdOpenAdx->setEnabled(idle);
    m_cmdConnect->setEnabled(idle && m_def);
    m_cmdStartLog->setEnabled(m_def && !m_log.isOpen() && !m_stopping);
    m_cmdStop->setEnabled(!idle && !m_stopping);
    if (m_log.isOpen())
        m_lblLog->setText(QStringLiteral("Logging to %1").arg(QFileInfo(m_log.path()).fileName()));
    m_lblLog->setToolTip(m_log.path());
}

// The CSV rows are the core's AldlLogWriter's, made for the definition open now.
DataLog::Format frmData::csvFormat() const {
    const auto writer = std::make_shared<const AldlLogWriter>(*m_def);
    return {[writer] { return writer->heading(); },
            [writer](double seconds, const AdxDecoded& d) { return writer->row(seconds, d); }};
}

} // namespace korvel
