#pragma once

#include "image_watch.h"
#include "monkey_prompt.h"
#include "widgets/services.h"

#include <QPointer>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

class QTimer;
class QWidget;

namespace korvel {
class frmEditor;
class TableGrid;
} // namespace korvel

namespace korvel::test {

// Drives a real editor window with a seeded random stream of user events (clicks,
// key presses, typed texts, list choices, stepper steps, tab changes, drags and wheel
// turns on the map) and checks the image after every one. When the user closes the
// editor (Esc) it answers the questions at random and opens a new editor on the
// saved file. No modal window may open: one that does is closed and reported.
class EditorMonkey {
public:
    struct Report {
        int events = 0;
        int skipped = 0; // picked actions whose control was hidden or disabled
        int reopenings = 0;
        int popupsClosed = 0;
        int maxChangedBytes = 0;
        std::map<std::string, int> byAction; // events done, by kind of action
        QString failure;                     // empty when every check held
    };

    EditorMonkey(AppState& state, Services services, MonkeyPrompt& prompt, std::mt19937_64& rng);
    ~EditorMonkey();

    // Opens the editor; false with the reason when it did not open.
    bool open(QString& reason);
    // Runs until `maxEvents` events or `seconds` of wall time, whichever comes first.
    Report run(int maxEvents, double seconds);

private:
    struct Action {
        const char* name;
        int weight;
        std::function<QString()> act; // what it did, or empty when it could not act
    };

    template <typename T> T* find(const char* name) const;
    // The control when the user could reach it now (shown and enabled), else null.
    template <typename T> T* usable(const char* name) const;
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    template <typename T, size_t N> const T& oneOf(const T (&c)[N]) {
        return c[static_cast<size_t>(pick(0, int(N) - 1))];
    }

    void buildActions();
    QString clickTab();
    QString chooseListItem(const char* list);
    QString keyOnList(const char* list);
    QString clickFlag();
    QString stepStepper(const char* name);
    QString typeRawText();
    QString typeHexBox(const char* box);
    QString clickGridCell(const char* grid);
    QString keyOnGrid(const char* grid);
    QString clickButton();
    QString dragOrWheelOnPicture();
    QString keyToFocus();
    QString closeEditor();
    // Mostly digits (decimal or hexadecimal), now and then other characters or a long run.
    QString randomText(bool decimal);
    int randomKey(Qt::KeyboardModifiers& modifiers);

    // After an event: pending work done, popups and modal windows closed, the editor
    // reopened when it closed. Returns a problem or an empty text.
    QString settle();
    void remember(const QString& event);

    AppState& m_state;
    Services m_services;
    MonkeyPrompt& m_prompt;
    std::mt19937_64& m_rng;
    std::unique_ptr<frmEditor> m_editor;
    ImageWatch m_watch;
    std::vector<Action> m_actions;
    int m_totalWeight = 0;
    std::deque<QString> m_recent;
    QTimer* m_modalGuard = nullptr;
    QStringList m_modalsSeen;
    Report m_report;
};

} // namespace korvel::test
