#include "adx_definition.h"

#include <algorithm>

namespace korvel {

double AdxLookupTable::map(double input) const {
    if (entries.empty()) return input;
    if (input <= entries.front().first) return entries.front().second;
    if (input >= entries.back().first) return entries.back().second;
    const auto hi = std::upper_bound(entries.begin(), entries.end(), input,
                                     [](double x, const auto& e) { return x < e.first; });
    const auto lo = hi - 1;
    const double span = hi->first - lo->first;
    return span <= 0 ? lo->second : lo->second + (input - lo->first) / span * (hi->second - lo->second);
}

int AdxDefinition::findValue(quint64 idhash) const {
    if (idhash == 0) return -1;
    for (size_t k = 0; k < values.size(); ++k)
        if (values[k].idhash == idhash) return int(k);
    return -1;
}

} // namespace korvel
