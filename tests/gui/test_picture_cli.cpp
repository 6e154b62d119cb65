// korvel-cli render-map: the PNG is the map picture the editor draws, and bad
// arguments fail with a message and exit code 2.
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"
#include "widgets/picture_box.h"

#include <QComboBox>
#include <QProcess>
#include <QScrollBar>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;

namespace {

struct Run {
    int exitCode = -1;
    QString err;
};

Run cli(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-cli/korvel-cli"), args);
    if (!p.waitForFinished(30000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestPictureCli : public QObject {
    Q_OBJECT

private slots:
    void drawsWhatTheMapsTabDraws_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("angle");
        QTest::newRow("by title") << QStringLiteral("Spark advance") << 30;
        QTest::newRow("by id, turned") << QStringLiteral("10") << 75;
    }
    void drawsWhatTheMapsTabDraws() {
        QFETCH(QString, item);
        QFETCH(int, angle);
        GuiFixture f;
        f.useSample();
        const QString png = f.path(QStringLiteral("map.png"));
        const Run r = cli({QStringLiteral("render-map"), f.state.BinPath, f.state.EcuPath, item, png,
                           QStringLiteral("--angle"), QString::number(angle), QStringLiteral("--size"),
                           QStringLiteral("300")});
        QCOMPARE(r.exitCode, 0);
        QImage drawn(png);
        QCOMPARE(drawn.size(), QSize(300, 300));

        Services s = f.services();
        frmEditor e(s);
        QVERIFY(e.Form_Load().outcome == OpeningResult::Outcome::Opened);
        auto* combo = e.findChild<QComboBox*>(QStringLiteral("cmb2Dim"));
        const int index = item == QLatin1String("10") ? 1 : 0; // item 10 is the second map
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        auto* rotate = e.findChild<QScrollBar*>(QStringLiteral("scrRotAngle"));
        while (e.vars().RotationAngle != angle)
            rotate->setValue(e.vars().RotationAngle < angle ? -1 : 1);
        const QImage shown = e.findChild<PictureBox*>(QStringLiteral("picMap"))->renderImage(QSize(300, 300));
        QCOMPARE(drawn.convertToFormat(QImage::Format_RGB32), shown);
    }

    void refusesWhatItCannotDraw_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such item")
            << QStringList{QStringLiteral("Boost map")} << QStringLiteral("no item");
        QTest::newRow("not a map") << QStringList{QStringLiteral("Cranking fuel")}
                                   << QStringLiteral("not a map");
        QTest::newRow("bad size") << QStringList{QStringLiteral("9"), QStringLiteral("--size"),
                                                 QStringLiteral("0")}
                                  << QStringLiteral("--size");
        QTest::newRow("bad angle") << QStringList{QStringLiteral("9"), QStringLiteral("--angle"),
                                                  QStringLiteral("x")}
                                   << QStringLiteral("--angle");
    }
    void refusesWhatItCannotDraw() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        GuiFixture f;
        f.useSample();
        const QString png = f.path(QStringLiteral("map.png"));
        QStringList all{QStringLiteral("render-map"), f.state.BinPath, f.state.EcuPath, args.takeFirst(),
                        png};
        const Run r = cli(all + args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFile::exists(png));
    }

    void missingImageFileIsNamed() {
        GuiFixture f;
        f.useSample();
        const Run r = cli({QStringLiteral("render-map"), f.path(QStringLiteral("none.bin")), f.state.EcuPath,
                           QStringLiteral("9"), f.path(QStringLiteral("map.png"))});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains(QStringLiteral("none.bin Not Found")));
    }
};

QTEST_MAIN(TestPictureCli)
#include "test_picture_cli.moc"
