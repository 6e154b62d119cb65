#pragma once

#include "support/scripted_prompt.h"

#include <random>

namespace korvel::test {

// The scripted prompt with a random answer ready for every question, so the monkey
// can let the editor ask whatever it asks. File dialogs are not expected from the
// editor: each one is counted as unexpected and cancelled.
class MonkeyPrompt : public ScriptedPrompt {
public:
    explicit MonkeyPrompt(std::mt19937_64& rng) : m_rng(rng) {}

    bool askYesNo(const QString& text) override {
        ++questions;
        if (std::bernoulli_distribution(0.5)(m_rng))
            answerYes();
        else
            answerNo();
        return ScriptedPrompt::askYesNo(text);
    }
    void message(const QString& text, Icon icon) override {
        ++messages;
        ScriptedPrompt::message(text, icon);
        // Only the latest texts matter for a report; the count keeps the rest.
        if (shown.size() > 64) shown.erase(shown.begin(), shown.begin() + 32);
    }

    int questions = 0;
    int messages = 0;

private:
    std::mt19937_64& m_rng;
};

} // namespace korvel::test
