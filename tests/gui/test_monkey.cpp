// The monkey: the real editor offscreen, driven by thousands of seeded random user
// events over the sample calibration and over hostile definitions (items at and past
// the image's end, 1 x 501, 501 x 1 and 502-wide tables, byte sizes of 0, negative
// and above 8, addresses that are not hexadecimal, Conversion 1 over zero bytes,
// Factor 0). After every event the image must be sound: nothing past its end
// touched, every changed byte recorded as pending with its value (monkey/image_watch.h).
// The seed comes from KORVEL_MONKEY_SEED or the clock and is printed; a failure
// prints it with the last events.

#include "monkey/editor_monkey.h"
#include "support/gui_fixture.h"

#include <QtTest>

#include <random>

using namespace korvel;
using namespace korvel::test;

namespace {

// Per calibration: at most this many events, and at most this much wall time, so the
// sanitizer build stays within its share of the suite.
constexpr int kMaxEvents = 3000;
constexpr double kSeconds = 12;

ItemSpec item(const QString& address, int kind, int cols, int rows, int byteSize, const char* title) {
    ItemSpec it;
    it.address = address;
    it.kind = kind;
    it.columns = cols;
    it.rows = rows;
    it.byteSize = byteSize;
    it.title = QLatin1String(title);
    it.xLabel = QStringLiteral("X");
    it.yLabel = QStringLiteral("Y");
    it.yAxis = QStringLiteral("  A    B    C    D    E    F    G    H  ");
    it.xAxis = QStringLiteral("  0 10 20 30 40");
    return it;
}

QString hex(qint64 v) {
    return QString::number(v, 16).toUpper();
}

// Items that try every edge of an image whose last editable byte is `last`.
std::vector<ItemSpec> hostileItems(int last) {
    std::vector<ItemSpec> items = {
        // Flags: at the last byte, one past it, far past it, not hexadecimal, sizes ignored.
        item(hex(last), 80, 1, 1, 1, "flag at the last byte"),
        item(hex(last + 1), 80, 1, 1, 1, "flag past the end"),
        item(QStringLiteral("FFFFF"), 80, 1, 1, 1, "flag far past the end"),
        item(QStringLiteral("ZZ"), 80, 1, 1, 1, "flag address ZZ"),
        item(QStringLiteral("-1"), 80, 0, -1, -5, "flag at -1, sizes 0 and negative"),
        item(QStringLiteral("FFFFFFFFFFFFFFFFFFFF"), 80, 1, 1, 1, "flag address too long"),
        // Values: byte sizes 0, negative, 1 at the end, 2 over the end, 8 up to the end, 9.
        item(hex(last), 0, 1, 1, 1, "value at the last byte"),
        item(hex(last), 0, 1, 1, 2, "value of 2 over the end"),
        item(hex(last - 7), 0, 1, 1, 8, "value of 8 up to the end"),
        item(QStringLiteral("10"), 0, 1, 1, 0, "value of 0 bytes"),
        item(QStringLiteral("10"), 0, 1, 1, -2, "value of -2 bytes"),
        item(QStringLiteral("10"), 0, 1, 1, 9, "value of 9 bytes"),
        item(QStringLiteral("0x10"), 0, 1, 1, 1, "value address 0x10"),
        item(QStringLiteral(" 1 2"), 0, 1, 1, 2, "value address with a space"),
        // Arrays: 1 x 501 and 501 x 1 that fit, 502 either way, ending at and over the end.
        item(QStringLiteral("0"), 0, 1, 501, 1, "array 1 x 501"),
        item(hex(last - 500), 0, 501, 1, 1, "array 501 x 1 up to the end"),
        item(QStringLiteral("0"), 0, 502, 1, 1, "array 502 x 1"),
        item(QStringLiteral("0"), 0, 1, 502, 1, "array 1 x 502"),
        item(hex(last - 15), 0, 16, 1, 1, "array ending at the last byte"),
        item(hex(last - 14), 0, 16, 1, 1, "array one over the end"),
        item(QStringLiteral("G00"), 0, 4, 1, 1, "array address G00"),
        // Maps: 502 wide, 501 wide that fits, at and over the end, any kind but flag.
        item(QStringLiteral("0"), 7, 502, 2, 1, "map 502 x 2"),
        item(QStringLiteral("0"), 0, 2, 502, 1, "map 2 x 502"),
        item(QStringLiteral("0"), 0, 501, 2, 1, "map 501 x 2"),
        item(hex(last - 15), 3, 4, 4, 1, "map ending at the last byte"),
        item(hex(last - 14), 0, 4, 4, 1, "map one over the end"),
        item(QStringLiteral(""), 0, 3, 3, 1, "map without an address"),
        item(QStringLiteral("40"), 0, 600, 600, 1, "map 600 x 600"),
    };
    // Conversion 1 over zero bytes (the image has zeros at 0x200..0x2FF), Factor 0,
    // an unknown conversion, and huge factors.
    for (ItemSpec it : {item(QStringLiteral("200"), 0, 1, 1, 1, "value 1/raw at zero"),
                        item(QStringLiteral("200"), 0, 8, 1, 1, "array 1/raw at zero"),
                        item(QStringLiteral("200"), 0, 5, 5, 1, "map 1/raw at zero")}) {
        it.conversion = 1;
        it.factor = 100;
        items.push_back(it);
        it.title += QStringLiteral(", factor 0");
        it.factor = 0;
        items.push_back(it);
        it.title += QStringLiteral(", conversion 7");
        it.conversion = 7;
        items.push_back(it);
        it.title += QStringLiteral(", factor 1e300");
        it.conversion = 0;
        it.factor = 1e300;
        it.offset = -1e300;
        items.push_back(it);
    }
    return items;
}

// A BIN file of `length` bytes: counting bytes, with zeros at 0x200..0x2FF.
QByteArray hostileImage(int length) {
    QByteArray image(length, '\0');
    for (int a = 0; a < length; ++a)
        image[a] = static_cast<char>((a >= 0x200 && a < 0x300) ? 0 : (a * 37 + 11) & 0xFF);
    return image;
}

quint64 baseSeed() {
    static const quint64 seed = [] {
        bool ok = false;
        const quint64 s = qEnvironmentVariable("KORVEL_MONKEY_SEED").toULongLong(&ok);
        return ok ? s : std::random_device{}();
    }();
    return seed;
}

} // namespace

