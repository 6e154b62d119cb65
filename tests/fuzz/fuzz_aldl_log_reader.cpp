// Feeds arbitrary bytes to the stream log reader and checks what it promises: it ends, a
// refusal names its line, every row it accepts is as wide as the heading, and the heading
// written back with the writer's quoting reads back to the same labels.
#include "core/aldl_log.h"
#include "core/table_text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto r = korvel::readAldlLog(bytes);
    if (r.ok() == !r.error.isEmpty()) std::abort();
    if (!r.ok()) return r.line >= 1 ? 0 : (std::abort(), 0);
    const korvel::AldlLog& log = *r.log;
    for (const auto& row : log.rows)
        if (qsizetype(row.size()) != log.labels.size()) std::abort();
    QStringList quoted;
    for (const QString& l : log.labels)
        quoted << korvel::quotedField(l, QLatin1Char(','));
    const auto again = korvel::readAldlLog((quoted.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8());
    // A heading of one empty label is a blank line when written alone: the one that cannot come back.
    if (log.labels != QStringList{QString()} && (!again.ok() || again.log->labels != log.labels))
        std::abort();
    return 0;
}
