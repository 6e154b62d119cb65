#pragma once

#include "core/adx_definition.h"
#include "data_window/data_log.h"
#include "emulator/aldl_session.h"
#include "emulator/serial_devices.h"
#include "widgets/services.h"

#include <QDialog>

#include <deque>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTableWidget;

namespace korvel {

class LogReplay;
class StripChart;

// Where the data window's line comes from; tests give a simulated one.
struct DataWindowWiring {
    SerialPortFactory* ports = nullptr; // null: the serial ports of the system
    Ticker* ticker = nullptr;           // the line's clock, used on its thread; null: that thread's own
    DataLog::Format logFormat;          // empty: the window's CSV rows
};

// The data window: reads an ECU's diagnostic line with a data stream definition (ADX) and
// shows every value and bitmask with its units and alarm colour, a strip chart of the
// values ticked, the frames a second and the failed frames; Start log writes the frames
// to a CSV file. The line runs on a thread of its own (AldlSession), so the editor, Live
// and the transfers go on meanwhile. The device is the settings key "ALDL Device", the
// last definition opened "ADX Location" (opened again with the window).
class frmData : public QDialog {
    Q_OBJECT
public:
    using Wiring = DataWindowWiring;

    frmData(Services& services, std::vector<SerialDeviceInfo> devices, Wiring wiring = {},
            QWidget* parent = nullptr);
    ~frmData() override;

    // Asks for a definition and opens it ("Open ADX…").
    void cmdOpenAdx_Click();
    // Opens `path`; a definition that cannot be read is refused with the reader's reason
    // (naming its line) and the one open stays. False when refused.
    bool openAdx(const QString& path);
    void cmdConnect_Click();
    // Asks for a CSV file and logs every good frame to it, connecting first when needed.
    void cmdStartLog_Click();
    // Stops the log and the line.
    void cmdStop_Click();

    // One frame from the line, as the session hands it over: the dashboard, the chart, the
    // log and the status line take it.
    void takeFrame(const AldlFrame& frame);

    const AdxDefinition* definition() const { return m_def.get(); }
    // The same, kept alive for as long as the caller holds it (another ADX may be opened).
    std::shared_ptr<const AdxDefinition> sharedDefinition() const { return m_def; }
    bool connected() const { return m_session != nullptr; }

    // Closing stops the line; what was logged stays in its file.
    void reject() override;

signals:
    // Every good frame, decoded: values and bitmasks by their index in definition().
    void cycleDecoded(const korvel::AdxDecoded& decoded);
    // Every row of a log replayed ("Replay log…"), its columns named by `labels`.
    void rowReplayed(const QStringList& labels, const std::vector<std::optional<double>>& row);

private:
    // The dashboard's columns.
    enum Column { Chart, Name, Value, Units };

    // The controls and the dashboard (frm_data_layout.cpp).
    void buildControls(const std::vector<SerialDeviceInfo>& devices);
    void fillDashboard();
    // Columns as wide as their texts (no row: their headings), the table as wide as them.
    void sizeColumns();
    // The chart without frames, drawing the values ticked on the dashboard.
    void restartChart();

    bool loadAdx(const QString& path, QString& error);
    bool connectLine();
    void showValues(const AdxDecoded& decoded);
    void showStatus();
    void lineEnded(const QString& reason, bool opened);
    void stopLog();
    void showState();
    // The rows of the CSV log.
    DataLog::Format csvFormat() const;

    Services& m_services;
    Wiring m_wiring;
    std::unique_ptr<SerialPortFactory> m_systemPorts;
    std::shared_ptr<const AdxDefinition> m_def;
    LogReplay* m_replay = nullptr;
    QString m_adxPath;
    AldlSession* m_session = nullptr; // while the line runs
    bool m_stopping = false;          // asked to stop, its end not yet come
    DataLog m_log;
    QString m_logPath; // the last log file chosen

    // The status line: good frames of the last kRateWindow seconds, failed frames.
    static constexpr double kRateWindow = 2; // s
    bool m_everConnected = false;
    std::deque<double> m_goodTimes;
    double m_lastSeconds = 0; // the line's clock at the last frame
    long m_failed = 0;
    QString m_lastFailure;

    QComboBox* m_cmbDevice = nullptr;
    QLabel* m_lblAdx = nullptr;
    QPushButton* m_cmdOpenAdx = nullptr;
    QPushButton* m_cmdConnect = nullptr;
    QPushButton* m_cmdStartLog = nullptr;
    QPushButton* m_cmdStop = nullptr;
    QLabel* m_lblLog = nullptr;
    QTableWidget* m_tblValues = nullptr;
    StripChart* m_chart = nullptr;
    QSplitter* m_split = nullptr;
    QLabel* m_lblStatus = nullptr;
    std::vector<int> m_valueRow, m_bitmaskRow; // dashboard row of each value and bitmask
};

} // namespace korvel
