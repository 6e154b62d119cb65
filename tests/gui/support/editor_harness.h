#pragma once
// What every window test shares. An editor over a made-up image and definition:
//   EditorHarness h(image(4096, {{0x100, 0x81}}), {{.address = "0100", .kind = 80}});
//   QVERIFY(h.open(0));                  // Form_Load, shown and active, on tab 0
//   h.choose("cmbFlag", 0);              // a list entry, chosen as by the user
//   QTest::keyClick(h.find<QCheckBox>("chkFlag3"), Qt::Key_Space);
//   QCOMPARE(h.bytes(0x100) + h.pending(0x100), "9191"); // image and pending cells as hex text
//   h.fx.prompt.answers = {false};       // the next question gets No; h.editor->reject() closes
// Any window: child<T>(w, "name") finds a control (a missing one ends the run naming it);
// text(), setText() and click() read and drive one; onNextModal() acts on a window shown with exec().
// Tables: `const std::tuple<const char*, int> kCases[] = {{"row name", 1}, ...};`, then
// `void t_data() { rows(kCases); }` and `const auto& [name, n] = fetch(kCases);` in the test.
#include "core/app_state.h"
#include "core/settings_file.h"
#include "core/wait.h"
#include "editor/frm_editor.h"
#include "emulator/simulated_emulator.h"
#include "emulator/simulated_port.h"
#include "widgets/prompt.h"
#include "widgets/services.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <memory>

namespace korvel::test {

// Answers questions, file dialogs (open and save alike) and typed questions from `answers`,
// `files` and `typed` and records every text shown (`dialogs`: title|folder). A question or dialog without an
// answer counts in `unexpected` and gets No (a typed question: cancelled).
struct ScriptedPrompt : Prompt {
    std::deque<bool> answers;
    std::deque<QString> files;
    std::deque<std::optional<QString>> typed;
    std::vector<std::pair<QString, Icon>> shown;
    QStringList dialogs;
    int unexpected = 0;
    int thinking = 0; // event-loop passes a following question stays open before it takes an answer
    void message(const QString& text, Icon icon = Icon::None) override { shown.push_back({text, icon}); }
    bool askYesNo(const QString& text) override {
        shown.push_back({text, Icon::None});
        return answer();
    }
    // Records each new text the question follows; over by itself: Yes without an answer used.
    bool askYesNoFollowing(const QString& text,
                           const std::function<std::optional<QString>()>& follow) override {
        shown.push_back({text, Icon::None});
        for (int k = 0; k < thinking; ++k) {
            QCoreApplication::processEvents();
            const std::optional<QString> now = follow();
            if (!now) return true;
            if (*now != last()) shown.push_back({*now, Icon::None});
        }
        return answer();
    }
    bool answer() {
        const bool yes = !answers.empty() && answers.front();
        answers.empty() ? void(++unexpected) : answers.pop_front();
        return yes;
    }
    QString openFile(const QString& title, const QString& folder, const QString&) override {
        dialogs << title + "|" + folder;
        const QString file = files.empty() ? QString() : files.front();
        files.empty() ? void(++unexpected) : files.pop_front();
        return file;
    }
    QString saveFile(const QString& title, const QString& folder, const QString& filter) override {
        return openFile(title, folder, filter);
    }
    std::optional<QString> askText(const QString& text, const QString&) override {
        shown.push_back({text, Icon::None});
        const std::optional<QString> answer = typed.empty() ? std::nullopt : typed.front();
        typed.empty() ? void(++unexpected) : typed.pop_front();
        return answer;
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown)
            t << s.first;
        return t;
    }
    QString last() const { return shown.empty() ? QString() : shown.back().first; }
    // The one text shown when it was a critical message, else an empty text.
    QString onlyCritical() const {
        return shown.size() == 1 && shown[0].second == Icon::Critical ? last() : "";
    }
};

// The manual clock, with a hook run on every pump so a test can act in the middle of a wait.
struct HookedTicker : ManualTicker {
    std::function<void()> hook;
    void onPump() override { hook ? hook() : void(); }
};

