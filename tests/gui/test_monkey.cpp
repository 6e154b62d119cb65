// The monkey: the real editor driven by seeded random user events over the sample and hostile
// definitions. After every event the image must be sound: nothing past the last byte Save writes
// changed, every changed byte pending with its value, and while the editor counts as saved the
// file holds the image. Closing answers at random and opens the editor again. KORVEL_MONKEY_SEED
// sets the seed (default 1); a failure prints it with the last events.
#include "support/editor_harness.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <random>

using namespace korvel;
using namespace korvel::test;

namespace {

// Items that try every edge of an image whose last editable byte is `last` ("L-7": 7 before
// it), each as address, kind, columns, rows and byte size; those at 200 lie over zeros.
std::vector<ItemSpec> hostileItems(int last) {
    const QString shapes =
        "L 80 1 1 1;L+1 80 1 1 1;FFFFF 80 1 1 1;ZZ 80 1 1 1;-1 80 0 -1 -5;FFFFFFFFFFFFFFFFFFFF 80 1 1 1;"
        "L 0 1 1 1;L 0 1 1 2;L-7 0 1 1 8;10 0 1 1 0;10 0 1 1 -2;10 0 1 1 9;0x10 0 1 1 1;0 0 1 501 1;"
        "L-500 0 501 1 1;0 0 502 1 1;0 0 1 502 1;L-15 0 16 1 1;L-14 0 16 1 1;G00 0 4 1 1;0 7 502 2 1;"
        "0 0 2 502 1;0 0 501 2 1;L-15 3 4 4 1;L-14 0 4 4 1;_ 0 3 3 1;40 0 600 600 1;200 0 1 1 1;"
        "200 0 8 1 1;200 0 5 5 1";
    std::vector<ItemSpec> items;
    for (const QString& shape : shapes.split(';')) {
        const QStringList f = shape.split(' ');
        QString address = f[0] == "_" ? "" : f[0];
        if (f[0][0] == 'L') address = QString::number(last + f[0].mid(1).toInt(), 16).toUpper();
        ItemSpec it{address, f[2].toInt(), f[3].toInt(), f[4].toInt(), f[1].toInt()};
        it.title = ' ' + shape, it.yAxis = "  A    B    C    D    E    F    G    H  ",
        it.xAxis = "  0 10 20 30 40";
        // As it is, and at 200 also with Conversion 1, Factor 0, an unknown conversion, huge numbers.
        for (auto [conversion, factor, offset] :
             {std::tuple{0, 1.0, 0.0}, {1, 100.0, 0.0}, {1, 0.0, 0.0}, {7, 0.0, 0.0}, {0, 1e300, -1e300}}) {
            it.conversion = conversion, it.factor = factor, it.offset = offset;
            items.push_back(it);
            if (address != "200") break;
        }
    }
    return items;
}

struct Monkey {
    Monkey(GuiFixture& f, quint64 seed) : f(f), rng(seed) {
        for (int k = 0; k < 100000; ++k) // a random answer to every question
            f.prompt.answers.push_back(rng() & 1);
        const std::optional<QString> typed[] = {"5", "-300", "150", "12,5", "x", std::nullopt};
        for (int k = 0; k < 10000; ++k) // and to every typed one: a number, a word or Cancel
            f.prompt.typed.push_back(typed[rng() % 6]);
        // A modal window would stop the monkey inside exec(): it is closed and reported.
        QObject::connect(&guard, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != editor.get()) modals << modal->metaObject()->className(), modal->close();
        });
        guard.start(20);
    }
    GuiFixture& f;
    std::mt19937_64 rng;
    Services services = f.services();
    std::unique_ptr<frmEditor> editor;
    std::vector<BinCell> loaded, pendingAtOpen;
    int lastSaved = 0, reopenings = 0;
    QStringList modals, recent;
    QTimer guard;

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    QString oneOf(const char* names) {
        const QStringList n = QString(names).split(' ');
        return n[pick(0, int(n.size()) - 1)];
    }
    template <class T = QWidget> T* usable(const QString& name) const { // reachable by the user now
        T* w = editor->findChild<T*>(name);
        return w && w->isVisible() && w->isEnabled() ? w : nullptr;
    }

    QString open() {
        editor = std::make_unique<frmEditor>(services);
        if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened)
            return "did not open: " + f.prompt.last();
        editor->show();
        QApplication::setActiveWindow(editor.get());
        if (!QTest::qWaitForWindowActive(editor.get())) return QStringLiteral("did not become active");
        loaded = f.state.BinImage, pendingAtOpen = f.state.PendingChanges;
        lastSaved = std::min(f.state.lastSavedCell(), kImageCells - 1);
        return {};
    }

    // One random user event: what it did, or an empty text when its control could not be reached.
    QString act() {
        static const int keys[] = {
            Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus,  Qt::Key_Underscore, Qt::Key_Up,  Qt::Key_Down,
            Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_End,        Qt::Key_Tab, Qt::Key_Return,
            Qt::Key_F4,   Qt::Key_Space, Qt::Key_Delete, Qt::Key_E,          Qt::Key_5};
        static const Qt::KeyboardModifiers mods[] = {
            {}, {}, Qt::ShiftModifier, Qt::ControlModifier, Qt::KeypadModifier};
        static std::discrete_distribution<int> kinds({8, 16, 6, 12, 12, 26, 5, 0, 1});
        QWidget* w = nullptr;
        const int kind = kinds(rng), n = pick(0, 7), key = keys[pick(0, 16)];
        const Qt::KeyboardModifiers mod = mods[pick(0, 4)];
        if (kind == 0 && (w = usable<QTabWidget>("SSTab1")))
            QTest::mouseClick(static_cast<QTabWidget*>(w)->tabBar(), Qt::LeftButton, {},
                              static_cast<QTabWidget*>(w)->tabBar()->tabRect(n % 5).center());
        if (auto* c = kind == 1 ? usable<QComboBox>(oneOf("cmbFlag cmb0Dim cmb1Dim cmb2Dim")) : nullptr;
            c && c->count()) {
            c->setCurrentIndex(pick(0, c->count() - 1));
            emit c->activated(c->currentIndex());
            w = c;
        }
        if (kind == 2 && (w = usable(QStringLiteral("chkFlag%1").arg(n))))
            QTest::mouseClick(w, Qt::LeftButton);
        if (kind == 3 &&
            (w = usable<QScrollBar>(oneOf("scrValue scrRotAngle scrPanHor scrPanVer scrZoom vscStart "
                                          "vscCols vscRows hscHexMap"))))
            static_cast<QScrollBar*>(w)->triggerAction(
                QAbstractSlider::SliderAction(1 + n % 4)); // single and page steps
        if (auto* box = kind == 4
                            ? usable<QLineEdit>(oneOf("txtValue_Raw txtValue_Raw txtStart txtCols txtRows"))
                            : nullptr) {
            QTest::mouseClick(box, Qt::LeftButton);
            if (n < 5) QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QString text; // mostly digits, now and then other characters or a long run
            for (int k = pick(0, 1) ? pick(0, 6) : pick(0, 24); k > 0; --k)
                text += QString("0123456789ABCDEFabcdef0123456789GXZgz -+.,;_!0x")[pick(0, 46)];
            QTest::keyClicks(box, text);
            if (n < 6) QTest::keyClick(box, n < 3 ? Qt::Key_Return : Qt::Key_Tab);
            if (QWidget* list = usable("cmb0Dim"); list && n == 6) QTest::mouseClick(list, Qt::LeftButton);
            return QStringLiteral("%1: \"%2\" then %3").arg(box->objectName(), text).arg(n);
        }
        if (auto* g = kind == 5 ? usable<TableGrid>(oneOf("grdLine grdMap grdHex")) : nullptr;
            (w = g) && n < 5) {
            g->setFocus();
            QTest::keyClick(g, Qt::Key(key), mod); // a key, or a click on a cell
        } else if (g) {
            const QModelIndex cell = g->model()->index(pick(0, g->rows() - 1), pick(0, g->cols() - 1));
            g->scrollTo(cell);
            QTest::mouseClick(g->viewport(), Qt::LeftButton, mod, g->visualRect(cell).center());
        }
        const QString buttons =
            "cmdShowIn_1 cmdShowIn_2 cmdSave cmdChkSum cmdPopulate cmdComplete cmdDownload "
            "cmdCheck cmdBatch cmdUpload chkVerify";
        if (kind == 6 && (w = editor->findChild<QWidget*>(oneOf(qPrintable(buttons)))) && !w->isVisible())
            w = nullptr;
        if (kind == 6 && w)
            QTest::mouseClick(w, Qt::LeftButton); // a disabled button takes it and does nothing
        if (kind == 8) n < 4 ? QTest::keyClick(editor.get(), Qt::Key_Escape) : void(editor->close());
        if (kind == 8) return QStringLiteral("close the editor");
        return w ? joined(kind, w->objectName(), n, "key", key, int(mod)) : "";
    }

    QString check() const {
        const auto& [image, pending] = std::tie(f.state.BinImage, f.state.PendingChanges);
        for (size_t a = 0; a <= size_t(lastSaved); ++a) {
            const BinCell &c = image[a], &p = pending[a];
            const bool changed = c.Value != loaded[a].Value;
            const bool recorded = p.Address != pendingAtOpen[a].Address || p.Value != pendingAtOpen[a].Value;
            if ((changed || recorded) && (p.isEmpty() || p.Value != c.Value))
                return QString("byte %1 is %2, its pending change \"%3\"")
                    .arg(a)
                    .arg(c.valueText(), p.valueText());
        }
        const size_t from = size_t(lastSaved + 1), n = (size_t(kImageCells) - from) * sizeof(BinCell);
        if (memcmp(&image[from], &loaded[from], n) || memcmp(&pending[from], &pendingAtOpen[from], n))
            return QStringLiteral("a cell past the last editable byte %1 changed").arg(lastSaved);
        const QByteArray file = editor->isSaved() ? fileBytes(f.state.BinPath) : QByteArray();
        for (int a = 0; a < std::min<int>(lastSaved + 1, int(file.size())); ++a)
            if (uchar(file[a]) != f.state.byteAt(a))
                return QStringLiteral("saved, but byte %1 of the file differs").arg(a);
        return {};
    }

    // Runs up to 1500 events or 10 seconds; the first problem with the last events, or an empty text.
    QString run(int& events) {
        QElapsedTimer clock;
        clock.start();
        QString problem = open();
        while (problem.isEmpty() && events < 1500 && !clock.hasExpired(10000)) {
            const QString event = act();
            if (event.isEmpty()) continue;
            recent << QStringLiteral("#%1 %2").arg(++events).arg(event);
            QCoreApplication::processEvents();
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            problem = modals.isEmpty() && !f.prompt.unexpected
                          ? check()
                          : "a modal window or file dialog: " + modals.join(' ');
            if (problem.isEmpty() && !editor->isVisible())
                ++reopenings, problem = open(); // closed: sound, so again
        }
        return problem.isEmpty()
                   ? problem
                   : problem + "\n" + recent.mid(std::max(0, int(recent.size()) - 25)).join('\n');
    }
};

