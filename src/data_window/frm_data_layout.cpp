// The data window's controls and its dashboard of values.
#include "core/settings_file.h"
#include "data_window/frm_data.h"
#include "data_window/log_replay.h"
#include "data_window/strip_chart.h"
#include "widgets/device_combo.h"
#include "widgets/named_controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvel {

namespace {
QTableWidgetItem* cell(const QString& text, Qt::ItemFlags flags = Qt::ItemIsEnabled) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(flags);
    return item;
}
} // namespace

void frmData::buildControls(const std::vector<SerialDeviceInfo>& devices) {
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral("Data"));
    m_cmbDevice = deviceCombo(this, QStringLiteral("cmbAldlDevice"), devices,
                              m_services.settings.ReadSetting(QStringLiteral("ALDL Device")));
    m_cmbDevice->setToolTip(QStringLiteral("The serial device of the ECU's diagnostic line (ALDL)"));
    m_lblAdx = namedLabel(this, QStringLiteral("lblAdx"), QStringLiteral("(none)"));
    m_cmdOpenAdx = namedButton(this, "cmdOpenAdx", QStringLiteral("Open ADX…"));
    m_cmdConnect = namedButton(this, "cmdConnect", QStringLiteral("Connect"));
    m_cmdStartLog = namedButton(this, "cmdStartLog", QStringLiteral("Start log"));
    m_cmdStop = namedButton(this, "cmdStop", QStringLiteral("Stop"));
    m_lblLog = namedLabel(this, QStringLiteral("lblLog"));
    m_lblStatus = namedLabel(this, QStringLiteral("lblStatus"));
    m_lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* source = new QGridLayout;
    source->addWidget(new QLabel(QStringLiteral("ALDL device"), this), 0, 0);
    source->addWidget(m_cmbDevice, 0, 1);
    source->addWidget(new QLabel(QStringLiteral("Definition"), this), 1, 0);
    source->addWidget(m_lblAdx, 1, 1);
    source->addWidget(m_cmdOpenAdx, 1, 2);
    source->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdConnect);
    buttons->addWidget(m_cmdStartLog);
    buttons->addWidget(m_cmdStop);
    buttons->addWidget(m_lblLog, 1);

    m_tblValues = new QTableWidget(0, 4, this);
    m_tblValues->setObjectName(QStringLiteral("tblValues"));
    m_tblValues->setHorizontalHeaderLabels(
        {QStringLiteral("Chart"), QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Units")});
    m_tblValues->verticalHeader()->hide();
    m_tblValues->setSelectionMode(QAbstractItemView::NoSelection);
    m_tblValues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tblValues->setFocusPolicy(Qt::TabFocus);
    m_tblValues->horizontalHeader()->setStretchLastSection(true);
    m_chart = new StripChart(this);
    m_tblValues->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    auto* split = m_split = new QSplitter(this);
    split->addWidget(m_tblValues);
    split->addWidget(m_chart);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    sizeColumns();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(source);
    layout->addLayout(buttons);
    m_replay = new LogReplay(m_services, this);
    connect(m_replay, &LogReplay::rowPlayed, this, &frmData::rowReplayed);
    layout->addWidget(m_replay);
    layout->addWidget(split, 1);
    layout->addWidget(m_lblStatus);
    resize(1000, 600);

    connect(m_cmdOpenAdx, &QPushButton::clicked, this, &frmData::cmdOpenAdx_Click);
    connect(m_cmdConnect, &QPushButton::clicked, this, &frmData::cmdConnect_Click);
    connect(m_cmdStartLog, &QPushButton::clicked, this, &frmData::cmdStartLog_Click);
    connect(m_cmdStop, &QPushButton::clicked, this, &frmData::cmdStop_Click);
    connect(m_tblValues, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == Chart && (item->flags() & Qt::ItemIsUserCheckable))
            m_chart->setPlotted(item->data(Qt::UserRole).toInt(), item->checkState() == Qt::Checked);
    });
}

void frmData::fillDashboard() {
    const QSignalBlocker quiet(m_tblValues);
    const AdxDefinition& def = *m_def;
    m_tblValues->setRowCount(0);
    m_tblValues->setRowCount(int(def.fields.size()));
    m_valueRow.assign(def.values.size(), -1);
    m_bitmaskRow.assign(def.bitmasks.size(), -1);
    int row = 0;
    for (const auto& [isBitmask, index] : def.fields) {
        const AdxObject& o = isBitmask ? static_cast<const AdxObject&>(def.bitmasks[size_t(index)])
                                       : def.values[size_t(index)];
        QTableWidgetItem* tick = cell({}, Qt::NoItemFlags);
        if (!isBitmask) {
            tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            tick->setCheckState(Qt::Unchecked);
            tick->setData(Qt::UserRole, index);
            tick->setToolTip(QStringLiteral("Draw %1 on the chart").arg(o.name()));
            m_valueRow[size_t(index)] = row;
        } else {
            m_bitmaskRow[size_t(index)] = row;
        }
        QTableWidgetItem* name = cell(o.name());
        name->setToolTip(o.id);
        QTableWidgetItem* value = cell(QStringLiteral("–"));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setData(Qt::UserRole, int(AdxAlarm::None));
        m_tblValues->setItem(row, Chart, tick);
        m_tblValues->setItem(row, Name, name);
        m_tblValues->setItem(row, Value, value);
        m_tblValues->setItem(row, Units, cell(isBitmask ? QString() : def.values[size_t(index)].units));
        ++row;
    }
    sizeColumns();
}

void frmData::sizeColumns() {
    // Fixed widths, from the texts: a value's text changing never moves the columns, and the
    // whole table shows beside the chart. Bold is the widest face a value takes.
    QFont bold = m_tblValues->font();
    bold.setBold(true);
    const QFontMetrics plain(m_tblValues->font()), wide(bold);
    const int pad = 2 * m_tblValues->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 14;
    int widths[] = {plain.horizontalAdvance(QStringLiteral("Chart")),
                    plain.horizontalAdvance(QStringLiteral("Name")),
                    wide.horizontalAdvance(QStringLiteral("-888888.88")),
                    plain.horizontalAdvance(QStringLiteral("Units"))};
    for (int r = 0; r < m_tblValues->rowCount(); ++r)
        for (int c : {Name, Units})
            widths[c] = std::max(widths[c], plain.horizontalAdvance(m_tblValues->item(r, c)->text()));
    int total = 2 * m_tblValues->frameWidth() + m_tblValues->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int c = Chart; c <= Units; ++c) {
        m_tblValues->setColumnWidth(c, widths[c] + pad);
        total += widths[c] + pad;
    }
    m_tblValues->setMinimumWidth(total);
    m_split->setSizes({total, std::max(width() - total, m_chart->minimumWidth())});
}

void frmData::restartChart() {
    m_chart->setDefinition(m_def.get());
    for (int row = 0; row < m_tblValues->rowCount(); ++row) {
        const QTableWidgetItem* tick = m_tblValues->item(row, Chart);
        if (tick->checkState() == Qt::Checked) m_chart->setPlotted(tick->data(Qt::UserRole).toInt(), true);
    }
}

} // namespace korvel