// Everything a window needs, fresh per test, in a temporary folder. The emulator stays
// silent until a test gives it a voice (emulator.setFaults({})).
struct GuiFixture {
    GuiFixture() { emulator.setFaults({.silent = true}); }
    QTemporaryDir dir;
    AppState state;
    SettingsFile settings{dir.filePath(QStringLiteral("korvel.ini")), QStringLiteral("korvel")};
    ScriptedPrompt prompt;
    HookedTicker ticker;
    SimulatedEmulator emulator;
    SimulatedWire wire{emulator, ticker};
    SimulatedPortFactory ports{wire};
    Services services() { return Services{state, settings, prompt, ticker, ports}; }
    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeFile(const QString& name, const QByteArray& content); // returns its path
    void useSample(); // the bundled sample calibration copied here; BinPath and EcuPath point at it
};

// One item of a made-up definition.
struct ItemSpec {
    QString address = {};
    int columns = 1, rows = 1, byteSize = 1, kind = 0;
    double offset = 0;
    int conversion = 0;
    double factor = 1;
    QString title = {}, yLabel = {}, yAxis = {}, xLabel = {}, xAxis = {};
};
// A definition text; `checksum` holds ChecksumAddress, Size, Start and End.
QByteArray ecuText(const std::vector<ItemSpec>& items,
                   const QStringList& checksum = {"7FFE", "2", "0", "7FFD"});
// `length` bytes of `fill` with the given (address, byte) pairs put in.
QByteArray image(int length, const std::vector<std::pair<int, int>>& bytes = {}, char fill = 0);
QByteArray fileBytes(const QString& path);

template <class T = QWidget> T* child(const QObject& window, const QString& name) {
    T* w = window.findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
}
QString text(const QObject& window, const QString& name); // of a line edit, label, combo box or button
void setText(const QObject& window, const QString& name, const QString& text);
inline void click(const QObject& window, const QString& name) {
    child<QAbstractButton>(window, name)->click();
}
void onNextModal(std::function<void(QWidget*)> action); // then closes the window

// Values as one text, separated by spaces: joined("angle", 30, 1.5) == "angle 30 1.5".
inline QString toText(const QString& s) {
    return s;
}
inline QString toText(const char* s) {
    return s;
}
template <class T> QString toText(T v) {
    return QString::number(v);
}
template <class... A> QString joined(const A&... a) {
    return QStringList{toText(a)...}.join(' ');
}

template <class T, size_t N> void rows(const T (&cases)[N]) {
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < N; ++i)
        QTest::newRow(std::get<0>(cases[i])) << int(i);
}
template <class T, size_t N> const T& fetch(const T (&cases)[N]) {
    return cases[*static_cast<int*>(QTest::qData("row", qMetaTypeId<int>()))];
}

// A real editor over the sample calibration, or over a made-up image and definition.
struct EditorHarness {
    EditorHarness() { fx.useSample(); }
    EditorHarness(const QByteArray& bin, const std::vector<ItemSpec>& items) {
        fx.state.BinPath = fx.writeFile(QStringLiteral("rom.bin"), bin);
        fx.state.EcuPath = fx.writeFile(QStringLiteral("rom.ecu"), ecuText(items));
    }
    GuiFixture fx;
    Services services = fx.services();
    std::unique_ptr<frmEditor> editor = std::make_unique<frmEditor>(services);

    bool open(int tab = -1); // Form_Load; when it opened, shown, active and on `tab` (when >= 0)
    template <class T = QWidget> T* find(const QString& name) const { return child<T>(*editor, name); }
    QString text(const QString& name) const { return test::text(*editor, name); }
    void choose(const QString& list, int index) const; // cmbFlag, cmb0Dim, cmb1Dim or cmb2Dim
    void select(const QString& grid, const std::vector<std::pair<int, int>>& cells) const; // (row, column)
    // Types into a box, replacing its text, then presses `leave` (0: stays in the box).
    void type(const QString& box, const QString& text, int leave = Qt::Key_Return) const;
    QString bytes(int address, int count = 1) const { return hexCells(fx.state.BinImage, address, count); }
    QString pending(int address, int count = 1) const {
        return hexCells(fx.state.PendingChanges, address, count);
    }
    int pendingCount() const;         // cells with a pending change
    void edit(int address, int byte); // as an edit does: StoreByte, unsaved
    static QString hexCells(const std::vector<BinCell>& from, int address, int count); // as hex text
};

} // namespace korvel::test
