#include "scripted_prompt.h"

namespace korvel::test {

void ScriptedPrompt::message(const QString& text, Icon icon) {
    shown.push_back({text, icon, false});
}

bool ScriptedPrompt::askYesNo(const QString& text) {
    shown.push_back({text, Icon::None, true});
    if (m_answers.empty()) {
        ++unexpected;
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

QString ScriptedPrompt::openFile(const QString& title, const QString& folder, const QString&) {
    dialogTitles << title;
    dialogFolders << folder;
    if (m_files.empty()) {
        ++unexpected;
        return {};
    }
    QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QStringList ScriptedPrompt::texts() const {
    QStringList t;
    for (const Shown& s : shown)
        t << s.text;
    return t;
}

} // namespace korvel::test
