#pragma once

#include "widgets/prompt.h"

#include <QStringList>
#include <deque>

namespace korvel::test {

// Answers the program's message boxes and file dialogs from a script and records
// every text it was shown. A question without a scripted answer fails the test
// (and is answered No), so a forgotten prompt cannot hang or pass silently.
class ScriptedPrompt : public Prompt {
public:
    struct Shown {
        QString text;
        Icon icon;
        bool question;
    };

    void message(const QString& text, Icon icon = Icon::None) override;
    bool askYesNo(const QString& text) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;

    void answerYes() { m_answers.push_back(true); }
    void answerNo() { m_answers.push_back(false); }
    // The next file dialog returns `path` (empty: cancelled).
    void chooseFile(const QString& path) { m_files.push_back(path); }

    std::vector<Shown> shown;
    QStringList dialogFolders; // initial folder of every file dialog, in order
    QStringList dialogTitles;
    int unexpected = 0; // questions or dialogs without an answer

    QStringList texts() const;
    QString last() const { return shown.empty() ? QString() : shown.back().text; }
    void clear() { shown.clear(); }

private:
    std::deque<bool> m_answers;
    std::deque<QString> m_files;
};

} // namespace korvel::test
