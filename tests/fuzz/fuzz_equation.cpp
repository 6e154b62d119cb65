// Arbitrary equation texts: the parser ends with an equation or an error inside the text,
// and the inverse of an accepted equation gives a raw value in range or a refusal.
#include "core/conversion.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    auto [eq, error] = korvel::Equation::parse(text);
    if (!eq) {
        if (error.position < 0 || error.position > text.size() || error.message.isEmpty()) std::abort();
        return 0;
    }
    const double vars[] = {3, -2};
    (void)eq->evaluate({17, 1, 2, vars});
    (void)eq->affine({17, 1, 2, vars});
    const korvel::Conversion c(*eq, {});
    const korvel::ElementLayout layout{1, true};
    const auto r = c.toRaw(12.5, layout, 2, {1, 2, {3, -2}});
    if (r.raw ? (*r.raw < -128 || *r.raw > 127 || !r.refusal.isEmpty()) : r.refusal.isEmpty()) std::abort();
    return 0;
}
