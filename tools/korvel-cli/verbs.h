#pragma once

#include <QStringList>
#include <functional>

namespace korvel::cli {

// A verb gets its arguments (after the verb itself) and returns the exit code.
using VerbFunction = std::function<int(const QStringList& args)>;

struct Verb {
    const char* name;
    const char* usage;
    VerbFunction run;
};

// Verbs register themselves from their own files: static const VerbRegistration r{{"items", "...", run}};
struct VerbRegistration {
    explicit VerbRegistration(Verb verb);
};

const std::vector<Verb>& verbs();

// Writes a line to stdout / stderr (UTF-8).
void out(const QString& line);
void err(const QString& line);

} // namespace korvel::cli
