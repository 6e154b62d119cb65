// Feeds arbitrary bytes to the definition readers and checks what they promise: they end,
// a refusal always says why, and every item they accept can be read from an image.
#include "core/definition_reader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto r =
        korvel::readDefinitionData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (r.format != korvel::DefinitionFormat::Ecu && r.ok() == !r.error.isEmpty()) std::abort();
    if (!r.ok()) return 0;
    const korvel::ImageBytes image = [](qint64 a) { return a >= 0 && a < 4096 ? int(a & 0xFF) : -1; };
    for (const korvel::CalItem& item : r.definition->items) {
        if (item.rows < 1 || item.columns < 1 || item.layout.bytes < 1 || item.layout.bytes > 8) std::abort();
        if (const auto cells = item.readCells(image))
            for (quint64 bits : *cells)
                (void)item.conversion.toShown(korvel::rawNumber(bits, item.layout));
        (void)korvel::boundValues(*r.definition, item.conversion, image);
    }
    for (const auto& c : r.definition->checksums)
        (void)korvel::checksumOf(c, image);
    return 0;
}
