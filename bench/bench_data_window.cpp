// The data window's share of logging at the full 8192-baud rate (about 10 frames a second):
// for one second's worth of monitor cycles of the sample stream, decoding and handing each
// frame to a shown window (offscreen) with three values charted, its repaint included.
// Prints the processor time per second of frames; the budget is 5 % of one core.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "data_window/frm_data.h"
#include "emulator/aldl_link.h"
#include "emulator/simulated_ecu.h"
#include "measure.h"
#include "widgets/services.h"

#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace korvel;
using korvel::bench::processorMs;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    AppState state;
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    settings.WriteSetting(QStringLiteral("ADX Location"), QStringLiteral(KORVEL_EXAMPLES "/sample.adx"));
    bench::SilentPrompt prompt;
    EventLoopTicker ticker;
    ManualTicker clock;
    QByteArray memory(0x8000, char(160));
    SimulatedEcu ecu([&](int a) { return a >= 0 && a < memory.size() ? int(quint8(memory[a])) : -1; });
    SimulatedLine line(ecu, clock);
    struct Ports : SerialPortFactory {
        explicit Ports(SimulatedLine& l) : line(l) {}
        SimulatedLine& line;
        std::unique_ptr<SerialPort> create() override { return std::make_unique<SimulatedLinePort>(line); }
    } ports(line);
    Services services{state, settings, prompt, ticker, ports};
    frmData window(services, {}, frmData::Wiring{&ports, &clock, {}});
    if (!window.definition()) {
        std::fprintf(stderr, "the sample stream definition did not open\n");
        return 1;
    }
    const AdxDefinition& def = *window.definition();
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("tblValues"));
    for (int row : {0, 1, 4})
        table->item(row, 0)->setCheckState(Qt::Checked);
    window.show();
    QApplication::processEvents();

    // The cycles come from the line beforehand: the line's own cost is bench_aldl's.
    SimulatedLinePort port(line);
    port.open(QStringLiteral("sim"), AldlLink::settingsFor(def));
    AldlLink link(port, clock, def);
    std::vector<std::pair<double, AldlCycle>> cycles;
    for (int k = 0; k < 1200; ++k) {
        cycles.emplace_back(clock.now, link.monitor());
        if (!cycles.back().second.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(cycles.back().second.reason));
            return 1;
        }
    }

    // Two minutes of frames, so the chart holds its full minute; each second timed.
    std::vector<double> perSecond;
    for (size_t k = 0; k < cycles.size(); k += 10) {
        const double start = processorMs();
        for (size_t j = k; j < k + 10; ++j) {
            AldlFrame f;
            f.seconds = cycles[j].first;
            f.decoded = decodeAdx(def, cycles[j].second.payloads);
            window.takeFrame(f);
            QApplication::processEvents();
        }
        perSecond.push_back(processorMs() - start);
    }
    std::sort(perSecond.begin(), perSecond.end());
    const double median = perSecond[perSecond.size() / 2], budget = 50;
    std::printf("%-58s median %8.3f ms   worst %8.3f ms   budget %6.1f ms   %s\n",
                "processor time per second of frames (10 frames)", median, perSecond.back(), budget,
                median <= budget ? "ok" : "OVER");
    std::printf("share of one core: %.2f %%\n", median / 10);
    return 0;
}
