#include "verbs.h"

#include <cstdio>

namespace korvel::cli {

namespace {
std::vector<Verb>& table() {
    static std::vector<Verb> t;
    return t;
}
} // namespace

VerbRegistration::VerbRegistration(Verb verb) {
    table().push_back(std::move(verb));
}

const std::vector<Verb>& verbs() {
    return table();
}

void out(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void err(const QString& line) {
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace korvel::cli
