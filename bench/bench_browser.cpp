// Times filling the tree and one keystroke in the item browser's filter box, offscreen, over 1,000 and 10,000
// generated entries in 20 categories: the tree narrowed (or widened), the counts written and
// the window repainted. A keystroke must fit in one frame (16.7 ms at 60 Hz).
#include "editor/browser_view.h"
#include "measure.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>

using namespace korvel;
using korvel::bench::measure;

namespace {

std::vector<BrowseEntry> generated(int count) {
    static const char* const kWords[] = {"Fuel",  "Spark",    "Idle", "Boost", "Knock", "Cam",   "Lambda",
                                         "Start", "Throttle", "Fan",  "Limit", "Warm",  "Target"};
    constexpr int kWordCount = static_cast<int>(std::size(kWords));
    std::vector<BrowseEntry> entries;
    for (int i = 0; i < count; ++i) {
        const QString a = QLatin1String(kWords[i % kWordCount]),
                      b = QLatin1String(kWords[(i / 7) % kWordCount]);
        entries.push_back(
            {QStringLiteral("Category %1").arg(i % 20),
             QStringLiteral("%1 %2 table %3").arg(a, b).arg(i),
             QStringLiteral("The %1 correction by %2, in steps of %3 counts").arg(a, b).arg(i % 9),
             {},
             i + 1});
    }
    return entries;
}

void keystrokes(int count) {
    frmBrowser browser;
    std::vector<BrowseEntry> entries = generated(count);
    const QByteArray fill = QStringLiteral("fill the tree, %1 entries").arg(count).toLatin1();
    measure(fill.constData(), 5, 300, [&] { browser.setEntries(entries); });
    browser.show();
    QApplication::processEvents();
    auto* box = browser.findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    // Typing "spark t" and deleting it again, one key event into the box at a time.
    const QString typed = QStringLiteral("spark t");
    std::vector<std::pair<int, QString>> keys; // key code, text
    for (const QChar c : typed)
        keys.emplace_back(Qt::Key_A, QString(c));
    for (int n = 0; n < typed.size(); ++n)
        keys.emplace_back(Qt::Key_Backspace, QString());
    size_t step = 0;
    const QByteArray what = QStringLiteral("filter keystroke, %1 entries").arg(count).toLatin1();
    measure(what.constData(), 10 * static_cast<int>(keys.size()), 16.7, [&] {
        const auto& [code, text] = keys[step++ % keys.size()];
        QKeyEvent key(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &key);
        browser.repaint();
    });
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    keystrokes(1000);
    keystrokes(10000);
    return 0;
}
