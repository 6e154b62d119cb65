// Times reading a generated XDF definition of about 1,000 items (some 1.3 MB), and reading
// every item's cells from a 512 KiB image through the model.
#include "core/definition_reader.h"
#include "generated_xdf.h"
#include "measure.h"

#include <cstdio>

using namespace korvel;
using korvel::bench::generatedXdf;
using korvel::bench::measure;

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
