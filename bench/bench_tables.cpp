// Times pasting and interpolating a 501 x 501 map: the core's check and store alone, and the
// whole action through the grid with the grid and the surface redrawn.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/table_edit.h"
#include "core/values.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "measure.h"
#include "widgets/picture_box.h"
#include "widgets/prompt.h"
#include "widgets/services.h"
#include "widgets/table_grid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;
using korvel::bench::SilentPrompt;

namespace {

constexpr int kSide = 501;
constexpr int kAddress = 0x1000;

// The whole map as a spreadsheet would paste it, each cell `seed` steps along a ramp.
QString mapText(int seed) {
    QString text;
    for (int line = 0; line < kSide; ++line) {
        for (int c = 0; c < kSide; ++c) {
            if (c) text += QLatin1Char('\t');
            text += QString::number(((line + c) * 3 + seed) % 200 * 0.5); // calculated, Factor 0.5
        }
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("rom.bin"));
    const QString ecu = dir.filePath(QStringLiteral("rom.ecu"));
    {
        QFile f(bin);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(kAddress + kSide * kSide + 4096, '\x20'));
        QFile e(ecu);
        e.open(QIODevice::WriteOnly);
        e.write(QStringLiteral(
                    "ECU FORMAT\n{\nHeader = bench\nVersion = 1\nChecksumAddress = 7FFE\nChecksumSize = 2\n"
                    "ChecksumStart = 0\nChecksumEnd = 7FFD\nItems = 1\n}\n{\nAddress = %1\nColumns = %2\n"
                    "Rows = %2\nByteSize = 1\nKind = 0\nOffset = 0\nConversion = 0\nFactor = 0.5\n"
                    "Title = Big\nYLabel = Load\nYAxis =\nXLabel = rpm\nXAxis =\n}\n")
                    .arg(QString::number(kAddress, 16))
                    .arg(kSide)
                    .toLatin1());
    }

    AppState state;
    state.BinPath = bin;
    state.EcuPath = ecu;
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    SilentPrompt prompt;
    ManualTicker ticker;
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports(wire);
    Services services{state, settings, prompt, ticker, ports};
    frmEditor editor(services);
    editor.Form_Load();
    editor.resize(1200, 800);
    editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
    editor.show();
    QApplication::processEvents();
    auto* combo = editor.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    auto* grid = editor.findChild<TableGrid*>(QStringLiteral("grdMap"));
    auto* picture = editor.findChild<PictureBox*>(QStringLiteral("picMap"));
    const auto action = [grid](const char* name) { return grid->findChild<QAction*>(QLatin1String(name)); };
    const auto redraw = [&] {
        grid->viewport()->repaint();
        picture->renderNow();
    };
    const QString texts[2] = {mapText(0), mapText(1)};

    EcuItem item = state.EcuItemTable[1];
    const TableSpan span{kAddress, kSide, kSide};
    const ShownValues shown(item, TableKind::Map, true);
    ValueMatrix values;
    loadTable(state, span, values);
    int turn = 0;
    measure("  of which splitting the text into fields", 5, 100,
            [&] { splitText(texts[++turn % 2], TextSource::Clipboard); });
    const TextBlock block = splitText(texts[0], TextSource::Clipboard);
    measure("  of which checking every field", 5, 100, [&] { planPaste(block, span, shown, 0, kSide - 1); });
    measure("core: split, check and store a pasted 501 x 501 text", 5, 100, [&] {
        const TableChange change =
            planPaste(splitText(texts[++turn % 2], TextSource::Clipboard), span, shown, 0, kSide - 1);
        applyChange(state, span, values, change);
    });
    const CellSelection all = CellSelection::whole(kSide, kSide);
    measure("core: interpolate 501 x 501 both ways and store", 5, 100, [&] {
        StoreByte(state, kAddress, ++turn % 2 ? 0 : 200); // a corner moves, so every cell changes
        values.set(0, 0, turn % 2 ? 0 : 200);
        applyChange(state, span, values, planMath(TableOp::InterpolateBoth, 0, values, span, shown, all));
    });

    grid->selectAll();
    measure("paste 501 x 501 in the grid: undo step, grid and surface redrawn", 5, 100, [&] {
        QGuiApplication::clipboard()->setText(texts[++turn % 2]);
        action("actPaste")->trigger();
        redraw();
    });
    measure("interpolate 501 x 501 in the grid: undo step, grid and surface redrawn", 5, 100, [&] {
        StoreByte(state, kAddress + kSide * (kSide - 1), ++turn % 2 ? 0 : 200); // top-left corner
        action("actInterpolateBoth")->trigger();
        redraw();
    });
    std::printf("undo steps recorded: %d\n", editor.vars().History.undoCount());
    return 0;
}