// The offscreen platform says what it cannot do (grab the keyboard, raise a window)
// each time a popup or a window opens; thousands of those would bury the report.
QtMessageHandler g_previousHandler = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_previousHandler) g_previousHandler(type, context, text);
}

class TestMonkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_previousHandler = qInstallMessageHandler(quietPlatform); }

    void randomEventsKeepTheImageSound_data() {
        QTest::addColumn<int>("length");           // 0: the sample calibration
        QTest::addColumn<QStringList>("checksum"); // address, size, start, end of the header
        QTest::addColumn<int>("salt");
        QTest::newRow("sample") << 0 << QStringList{} << 1;
        // 2 KiB: BinSize 2064, the last editable byte 0x7FF; the checksum in its last two bytes.
        QTest::newRow("hostile, 2 KiB") << 2048 << QStringList{"7FE", "2", "0", "7FD"} << 2;
        // 1000 bytes: BinSize 1008, the last editable byte 991 (3DF); bytes 992..999 stay.
        // The checksum's second byte and its summed range lie past the end.
        QTest::newRow("hostile, 1000 bytes") << 1000 << QStringList{"3DF", "2", "0", "FFFFF"} << 3;
        // 4 KiB with a header that is not hexadecimal and a size of 0.
        QTest::newRow("hostile, 4 KiB") << 4096 << QStringList{"ZZ", "0", "-1", "FFF"} << 4;
    }

    void randomEventsKeepTheImageSound() {
        QFETCH(int, length);
        QFETCH(QStringList, checksum);
        QFETCH(int, salt);
        const quint64 seed = baseSeed() + static_cast<quint64>(salt);
        std::mt19937_64 rng(seed);
        GuiFixture f;
        if (length == 0) {
            f.useSample();
        } else {
            const int binSize = length % 16 == 0 ? length + 16 : (length + 15) / 16 * 16;
            f.state.BinPath = f.writeFile(QStringLiteral("hostile.bin"), hostileImage(length));
            f.state.EcuPath =
                f.writeFile(QStringLiteral("hostile.ecu"), ecuText(hostileItems(binSize - 17), checksum[0],
                                                                   checksum[1], checksum[2], checksum[3]));
        }
        MonkeyPrompt prompt(rng);
        Services services{f.state, f.settings, prompt, f.ticker, *f.ports};
        EditorMonkey monkey(f.state, services, prompt, rng);
        QString reason;
        QVERIFY2(monkey.open(reason), qPrintable(reason));
        const EditorMonkey::Report r = monkey.run(kMaxEvents, kSeconds);
        std::printf("monkey %s: seed %llu (KORVEL_MONKEY_SEED=%llu), %d events (%d skipped), %d questions, "
                    "%d messages, %d reopenings, %d popups closed, up to %d bytes changed\n",
                    QTest::currentDataTag(), static_cast<unsigned long long>(seed),
                    static_cast<unsigned long long>(baseSeed()), r.events, r.skipped, prompt.questions,
                    prompt.messages, r.reopenings, r.popupsClosed, r.maxChangedBytes);
        QString kinds;
        for (const auto& [name, n] : r.byAction)
            kinds += QStringLiteral(" %1 %2,").arg(QLatin1String(name.c_str())).arg(n);
        std::printf("  by kind:%s\n", qPrintable(kinds.chopped(1)));
        std::fflush(stdout);
        QVERIFY2(r.failure.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(r.failure)));
        // A monkey that did nothing would pass every check.
        QVERIFY2(r.events >= 200, qPrintable(QStringLiteral("only %1 events").arg(r.events)));
    }
};

QTEST_MAIN(TestMonkey)
#include "test_monkey.moc"
