#include "frm_ports.h"

#include "core/app_state.h"
#include "core/settings_file.h"
#include "emulator/get_version.h"
#include "emulator/serial_port.h"
#include "emulator/transfer_observer.h"
#include "widgets/device_combo.h"
#include "widgets/named_controls.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvel {

namespace {

QString deviceKey(int n) {
    return QStringLiteral("Port %1 Device").arg(n);
}

// Keeps the identification's message for the result label instead of a message box.
class KeepMessage : public TransferObserver {
public:
    void setWhat(const QString&) override {}
    void setWhere(const QString&) override {}
    void progress(qint64, qint64) override {}
    void message(const QString& text, Icon) override { last = text; }
    void showClose() override {}
    QString last;
};

void showResult(QLabel* label, const QString& text) {
    label->setText(text);
    label->setToolTip(text);
}

} // namespace

frmPorts::frmPorts(Services& services, std::vector<SerialDeviceInfo> devices, QWidget* parent)
    : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("frmPorts"));
    setWindowTitle(QStringLiteral("Port"));

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("lstDevices"));
    list->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Description"), QStringLiteral("USB")});
    list->setRootIsDecorated(false);
    for (const SerialDeviceInfo& d : devices)
        list->addTopLevelItem(new QTreeWidgetItem({d.device, d.description, d.usbIds}));
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (devices.empty())
        list->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("(no serial device found)")}));

    m_inUse = new QButtonGroup(this);
    m_storedPort = portNumberFromSetting(services.settings.ReadSetting(QStringLiteral("Port")));
    // A result takes at most two lines of a fixed width (the whole text is its tool tip), so
    // the dialog keeps its size whatever a test reports.
    const QFontMetrics metrics = fontMetrics();
    const QSize resultSize(
        metrics.horizontalAdvance(QStringLiteral("Cannot open /dev/ttyUSB0: no such device")),
        2 * metrics.lineSpacing());
    auto* grid = new QGridLayout;
    for (int n = 1; n <= kPorts; ++n) {
        const size_t i = static_cast<size_t>(n - 1);
        m_stored[i] = services.settings.ReadSetting(deviceKey(n));
        auto* combo = m_devices[i] =
            deviceCombo(this, QStringLiteral("cmbDevice%1").arg(n), devices, m_stored[i]);
        combo->lineEdit()->setPlaceholderText(deviceForPort(n, nullptr));
        auto* use = new QRadioButton(QStringLiteral("Use"), this);
        use->setObjectName(QStringLiteral("optPort%1").arg(n));
        use->setChecked(n == m_storedPort);
        m_inUse->addButton(use, n);
        auto* test =
            namedButton(this, qPrintable(QStringLiteral("cmdTest%1").arg(n)), QStringLiteral("Test"));
        test->setAutoDefault(false);
        connect(test, &QPushButton::clicked, this, [this, n] { cmdTest_Click(n); });
        QLabel* result = m_results[i] = namedLabel(this, QStringLiteral("lblTest%1").arg(n));
        result->setWordWrap(true);
        result->setFixedSize(resultSize);
        // A result belongs to the device tested: another device has none yet.
        connect(combo, &QComboBox::editTextChanged, result, [result] { showResult(result, {}); });
        grid->addWidget(use, n - 1, 0);
        grid->addWidget(new QLabel(QStringLiteral("Port %1").arg(n), this), n - 1, 1);
        grid->addWidget(combo, n - 1, 2);
        grid->addWidget(test, n - 1, 3);
        grid->addWidget(result, n - 1, 4);
    }
    grid->setColumnStretch(2, 1);

    auto* ok = namedButton(this, "cmdOK", QStringLiteral("OK"));
    auto* cancel = namedButton(this, "cmdCancel", QStringLiteral("Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &frmPorts::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list, 1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

QString frmPorts::deviceFor(int n) const {
    const QString chosen = m_devices[static_cast<size_t>(n - 1)]->currentText().trimmed();
    return chosen.isEmpty() ? deviceForPort(n, nullptr) : chosen;
}

int frmPorts::portInUse() const {
    return m_inUse->checkedId() > 0 ? m_inUse->checkedId() : m_storedPort;
}

void frmPorts::cmdTest_Click(int n) {
    QLabel* result = m_results[static_cast<size_t>(n - 1)];
    showResult(result, QStringLiteral("Testing…"));
    result->repaint();
    // The identification sets EmulatorFound: keep the run's own value.
    AppState& state = m_services.state;
    const bool found = state.EmulatorFound;
    KeepMessage observer;
    QString reason;
    GetVersion(deviceFor(n), state, m_services.ports, m_services.ticker, observer, &reason);
    const bool answered = state.EmulatorFound;
    state.EmulatorFound = found;
    if (!reason.isEmpty())
        showResult(result, reason);
    else
        showResult(result,
                   answered ? QStringLiteral("Emulator found") : QStringLiteral("No emulator answered"));
    if (answered) m_inUse->button(n)->setChecked(true);
}

void frmPorts::cmdOK_Click() {
    for (int n = 1; n <= kPorts; ++n) {
        const size_t i = static_cast<size_t>(n - 1);
        const QString chosen = m_devices[i]->currentText().trimmed();
        if (chosen != m_stored[i]) m_services.settings.WriteSetting(deviceKey(n), chosen);
    }
    if (portInUse() != m_storedPort)
        m_services.settings.WriteSetting(QStringLiteral("Port"), QString::number(portInUse()));
    accept();
}

} // namespace korvel
