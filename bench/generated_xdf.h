#pragma once

// A generated XDF definition for the benchmarks: `items` items, six in ten a 16 x 16 map of
// 16-bit cells with both axes in the image, three in ten a 16-bit value, one in ten a flag, in
// twelve categories, each with a description of some 200 characters (1,000 items: about 1.3 MB).

#include <QByteArray>
#include <QString>

namespace korvel::bench {

inline QByteArray generatedXdf(int items) {
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

} // namespace korvel::bench
