// Times the change marks in a real editor window, offscreen, on a 32 KiB image with a
// 20 x 25 map (500 cells) on screen:
// - choosing another baseline file and repainting the visible grid with its marks;
// - an undo (and a redo) of a +1 on the whole map, with the grid and surface redrawn.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "measure.h"
#include "widgets/prompt.h"
#include "widgets/services.h"
#include "widgets/table_grid.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;
using korvel::bench::write;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    constexpr int kLength = 32 * 1024;
    QByteArray bin(kLength, 0), stock(kLength, 0);
    for (int i = 0; i < kLength; ++i) {
        bin[i] = static_cast<char>((i * 7) & 0x7F);
        stock[i] = static_cast<char>(i % 64 == 0 ? bin[i] ^ 0x5A : bin[i]);
    }
    const QByteArray ecu = "ECU FORMAT\r\n{\r\nHeader = bench\r\nVersion = 1\r\nChecksumAddress = 7FFE\r\n"
                           "ChecksumSize = 2\r\nChecksumStart = 0\r\nChecksumEnd = 7FFD\r\nItems = 1\r\n}\r\n"
                           "{\r\nAddress = 1000\r\nColumns = 20\r\nRows = 25\r\nByteSize = 1\r\nKind = 0\r\n"
                           "Offset = 0\r\nConversion = 0\r\nFactor = 0.5\r\nTitle = Map\r\nYLabel = y\r\n"
                           "YAxis = \r\nXLabel = x\r\nXAxis = \r\n}\r\n";
    AppState state;
    state.BinPath = write(dir, QStringLiteral("rom.bin"), bin);
    state.EcuPath = write(dir, QStringLiteral("rom.ecu"), ecu);
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    settings.WriteSetting(QStringLiteral("Heat Map"), QStringLiteral("1"));
    bench::SilentPrompt prompt;
    prompt.file = write(dir, QStringLiteral("stock.bin"), stock);
    ManualTicker ticker;
    SimulatedEmulator emulator; // silent: no emulator is found
    emulator.setFaults({.silent = true});
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports{wire};
    Services services{state, settings, prompt, ticker, ports};
    frmEditor editor(services);
    if (editor.Form_Load().outcome != OpeningResult::Outcome::Opened) {
        std::fprintf(stderr, "the editor did not open\n");
        return 1;
    }
    editor.show();
    editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
    auto* list = editor.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
    list->setCurrentIndex(0);
    emit list->activated(0);
    auto* grid = editor.findChild<TableGrid*>(QStringLiteral("grdMap"));
    grid->selectAll();
    QApplication::processEvents();

    measure("compare with a 32 KiB file, marks repainted (heat map on)", 30, 16, [&] {
        editor.compareWith();
        grid->viewport()->repaint();
    });
    grid->setFocus();
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Equal, Qt::NoModifier, QStringLiteral("="));
        QApplication::sendEvent(grid, &press);
    }
    if (editor.vars().History.undoCount() != 1) {
        std::fprintf(stderr, "the map step was not recorded\n");
        return 1;
    }
    bool undo = true;
    measure("undo or redo of a 500-cell map step, grid repainted", 30, 16, [&] {
        undo ? editor.undo() : editor.redo();
        undo = !undo;
        grid->viewport()->repaint();
    });
    return 0;
}
