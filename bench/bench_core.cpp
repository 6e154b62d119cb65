// Times the loading paths: ReadBinFile of the largest image that loads, ReadEcuFile of a
// 300-item definition, and the editor's opening on both.
#include "bench_prompt.h"
#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "measure.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace korvel;
using korvel::bench::measure;
using korvel::bench::SilentPrompt;

namespace {

QByteArray definition300() {
    QByteArray s = "ECU FORMAT\r\n{\r\nHeader = bench\r\nVersion = 1\r\nChecksumAddress = 9FFEE\r\n"
                   "ChecksumSize = 2\r\nChecksumStart = 0\r\nChecksumEnd = 9FFED\r\nItems = 300\r\n}\r\n";
    for (int n = 0; n < 300; ++n) {
        const int kind = n % 4 == 0 ? 80 : 0;
        const int cols = n % 4 == 2 ? 16 : (n % 4 == 3 ? 16 : 1);
        const int rows = n % 4 == 3 ? 16 : (n % 4 == 2 ? 1 : 1);
        s += QStringLiteral("{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = 2\r\nKind = %4\r\n"
                            "Offset = -40\r\nConversion = 0\r\nFactor = 0.5\r\nTitle = Item number %5\r\n"
                            "YLabel = Load\r\nYAxis =   20   40   60   80  100\r\nXLabel = rpm\r\n"
                            "XAxis =  4  8 12 16 20 24\r\n}\r\n")
                 .arg(0x1000 + n * 512, 0, 16)
                 .arg(cols)
                 .arg(rows)
                 .arg(kind)
                 .arg(n)
                 .toLatin1();
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("big.bin"));
    const QString ecu = dir.filePath(QStringLiteral("big.ecu"));
    {
        QFile f(bin);
        f.open(QIODevice::WriteOnly);
        QByteArray data(static_cast<int>(kLargestBinFile), '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(i * 31);
        f.write(data);
        QFile e(ecu);
        e.open(QIODevice::WriteOnly);
        e.write(definition300());
    }

    AppState state;
    state.BinPath = bin;
    state.EcuPath = ecu;
    measure("ReadBinFile, 655343 bytes", 20, 30, [&] { ReadBinFile(state); });
    measure("ReadEcuFile, 300 items", 50, 10, [&] { ReadEcuFile(state); });

    SettingsFile settings(dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel"));
    SilentPrompt prompt;
    ManualTicker ticker; // the editor's emulator probe waits on this clock
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports(wire);
    Services services{state, settings, prompt, ticker, ports};
    measure("editor opening on both (Form_Load)", 10, 300, [&] {
        frmEditor editor(services);
        editor.Form_Load();
    });
    return 0;
}
