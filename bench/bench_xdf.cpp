// Times reading a generated XDF definition of about 1,000 items (some 1.3 MB), and reading
// every item's cells from a 512 KiB image through the model.
#include "core/definition_reader.h"
#include "measure.h"

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;

namespace {

QByteArray generatedXdf(int items) {
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XDFFORMAT version=\"1.60\">\n"
                                 "  <XDFHEADER>\n    <deftitle>Generated</deftitle>\n"
                                 "    <BASEOFFSET offset=\"0\" subtract=\"0\" />\n");
    for (int c = 0; c < 12; ++c)
        out += QStringLiteral("    <CATEGORY index=\"0x%1\" name=\"Category %2\" />\n").arg(c, 0, 16).arg(c);
    out += QStringLiteral("  </XDFHEADER>\n");
    const QString description =
        QStringLiteral("Generated item for timing the reader; the text stands in for the "
                       "notes a tuner writes about what the item does and when. ")
            .repeated(3);
    int address = 0;
    for (int n = 0; n < items; ++n) {
        const QString common =
            QStringLiteral("    <title>Item %1</title>\n    <description>%2</description>\n"
                           "    <CATEGORYMEM index=\"0\" category=\"%3\" />\n")
                .arg(n)
                .arg(description)
                .arg(n % 12 + 1);
        if (n % 10 < 6) { // a 16 x 16 map of 16-bit cells with both axes in the image
            out += QStringLiteral("  <XDFTABLE uniqueid=\"0x%1\" flags=\"0x0\">\n%2")
                       .arg(n + 0x100, 0, 16)
                       .arg(common);
            for (const char* id : {"x", "y"}) {
                out +=
                    QStringLiteral(
                        "    <XDFAXIS id=\"%1\" uniqueid=\"0x0\">\n      <EMBEDDEDDATA mmedaddress=\"0x%2\" "
                        "mmedelementsizebits=\"16\" mmedtypeflags=\"0x02\" mmedmajorstridebits=\"0\" "
                        "mmedminorstridebits=\"0\" />\n      <units>rpm</units>\n      <indexcount>16"
                        "</indexcount>\n      <decimalpl>0</decimalpl>\n      <outputtype>1</outputtype>\n"
                        "      <MATH equation=\"X*0.25\">\n        <VAR id=\"X\" />\n      </MATH>\n"
                        "    </XDFAXIS>\n")
                        .arg(QLatin1String(id))
                        .arg(address, 0, 16);
                address += 32;
            }
            out +=
                QStringLiteral(
                    "    <XDFAXIS id=\"z\">\n      <EMBEDDEDDATA mmedaddress=\"0x%1\" "
                    "mmedelementsizebits=\"16\" "
                    "mmedrowcount=\"16\" mmedcolcount=\"16\" mmedtypeflags=\"0x03\" />\n"
                    "      <units>deg</units>\n      <decimalpl>2</decimalpl>\n      <min>-20</min>\n"
                    "      <max>60</max>\n      <MATH equation=\"(X-128)*0.375\">\n        <VAR id=\"X\" />\n"
                    "      </MATH>\n    </XDFAXIS>\n  </XDFTABLE>\n")
                    .arg(address, 0, 16);
            address += 512;
        } else if (n % 10 < 9) {
            out +=
                QStringLiteral(
                    "  <XDFCONSTANT uniqueid=\"0x%1\">\n%2    <EMBEDDEDDATA mmedaddress=\"0x%3\" "
                    "mmedelementsizebits=\"16\" />\n    <units>ms</units>\n    <decimalpl>1</decimalpl>\n"
                    "    <MATH equation=\"X/10\">\n      <VAR id=\"X\" />\n    </MATH>\n  </XDFCONSTANT>\n")
                    .arg(n + 0x100, 0, 16)
                    .arg(common)
                    .arg(address, 0, 16);
            address += 2;
        } else {
            out += QStringLiteral("  <XDFFLAG uniqueid=\"0x%1\">\n%2    <EMBEDDEDDATA mmedaddress=\"0x%3\" "
                                  "mmedelementsizebits=\"8\" />\n    <mask>0x4</mask>\n  </XDFFLAG>\n")
                       .arg(n + 0x100, 0, 16)
                       .arg(common)
                       .arg(address, 0, 16);
            address += 1;
        }
    }
    out += QStringLiteral("</XDFFORMAT>\n");
    return out.toUtf8();
}

} // namespace

int main() {
    const QByteArray xdf = generatedXdf(1000);
    std::vector<int> bytes(512 * 1024);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = int((i * 7) & 0xFF);
    const ImageBytes image = [&](qint64 a) {
        return a >= 0 && a < qint64(bytes.size()) ? bytes[size_t(a)] : -1;
    };

    DefinitionRead read;
    // Part of opening an XDF with its image in the editor (under 300 ms in all).
    measure("read a 1,000-item XDF", 10, 150, [&] { read = readDefinitionData(xdf); });
    if (!read.ok()) {
        std::printf("refused: %s\n", qPrintable(read.error));
        return 1;
    }
    size_t cells = 0;
    measure("every item's cells and calculated values", 10, 100, [&] {
        cells = 0;
        for (const CalItem& item : read.definition->items)
            if (const auto raw = item.readCells(image))
                for (quint64 bits : *raw)
                    cells += item.conversion.toShown(rawNumber(bits, item.layout)).has_value();
    });
    const Conversion pow = Conversion(*Equation::parse(QStringLiteral("POW(X;2)/1000")).first, {});
    measure("nearest raw value of a non-linear 16-bit equation", 20, 16,
            [&] { (void)pow.toRaw(1000, ElementLayout{2}, 2); });
    std::printf("(%.2f MB, %zu items, %zu cells)\n", double(xdf.size()) / 1e6, read.definition->items.size(),
                cells);
    return 0;
}
