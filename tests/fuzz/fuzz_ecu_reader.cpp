// Feeds arbitrary bytes to the ECU definition reader and checks what it promises: it ends,
// never reads more than 300 items, and every stored item can be sorted and checked.
#include "core/app_state.h"
#include "core/ecu_reader.h"
#include "core/values.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static korvel::AppState state;
    state.ecuHeader = {};
    const auto result =
        korvel::readEcuData(state, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const int count = state.ecuHeader.ItemCount;
    if (result.outcome == korvel::EcuReadResult::Outcome::Read && count > korvel::kMaxItems) std::abort();
    for (int n = 1; n <= std::min(count, korvel::kMaxItems); ++n) {
        const korvel::EcuItem& item = state.EcuItemTable[size_t(n)];
        (void)korvel::itemRefusal(state, item, korvel::classOf(item));
    }
    return 0;
}
