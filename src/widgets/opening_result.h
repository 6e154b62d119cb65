#pragma once

#include <QString>

namespace korvel {

// How the loading of a window that reads the files came out.
struct OpeningResult {
    enum class Outcome {
        Opened,       // loaded; the opener shows it modally
        ClosedItself, // it told the user why and closed; the opener says nothing more
        Failed,       // an error stopped the loading; the opener shows `error`
    };
    Outcome outcome = Outcome::Opened;
    QString error;
};

} // namespace korvel
