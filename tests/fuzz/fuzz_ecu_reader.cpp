// Feeds arbitrary bytes to the ECU definition reader and checks what it promises:
// it ends, never stores past item 300, and sorts every stored item into a class.
#include "core/app_state.h"
#include "core/ecu_reader.h"
#include "core/values.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static korvel::AppState state;
    state.ecuHeader = {};
    const auto result = korvel::readEcuData(
        state, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (result.outcome == korvel::EcuReadResult::Outcome::Read &&
        state.ecuHeader.ItemCount > korvel::kMaxItems)
        std::abort(); // more items than the table holds cannot be a complete read
    const int count = std::clamp<int>(state.ecuHeader.ItemCount, 0, korvel::kMaxItems);
    for (int n = 1; n <= count; ++n) {
        const korvel::EcuItem& item = state.EcuItemTable[static_cast<size_t>(n)];
        (void)korvel::classOf(item);
        (void)korvel::itemRefusal(state, item, korvel::classOf(item));
    }
    return 0;
}
