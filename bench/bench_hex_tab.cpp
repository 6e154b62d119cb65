// Times the Hex tab's two heavy operations on a real tab, offscreen:
// - Pop_Hex on a 32 KiB image, with the grid's repaint;
// - RedrawHex of the largest byte window (500 x 500 bytes: 250,000 circles and about
//   500,000 lines in each picture), with the synchronous repaint of both pictures,
//   which is what one step of a held stepper costs.
// Prints the median and the slowest of several runs, in milliseconds.
#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/editor_context.h"
#include "editor/hex_tab.h"
#include "emulator/serial_port.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"
#include "widgets/services.h"
#include "widgets/table_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

class NoPorts : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> create() override { return nullptr; }
};

// Wall-clock and processor time of this thread, in milliseconds. The processor time
// shows the cost of the work itself on a machine shared with other jobs.
struct Figures {
    double wallMedian = 0;
    double wallSlowest = 0;
    double cpuMedian = 0;
};

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs the action once to warm up (first-touch memory), then `runs` times.
Figures timeRuns(int runs, const std::function<void()>& action) {
    action();
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = threadCpuMs();
        t.start();
        action();
        wall.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - c0);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], wall.back(), cpu[cpu.size() / 2]};
}

void print(const char* what, const Figures& f, double budget) {
    std::printf("%-56s wall median %6.1f ms, slowest %6.1f ms; cpu median %6.1f ms (budget %.0f ms)\n", what,
                f.wallMedian, f.wallSlowest, f.cpuMedian, budget);
}

// Writes `length` pseudo-random bytes (fixed seed) and reads them into the state.
bool loadImage(AppState& state, const QTemporaryDir& dir, int length) {
    std::mt19937 random(12345);
    QByteArray bytes(length, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    state.BinPath = dir.filePath(QStringLiteral("bench.bin"));
    QFile f(state.BinPath);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != length) return false;
    f.close();
    return ReadBinFile(state).ok();
}

std::string loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return "unknown\n";
    return f.readLine().toStdString();
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    AppState state;
    SettingsFile settings(dir.filePath(QStringLiteral("bench.ini")), QStringLiteral("bench"));
    WidgetPrompt prompt;
    EventLoopTicker ticker;
    NoPorts ports;
    Services services{state, settings, prompt, ticker, ports};
    EditorState vars;
    EditorContext context{services, vars};

    HexTab tab(context);
    tab.resize(1000, 700);
    tab.show();
    QApplication::processEvents();
    auto* grid = tab.findChild<TableGrid*>(QStringLiteral("grdHex"));
    auto* map = tab.findChild<PictureBox*>(QStringLiteral("picHexMap"));
    auto* line = tab.findChild<PictureBox*>(QStringLiteral("picHexLine"));
    std::printf("load average at start: %s", loadAverage().c_str());
    std::printf("tab 1000 x 700 px; picHexMap %d x %d px, picHexLine %d x %d px\n", map->width(),
                map->height(), line->width(), line->height());

    if (!loadImage(state, dir, 32768)) return 1;
    print("Pop_Hex, 32 KiB image (2049 rows), with the grid's repaint",
          timeRuns(20,
                   [&] {
                       tab.Pop_Hex();
                       grid->viewport()->repaint();
                   }),
          50);

    // The largest window: 500 x 500 bytes from 35.
    if (!loadImage(state, dir, 256 * 1024)) return 1;
    tab.findChild<QLineEdit*>(QStringLiteral("txtCols"))->setText(QStringLiteral("500"));
    tab.txtCols_LostFocus();
    tab.findChild<QLineEdit*>(QStringLiteral("txtRows"))->setText(QStringLiteral("500"));
    tab.txtRows_LostFocus();
    std::printf("window 500 x 500: %lld circles and %lld lines in picHexMap\n",
                static_cast<long long>(map->surface().circleCount()),
                static_cast<long long>(map->surface().lineCount()));
    print("RedrawHex 500 x 500, drawing lists only", timeRuns(10, [&] { tab.RedrawHex(); }), 100);
    print("RedrawHex 500 x 500 with the paint of both pictures",
          timeRuns(10,
                   [&] {
                       tab.RedrawHex();
                       map->repaint();
                       line->repaint();
                   }),
          100);
    int v = -1;
    print("vscStart step (500 x 500) with the paint of both pictures",
          timeRuns(10,
                   [&] {
                       tab.vscStart_Change(v);
                       v = -v;
                       map->repaint();
                       line->repaint();
                   }),
          100);
    return 0;
}
