// Writes the bundled sample calibration: a 32 KiB ROM image and its ECU definition.
// usage: make-sample OUTPUT_FOLDER
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kImageSize = 32768;

struct Item {
    int address;
    int columns, rows, byteSize, kind;
    double offset;
    int conversion;
    double factor;
    QString title, yLabel, yAxis, xLabel, xAxis;
};

// Fixed-width label fields: five characters per row label, three per column label.
QString fields(const std::vector<QString>& labels, int width, bool alignLeft = false) {
    QString s;
    for (const QString& l : labels)
        s += alignLeft ? l.left(width).leftJustified(width, QLatin1Char(' '))
                       : l.left(width).rightJustified(width, QLatin1Char(' '));
    return s;
}

QString numberFields(int first, int step, int count, int width) {
    std::vector<QString> labels;
    for (int k = 0; k < count; ++k)
        labels.push_back(QString::number(first + step * k));
    return fields(labels, width);
}

void put(QByteArray& image, int address, int value) {
    image[address] = static_cast<char>(value & 0xFF);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    // Code-like filler: a repeatable pseudo-random byte stream, so the hex views show something.
    QByteArray image(kImageSize, '\0');
    quint32 seed = 0x4B6F7276;
    for (int i = 0; i < kImageSize; ++i) {
        seed = seed * 1664525u + 1013904223u;
        image[i] = static_cast<char>(seed >> 24);
    }
    // A smooth run the viewer shows by default (140 bytes from 0x35).
    for (int i = 0; i < 140; ++i)
        put(image, 0x35 + i, static_cast<int>(128 + 100 * std::sin(i / 12.0)));

    std::vector<Item> items;
    items.push_back({0x0100, 1, 1, 1, 80, 0, 0, 1, " Engine options", " Option",
                     fields({"A/C", "Fan2", "EGR", "O2htr", "Knock", "VSS", "IdleC", "Spark"}, 5, true),
                     " Bits", " Set = fitted"});
    put(image, 0x0100, 0x81);
    items.push_back({0x0101, 1, 1, 1, 80, 0, 0, 1, " Diagnostic switches", " Code",
                     fields({"C12", "C13", "C14", "C21", "C24", "C32", "C42", "C44"}, 5, true), " Bits",
                     " Set = reported"});
    put(image, 0x0101, 0x5A);

    items.push_back({0x0200, 1, 1, 2, 0, 0, 0, 1, " Rev limit", "", "", " rpm", ""});
    put(image, 0x0200, 0x1A);
    put(image, 0x0201, 0x90); // 6800 rpm
    items.push_back({0x0202, 1, 1, 1, 0, 0, 0, 12.5, " Idle speed", "", "", " rpm", ""});
    put(image, 0x0202, 0x40); // 800 rpm
    items.push_back({0x0203, 1, 1, 2, 0, 0, 1, 1000000, " Injector constant", "", "", " mg/pulse", ""});
    put(image, 0x0203, 0x30);
    put(image, 0x0204, 0xD4); // 12500 -> 80
    items.push_back({0x0205, 1, 1, 1, 0, 0, 0, 0, " Fuel pump prime", "", "", " counts", ""});
    put(image, 0x0205, 0x20);

    // Coolant enrichment: one column of eight rows, rich when cold.
    items.push_back({0x0300, 1, 8, 1, 0, -40, 0, 1, " Coolant enrichment", " Coolant C",
                     numberFields(-40, 20, 8, 5), " Enrich %", ""});
    for (int r = 0; r < 8; ++r)
        put(image, 0x0300 + r, 140 - 15 * r);
    // Cranking fuel: one row of sixteen columns.
    items.push_back({0x0310, 16, 1, 1, 0, 0, 0, 0.5, " Cranking fuel", "", "", " Coolant / 10 C",
                     numberFields(-4, 1, 16, 3)});
    for (int c = 0; c < 16; ++c)
        put(image, 0x0310 + c, 200 - 11 * c);

    // Spark advance: 16 rpm columns by 8 load rows, rising with rpm and falling with load.
    items.push_back({0x0400, 16, 8, 1, 0, -10, 0, 0.5, " Spark advance", " Load kPa",
                     numberFields(20, 12, 8, 5), " rpm x 100", numberFields(4, 4, 16, 3)});
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 16; ++c) {
            const double rpm = c / 15.0, load = r / 7.0;
            const double deg = 12 + 26 * std::sin(rpm * 1.5) - 14 * load * load;
            put(image, 0x0400 + 16 * r + c, static_cast<int>((deg + 10) * 2));
        }
    }
    // Volumetric efficiency: 12 x 12 with a torque peak in the middle.
    items.push_back({0x0500, 12, 12, 1, 0, 0, 0, 0.5, " Volumetric efficiency", " MAP kPa",
                     numberFields(20, 8, 12, 5), " rpm x 100", numberFields(6, 5, 12, 3)});
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) {
            const double x = (c - 6.5) / 5.0, y = (r - 7.0) / 6.0;
            const double ve = 55 + 40 * std::exp(-(x * x + y * y)) + 2.0 * r;
            put(image, 0x0500 + 12 * r + c, static_cast<int>(ve * 2));
        }
    }

    // Checksum: the sum of bytes 0..7FFD, low two bytes, high byte first at 7FFE.
    quint32 sum = 0;
    for (int i = 0; i <= 0x7FFD; ++i)
        sum += static_cast<unsigned char>(image[i]);
    put(image, 0x7FFE, static_cast<int>((sum >> 8) & 0xFF));
    put(image, 0x7FFF, static_cast<int>(sum & 0xFF));

    QFile bin(folder + QStringLiteral("/sample.bin"));
    if (!bin.open(QIODevice::WriteOnly) || bin.write(image) != image.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(bin.fileName()));
        return 1;
    }

    QString ecu;
    QTextStream s(&ecu);
    s << "ECU FORMAT 1\r\n"
      << "; Sample calibration for a four-cylinder port-injected engine, made by make-sample.\r\n"
      << "{\r\n"
      << "Header = Korvel sample calibration\r\n"
      << "Version = 1\r\n"
      << "ChecksumAddress = 7FFE\r\n"
      << "ChecksumSize = 2\r\n"
      << "ChecksumStart = 0\r\n"
      << "ChecksumEnd = 7FFD\r\n"
      << "Items = " << items.size() << "\r\n"
      << "}\r\n";
    for (const Item& it : items) {
        s << "\r\n{\r\n"
          << "Address = " << QString::number(it.address, 16).toUpper().rightJustified(4, QLatin1Char('0'))
          << "\r\n"
          << "Columns = " << it.columns << "\r\n"
          << "Rows = " << it.rows << "\r\n"
          << "ByteSize = " << it.byteSize << "\r\n"
          << "Kind = " << it.kind << "\r\n"
          << "Offset = " << it.offset << "\r\n"
          << "Conversion = " << it.conversion << "\r\n"
          << "Factor = " << it.factor << "\r\n"
          << "Title =" << it.title << "\r\n"
          << "YLabel =" << it.yLabel << "\r\n"
          << "YAxis =" << it.yAxis << "\r\n"
          << "XLabel =" << it.xLabel << "\r\n"
          << "XAxis =" << it.xAxis << "\r\n"
          << "}\r\n";
    }
    s.flush();
    QFile def(folder + QStringLiteral("/sample.ecu"));
    if (!def.open(QIODevice::WriteOnly) || def.write(ecu.toLatin1()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(def.fileName()));
        return 1;
    }
    return 0;
}
