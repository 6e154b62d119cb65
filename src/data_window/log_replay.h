#pragma once

#include "core/aldl_log.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace korvel {

struct Services;

// Replays a CSV log of the data stream into whatever follows the logged data (the editor's trace
// and averages): "Replay log…" opens one, Play and Pause, a slider to seek (a seek plays nothing
// of what it skips), and a speed, "fastest" taking thousands of rows a moment between repaints.
class LogReplay : public QWidget {
    Q_OBJECT
public:
    explicit LogReplay(Services& services, QWidget* parent = nullptr);

    // Asks for a log and opens it; a log that cannot be read is refused naming its line.
    void cmdReplay_Click();
    bool open(const QString& path);
    void play(bool on);
    // Moves to row `index` without playing the rows between.
    void seek(int index);
    const AldlLog* log() const { return m_log ? &*m_log : nullptr; }
    int position() const { return m_next; }

signals:
    // One row of the log, as its labels name the columns.
    void rowPlayed(const QStringList& labels, const std::vector<std::optional<double>>& row);

private:
    void tick();
    void showPosition();

    Services& m_services;
    std::optional<AldlLog> m_log;
    int m_next = 0;
    double m_playedTo = 0; // the log's time of the last row played
    QPushButton* m_open;
    QPushButton* m_play;
    QSlider* m_slider;
    QComboBox* m_speed;
    QLabel* m_where;
    QTimer* m_timer;
};

} // namespace korvel
