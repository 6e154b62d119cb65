// Times the diagnostic-line path at the full 8192-baud rate (about 10 frames a second):
// reading the sample stream definition, and one second's worth of monitor cycles through
// the in-process line and simulated ECU, decoded. The budget for a second of data is 5 %
// of one core.
#include "core/adx_decoder.h"
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
    std::printf("failed cycles: %ld\n", failed);
    return failed == 0 ? 0 : 1;
}
