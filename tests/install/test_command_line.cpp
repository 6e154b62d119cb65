#include "app/command_line.h"
#include "core/version_numbers.h"

#include <QDir>
#include <QtTest>

using namespace korvel;
using Action = CommandLine::Action;
Q_DECLARE_METATYPE(Action)

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("bin");
        QTest::addColumn<QString>("ecu");
        QTest::addColumn<QString>("text"); // a part of the text printed
        const QString here = QDir::currentPath() + QLatin1Char('/');
        const QString version = QStringLiteral("korvel %1\n").arg(QLatin1String(kReleaseVersion));

        QTest::newRow("nothing") << QStringList{} << Action::Start << ""
                                 << ""
                                 << "";
        QTest::newRow("both files") << QStringList{"rom.bin", "/defs/engine.ecu"} << Action::Start
                                    << here + "rom.bin"
                                    << "/defs/engine.ecu"
                                    << "";
        QTest::newRow("definition first")
            << QStringList{"/d/ENGINE.ECU", "/d/rom.bin"} << Action::Start << "/d/rom.bin"
            << "/d/ENGINE.ECU"
            << "";
        QTest::newRow("two images keep their order")
            << QStringList{"/d/a.bin", "/d/b.bin"} << Action::Start << "/d/a.bin"
            << "/d/b.bin"
            << "";
        QTest::newRow("one image") << QStringList{"/d/rom.bin"} << Action::Start << "/d/rom.bin"
                                   << ""
                                   << "";
        QTest::newRow("one definition")
            << QStringList{"sub/../engine.Ecu"} << Action::Start << "" << here + "engine.Ecu"
            << "";
        QTest::newRow("--version") << QStringList{"--version"} << Action::Answer << ""
                                   << "" << version;
        QTest::newRow("-v beats files") << QStringList{"/d/a.bin", "-v"} << Action::Answer << ""
                                        << "" << version;
        QTest::newRow("--help") << QStringList{"--help"} << Action::Answer << ""
                                << ""
                                << "[IMAGE.bin] [DEFINITION.ecu]";
        QTest::newRow("three files") << QStringList{"a.bin", "b.ecu", "c"} << Action::Refuse << ""
                                     << ""
                                     << "at most two files";
        QTest::newRow("unknown option") << QStringList{"--frob", "a.bin"} << Action::Refuse << ""
                                        << ""
                                        << "Unknown option 'frob'";
        QTest::newRow("Qt's options are passed over")
            << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse", "/d/a.bin",
                           "--display", ":1"}
            << Action::Start << "/d/a.bin"
            << ""
            << "";
        QTest::newRow("three files among Qt's options")
            << QStringList{"a.bin", "--platform", "xcb", "b.ecu", "c"} << Action::Refuse << ""
            << ""
            << "at most two files";
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(Action, action);
        QFETCH(QString, bin);
        QFETCH(QString, ecu);
        QFETCH(QString, text);
        const CommandLine c = parseCommandLine(QStringList{"korvel"} + args);
        QCOMPARE(static_cast<int>(c.action), static_cast<int>(action));
        QCOMPARE(c.binPath, bin);
        QCOMPARE(c.ecuPath, ecu);
        QCOMPARE(c.opensEditor(), !bin.isEmpty() && !ecu.isEmpty());
        QVERIFY2(c.text.contains(text), qPrintable(c.text));
        // A refusal shows the usage after the problem, which is also told alone (for a box).
        if (action == Action::Refuse)
            QVERIFY(c.text.contains(QLatin1String("--version")) && !c.reason.isEmpty() &&
                    c.text.startsWith(c.reason + '\n') && !c.reason.contains('\n'));
    }

    void windowsNeedADisplay_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<bool>("shown");
        QTest::newRow("nothing") << QStringList{} << QStringList{} << false;
        QTest::newRow("X display") << QStringList{} << QStringList{"DISPLAY=:0"} << true;
        QTest::newRow("Wayland") << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-0"} << true;
        QTest::newRow("-display") << QStringList{"--display", ":3"} << QStringList{} << true;
        QTest::newRow("offscreen") << QStringList{} << QStringList{"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"}
                                   << false;
        QTest::newRow("-platform over the environment")
            << QStringList{"-platform", "minimal:enable_fonts"}
            << QStringList{"DISPLAY=:0", "QT_QPA_PLATFORM=xcb"} << false;
        QTest::newRow("xcb without a display")
            << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb"} << false;
        QTest::newRow("the next of a list")
            << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland;xcb", "DISPLAY=:0"} << true;
        QTest::newRow("framebuffer") << QStringList{} << QStringList{"QT_QPA_PLATFORM=linuxfb"} << true;
    }
    void windowsNeedADisplay() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, environment);
        QFETCH(bool, shown);
        QProcessEnvironment env; // empty
        for (const QString& pair : environment)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        QCOMPARE(canShowWindows(QStringList{"korvel"} + args, env), shown);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
