// Times opening the editor on a generated XDF definition of 1,000 items (about 1.3 MB) with a
// 512 KiB image, offscreen: reading both files, filling the item tabs and showing the window
// with its first paint; then choosing a 16 x 16 map of 16-bit cells, with the grid and the
// surface painted.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "editor/item_tab.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "generated_xdf.h"
#include "measure.h"
#include "widgets/services.h"
#include "widgets/table_grid.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return f.fileName();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QByteArray bin(512 * 1024, 0);
    for (int i = 0; i < bin.size(); ++i)
        bin[i] = static_cast<char>((i * 7) & 0xFF);
    const QByteArray xdf = bench::generatedXdf(1000);
    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    bench::SilentPrompt prompt;
    ManualTicker ticker;
    SimulatedEmulator emulator; // silent: no emulator is found
    emulator.setFaults({.silent = true});
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports{wire};
    AppState state;
    state.BinPath = write(dir, QStringLiteral("rom.bin"), bin);
    state.EcuPath = write(dir, QStringLiteral("rom.xdf"), xdf);
    Services services{state, settings, prompt, ticker, ports};

    std::unique_ptr<frmEditor> editor;
    bool opened = true;
    measure("open a 1,000-item XDF with a 512 KiB image, shown", 7, 300, [&] {
        editor = std::make_unique<frmEditor>(services);
        opened = opened && editor->Form_Load().outcome == OpeningResult::Outcome::Opened;
        editor->show();
        editor->repaint();
    });
    if (!opened) {
        std::fprintf(stderr, "the editor did not open\n");
        return 1;
    }
    auto* maps = editor->findChild<ItemTab*>(QStringLiteral("tabItemMaps"));
    editor->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentWidget(maps);
    QApplication::processEvents();
    int next = 0;
    measure("choose a 16 x 16 map of 16-bit cells, grid and surface painted", 20, 16.7, [&] {
        QComboBox* list = maps->itemList();
        list->setCurrentIndex(next);
        emit list->activated(next);
        next = (next + 1) % list->count();
        maps->repaint();
    });
    std::printf("(%.2f MB definition, %d maps listed)\n", double(xdf.size()) / 1e6,
                maps->itemList()->count());
    editor->hide();
    return 0;
}
