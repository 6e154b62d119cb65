#include "log_replay.h"

#include "widgets/named_controls.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace korvel {

namespace {
constexpr int kTickMs = 50;
constexpr int kFastestRows = 8000; // rows a tick at the fastest speed
} // namespace

LogReplay::LogReplay(Services& services, QWidget* parent) : QWidget(parent), m_services(services) {
    setObjectName(QStringLiteral("panReplay"));
    m_open = namedButton(this, "cmdReplay", QStringLiteral("Replay log…"));
    m_play = namedButton(this, "cmdPlay", QStringLiteral("Play"));
    m_play->setCheckable(true);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("sldReplay"));
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("cmbReplaySpeed"));
    for (const char* s : {"1×", "4×", "16×", "fastest"})
        m_speed->addItem(QString::fromUtf8(s));
    m_where = namedLabel(this, QStringLiteral("lblReplay"));
    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_open);
    row->addWidget(m_play);
    row->addWidget(m_speed);
    row->addWidget(m_slider, 1);
    row->addWidget(m_where);
    connect(m_open, &QPushButton::clicked, this, &LogReplay::cmdReplay_Click);
    connect(m_play, &QPushButton::toggled, this, &LogReplay::play);
    connect(m_slider, &QSlider::sliderMoved, this, &LogReplay::seek);
    connect(m_timer, &QTimer::timeout, this, &LogReplay::tick);
    showPosition();
}

void LogReplay::cmdReplay_Click() {
    const QString path = m_services.prompt.openFile(QStringLiteral("Replay Log"), QString(),
                                                    QStringLiteral("CSV Files (*.csv);;All Files (*)"));
    if (!path.isEmpty()) open(path);
}

bool LogReplay::open(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        m_services.prompt.message(QStringLiteral("Cannot read %1: %2").arg(path, f.errorString()),
                                  Prompt::Icon::Critical);
        return false;
    }
    AldlLogReadResult read = readAldlLog(f.readAll());
    if (!read.ok()) {
        m_services.prompt.message(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), read.error),
                                  Prompt::Icon::Critical);
        return false;
    }
    play(false);
    m_log = std::move(read.log);
    m_slider->setRange(0, std::max(0, int(m_log->rows.size()) - 1));
    seek(0);
    return true;
}

void LogReplay::play(bool on) {
    on = on && m_log && m_next < int(m_log->rows.size());
    if (m_play->isChecked() != on) m_play->setChecked(on);
    m_play->setText(on ? QStringLiteral("Pause") : QStringLiteral("Play"));
    on ? m_timer->start() : m_timer->stop();
}

void LogReplay::seek(int index) {
    if (!m_log) return;
    m_next = std::clamp(index, 0, int(m_log->rows.size()));
    m_playedTo = m_next < int(m_log->rows.size()) ? m_log->rows[size_t(m_next)][0].value_or(0) : 0;
    showPosition();
}

void LogReplay::tick() {
    if (!m_log) return;
    static constexpr double kSpeeds[] = {1, 4, 16};
    const int speed = m_speed->currentIndex();
    const bool fastest = speed < 0 || speed >= 3;
    const double until = m_playedTo + (fastest ? 0 : kSpeeds[speed] * kTickMs / 1000.0);
    const int rows = int(m_log->rows.size());
    for (int n = 0; m_next < rows && (fastest ? n < kFastestRows : true); ++n) {
        const auto& row = m_log->rows[size_t(m_next)];
        if (!fastest && row[0] && *row[0] > until) break;
        emit rowPlayed(m_log->labels, row);
        ++m_next;
    }
    m_playedTo = until;
    if (m_next >= rows) play(false);
    showPosition();
}

void LogReplay::showPosition() {
    const int rows = m_log ? int(m_log->rows.size()) : 0;
    m_play->setEnabled(rows > 0);
    m_slider->setEnabled(rows > 0);
    if (!m_slider->isSliderDown()) m_slider->setValue(m_next);
    m_where->setText(m_log ? QStringLiteral("row %1 of %2").arg(m_next).arg(rows) : QString());
}

} // namespace korvel
