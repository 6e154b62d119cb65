#pragma once

// The prompt every benchmark's windows talk to: messages go to standard error, questions get
// No, a file dialog gets `file` (empty: cancelled).

#include "widgets/prompt.h"

#include <cstdio>

namespace korvel::bench {

class SilentPrompt : public Prompt {
public:
    void message(const QString& text, Icon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&) override { return false; }
    QString openFile(const QString&, const QString&, const QString&) override { return file; }

    QString file;
};

} // namespace korvel::bench
