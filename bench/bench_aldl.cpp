// Times the diagnostic-line path at the full 8192-baud rate (about 10 frames a second):
// reading the sample stream definition, and one second's worth of monitor cycles through
// the in-process line and simulated ECU, decoded. The budget for a second of data is 5 %
// of one core. Then an hour's log at 10 rows a second (36,000 rows), written, read back and
// binned into the averages of a 17 x 12 table: under a second.
#include "core/adx_decoder.h"
#include "core/aldl_log.h"
#include "core/cell_averages.h"
#include "core/wait.h"
#include "emulator/aldl_link.h"
#include "emulator/simulated_ecu.h"
#include "measure.h"

#include <QFile>

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;

int main(int argc, char** argv) {
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KORVEL_EXAMPLES "/sample.adx");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray text = file.readAll();
    const AdxReadResult r = readAdx(text);
    if (!r.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
        return 1;
    }
    const AdxDefinition& def = *r.definition;
    measure("read the sample stream definition", 50, 5, [&] { (void)readAdx(text); });

    QByteArray memory(0x8000, char(160));
    SimulatedEcu ecu([&](int a) { return a >= 0 && a < memory.size() ? int(quint8(memory[a])) : -1; });
    ManualTicker clock;
    SimulatedLine line(ecu, clock);
    SimulatedLinePort port(line);
    port.open(QStringLiteral("sim"), AldlLink::settingsFor(def));
    AldlLink link(port, clock, def);
    long failed = 0;
    measure("10 monitor cycles + decode (one second at 8192 baud)", 30, 50, [&] {
        for (int k = 0; k < 10; ++k) {
            const AldlCycle c = link.monitor();
            failed += c.ok ? 0 : 1;
            (void)decodeAdx(def, c.payloads);
        }
    });
    const AldlCycle c = link.monitor();
    measure("100,000 decodes", 5, 1000, [&] {
        for (int k = 0; k < 100000; ++k)
            (void)decodeAdx(def, c.payloads);
    });

    // Every row its own operating point: RPM and MAP swept through the table and beyond.
    constexpr int kRows = 36000;
    const AldlLogWriter writer(def);
    QString log;
    measure("write a 36,000-row log", 3, 1000, [&] {
        log = writer.heading();
        QByteArray payload = c.payloads.begin()->second;
        for (int k = 0; k < kRows; ++k) {
            const int rpm4 = (k * 37) % 28000;
            payload[0] = char(rpm4 >> 8);
            payload[1] = char(rpm4);
            payload[3] = char((k * 13) % 256);
            log += writer.row(k * 0.1, decodeAdx(def, {{c.payloads.begin()->first, payload}}));
        }
    });
    const QByteArray bytes = log.toUtf8();
    std::vector<double> rpm, map;
    for (int k = 0; k < 17; ++k)
        rpm.push_back(400 + 400 * k);
    for (int k = 0; k < 12; ++k)
        map.push_back(20 + 8 * k);
    int binned = 0;
    measure("read a 36,000-row log, bin it into a 17 x 12 table", 5, 1000, [&] {
        const AldlLogReadResult read = readAldlLog(bytes);
        if (!read.ok()) return;
        const AldlLog& l = *read.log;
        CellAverages averages(rpm, map);
        QString error;
        const auto filter = readLogFilter(QStringLiteral("Coolant (C)>=0"), l.labels, error);
        averages.add(l, l.column(QStringLiteral("Engine speed (RPM)")), l.column(QStringLiteral("MAP (kPa)")),
                     l.column(QStringLiteral("Block learn")), {*filter});
        binned = 0;
        for (int r = 0; r < averages.rows(); ++r)
            for (int col = 0; col < averages.cols(); ++col)
                binned += averages.count(col, r);
    });
    std::printf("log rows binned: %d of %d\n", binned, kRows);
    std::printf("failed cycles: %ld\n", failed);
    return failed == 0 && binned == kRows ? 0 : 1;
}
