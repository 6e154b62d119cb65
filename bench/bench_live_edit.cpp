// From a key press in a real editor window (offscreen) to the edited byte in the emulator,
// with Live ticked, against the simulated emulator in-process: a step of a one-byte value
// in the Values tab (Up or Down on its stepper) and a step of one map cell in the Maps tab
// ("=" or "-" on the grid). Prints, for each, the time to the byte's frame on the port and
// the time until the window has repainted as well. The emulator answers at once, so the
// figures are the program's own cost; the wire adds about 0.6 ms a byte at 115200 baud.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "measure.h"
#include "widgets/services.h"
#include "widgets/table_grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korvel;
using korvel::bench::write;

namespace {

QElapsedTimer g_clock;

// The simulated port, with the time of its last write.
class StampedPort : public SimulatedPort {
public:
    StampedPort(SimulatedWire& wire, qint64& stamp) : SimulatedPort(wire), m_stamp(stamp) {}
    bool write(const QByteArray& bytes) override {
        m_stamp = g_clock.nsecsElapsed();
        return SimulatedPort::write(bytes);
    }

private:
    qint64& m_stamp;
};

class StampedPorts : public SerialPortFactory {
public:
    explicit StampedPorts(SimulatedWire& wire) : m_wire(wire) {}
    std::unique_ptr<SerialPort> create() override { return std::make_unique<StampedPort>(m_wire, lastWrite); }
    qint64 lastWrite = 0;

private:
    SimulatedWire& m_wire;
};

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Presses `keys` in turn on `target`, one per round, and prints the median times from the
// press to the byte's frame and to the end of the repaint.
void keyToEmulator(const char* what, QWidget* target, const std::vector<int>& keys, StampedPorts& ports,
                   SimulatedEmulator& emulator) {
    std::vector<double> toByte, toPainted;
    for (int round = 0; round < 200; ++round) {
        const int frames = emulator.frameCount('W');
        const int key = keys[size_t(round) % keys.size()];
        const QString text = key == Qt::Key_Equal ? QStringLiteral("=") : key == Qt::Key_Minus ? "-" : "";
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        const qint64 start = g_clock.nsecsElapsed();
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents(); // the repaint the key press asked for, and the echo
        const qint64 painted = g_clock.nsecsElapsed();
        if (emulator.frameCount('W') == frames) {
            std::printf("%s: no byte was sent\n", what);
            return;
        }
        toByte.push_back(double(ports.lastWrite - start) / 1e6);
        toPainted.push_back(double(painted - start) / 1e6);
        while (emulator.frameCount('W') < frames + 1)
            QApplication::processEvents();
    }
    std::printf("%-44s key to byte sent: median %6.3f ms   key to repainted: median %6.3f ms\n", what,
                median(toByte), median(toPainted));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_clock.start();
    QTemporaryDir dir;
    QByteArray bin(32 * 1024, 0);
    for (int i = 0; i < bin.size(); ++i)
        bin[i] = static_cast<char>(0x40 + (i * 7) % 64);
    const QByteArray ecu = "ECU FORMAT\r\n{\r\nHeader = bench\r\nVersion = 1\r\nChecksumAddress = 7FFE\r\n"
                           "ChecksumSize = 2\r\nChecksumStart = 0\r\nChecksumEnd = 7FFD\r\nItems = 2\r\n}\r\n"
                           "{\r\nAddress = 0100\r\nColumns = 1\r\nRows = 1\r\nByteSize = 1\r\nKind = 0\r\n"
                           "Offset = 0\r\nConversion = 0\r\nFactor = 0.5\r\nTitle = Value\r\nYLabel = \r\n"
                           "YAxis = \r\nXLabel = x\r\nXAxis = \r\n}\r\n"
                           "{\r\nAddress = 1000\r\nColumns = 16\r\nRows = 16\r\nByteSize = 1\r\nKind = 0\r\n"
                           "Offset = 0\r\nConversion = 0\r\nFactor = 0.5\r\nTitle = Map\r\nYLabel = y\r\n"
                           "YAxis = \r\nXLabel = x\r\nXAxis = \r\n}\r\n";
    AppState state;
    state.BinPath = write(dir, QStringLiteral("rom.bin"), bin);
    state.EcuPath = write(dir, QStringLiteral("rom.ecu"), ecu);
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    bench::SilentPrompt prompt;
    ManualTicker ticker;
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    StampedPorts ports{wire};
    Services services{state, settings, prompt, ticker, ports};
    frmEditor editor(services);
    if (editor.Form_Load().outcome != OpeningResult::Outcome::Opened || !state.EmulatorFound) {
        std::fprintf(stderr, "the editor did not open with the emulator found\n");
        return 1;
    }
    editor.show();
    editor.findChild<QCheckBox*>(QStringLiteral("chkLive"))->click();
    auto* tabs = editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"));

    tabs->setCurrentIndex(1);
    auto* values = editor.findChild<QComboBox*>(QStringLiteral("cmb0Dim"));
    values->setCurrentIndex(0);
    emit values->activated(0);
    auto* stepper = editor.findChild<QScrollBar*>(QStringLiteral("scrValue"));
    stepper->setFocus();
    QApplication::processEvents();
    keyToEmulator("Values tab, one-byte value stepped", stepper, {Qt::Key_Up, Qt::Key_Down}, ports, emulator);

    tabs->setCurrentIndex(3);
    auto* maps = editor.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
    maps->setCurrentIndex(0);
    emit maps->activated(0);
    auto* grid = editor.findChild<TableGrid*>(QStringLiteral("grdMap"));
    grid->setCurrentIndex(grid->model()->index(3, 3));
    grid->setFocus();
    QApplication::processEvents();
    keyToEmulator("Maps tab, one cell stepped", grid, {Qt::Key_Equal, Qt::Key_Minus}, ports, emulator);
    return 0;
}
