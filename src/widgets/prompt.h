#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace korvel {

// Every message box and file dialog of the program goes through this interface, so
// tests can answer them. Boxes carry the application's title.
class Prompt {
public:
    enum class Icon { None, Information, Critical };
    virtual ~Prompt() = default;
    // A message with an OK button.
    virtual void message(const QString& text, Icon icon = Icon::None) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A question about something still going on: while it is open, `follow` is asked now
    // and then for its text as things stand; when it returns nothing the question is over
    // and closes as answered Yes. Prompts that cannot follow ask askYesNo(text).
    virtual bool askYesNoFollowing(const QString& text,
                                   const std::function<std::optional<QString>()>& follow);
    // A file-open dialog; returns the chosen path or an empty text when cancelled.
    virtual QString openFile(const QString& title, const QString& folder, const QString& filter) = 0;
    // A file-save dialog (it asks before replacing a file); returns the chosen path or an
    // empty text when cancelled. Prompts that cannot ask answer as if cancelled.
    virtual QString saveFile(const QString& title, const QString& folder, const QString& filter);
    // A question answered by typing a line of text, starting from `initial`; the text with
    // OK, nothing when cancelled. Prompts that cannot ask answer as if cancelled.
    virtual std::optional<QString> askText(const QString& text, const QString& initial);
};

// The real prompts: QMessageBox and QFileDialog with the application's title.
class WidgetPrompt : public Prompt {
public:
    void message(const QString& text, Icon icon = Icon::None) override;
    bool askYesNo(const QString& text) override;
    bool askYesNoFollowing(const QString& text,
                           const std::function<std::optional<QString>()>& follow) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& folder, const QString& filter) override;
    std::optional<QString> askText(const QString& text, const QString& initial) override;
};

} // namespace korvel
