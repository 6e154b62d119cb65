// Feeds arbitrary bytes to the stream definition reader and checks what it promises: it
// ends, a refusal says why, and every definition it accepts decodes any payload without
// reading outside it.
#include "core/adx_decoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto r = korvel::readAdx(bytes);
    if (r.ok() == !r.error.isEmpty()) std::abort();
    if (!r.ok()) return 0;
    const korvel::AdxDefinition& def = *r.definition;
    if (def.evaluationOrder.size() != def.values.size()) std::abort();
    korvel::AdxPayloads payloads;
    for (size_t k = 0; k < def.listenPackets.size(); ++k)
        payloads[int(k)] = bytes.left(def.listenPackets[k].payloadSize)
                               .leftJustified(def.listenPackets[k].payloadSize, '\x5A');
    const auto decoded = korvel::decodeAdx(def, payloads);
    for (size_t k = 0; k < def.values.size(); ++k)
        if (def.values[k].links.empty() && def.values[k].native && !decoded.values[k].valid) std::abort();
    for (const auto& b : decoded.bitmasks)
        if (!b.valid) std::abort();
    return 0;
}