// Length (0: the sample), checksum header.
const std::tuple<const char*, int, QStringList> kCalibrations[] = {
    {"sample", 0, {}},
    {"hostile, 2 KiB", 2048, {"7FE", "2", "0", "7FD"}},        // the last editable byte 0x7FF
    {"hostile, 1000 bytes", 1000, {"3DF", "2", "0", "FFFFF"}}, // the sum and a stored byte past the end
    {"hostile, 4 KiB", 4096, {"ZZ", "0", "-1", "FFF"}}};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { // the offscreen platform says what it cannot do each time a popup opens
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtWarningMsg || !text.startsWith("This plugin does not support"))
                fprintf(stderr, "%s\n", qPrintable(text));
        });
    }

    void randomEventsKeepTheImageSound_data() { rows(kCalibrations); }
    void randomEventsKeepTheImageSound() {
        const auto& [tag, length, checksum] = fetch(kCalibrations);
        const quint64 base = qEnvironmentVariable("KORVEL_MONKEY_SEED", "1").toULongLong(),
                      seed = base + length;
        GuiFixture f;
        QByteArray bin(length, '\0'); // counting bytes, with zeros at 200..2FF
        for (int a = 0; a < length; ++a)
            bin[a] = char(a >= 0x200 && a < 0x300 ? 0 : (a * 37 + 11) & 0xFF);
        const int binSize = (length + 16) / 16 * 16; // a whole block more when the length is a multiple of 16
        f.state.BinPath = f.writeFile(QStringLiteral("hostile.bin"), bin);
        f.state.EcuPath =
            f.writeFile(QStringLiteral("hostile.ecu"), ecuText(hostileItems(binSize - 17), checksum));
        if (length == 0) f.useSample();
        Monkey monkey(f, seed);
        int events = 0;
        const QString problem = monkey.run(events);
        qInfo("monkey %s: seed %llu (KORVEL_MONKEY_SEED=%llu), %d events, %d reopenings", tag, seed, base,
              events, monkey.reopenings);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(problem)));
        QVERIFY2(events >= 200, "a monkey that did nothing would pass every check");
    }
};

QTEST_MAIN(TestMonkey)
#include "test_monkey.moc"
