#include "core/version.h"
#include "support/gui_fixture.h"
#include "viewer/frm_view.h"
#include "viewer/view_layout.h"
#include "widgets/picture_box.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include <cmath>

using namespace korvel;
using namespace korvel::test;

class TestViewer : public QObject {
    Q_OBJECT

private slots:
    void captionShowsTheFileSize_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("size");
        QTest::newRow("32784") << 32768 << "32K";
        QTest::newRow("1040") << 1024 << "1K";
        QTest::newRow("1552") << 1536 << "1.5K";
    }
    void captionShowsTheFileSize() {
        QFETCH(int, length);
        QFETCH(QString, size);
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(length, '\x40'));
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({}));
        Services s = f.services();
        frmView v(s);
        QCOMPARE(v.Form_Load().outcome, OpeningResult::Outcome::Opened);
        QCOMPARE(v.windowTitle(),
                 QStringLiteral("Lumsk Version %1     File Size: %2").arg(versionText(), size));
    }

    void aRejectedDefinitionClosesTheViewer() {
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(64, '\x40'));
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), "[not a definition]\n");
        Services s = f.services();
        frmView v(s);
        QCOMPARE(v.Form_Load().outcome, OpeningResult::Outcome::ClosedItself);
        QCOMPARE(f.prompt.texts(), QStringList{"Incorrect ECU Format"});
        QCOMPARE(f.prompt.shown.front().icon, Prompt::Icon::Critical);
    }

    void layoutFollowsTheWindowSize() {
        const ViewLayout l = viewLayout(9000, 3000);
        QCOMPARE(l.lbl128.top(), 3000 / 1.8 - 850);
        QVERIFY(std::abs(l.lbl128.top() - 816.7) < 0.05);
        QCOMPARE(l.lbl255.top(), 200.0);
        QCOMPARE(l.lbl0.top(), 1270.0);
        QCOMPARE(l.picture, QRectF(480, 120, 8380, 1380));
        QCOMPARE(l.addressLabels[1].left(), 9000 / 4.0 + 200);
        QCOMPARE(l.addressLabels[4].left(), 9000 - 480.0);
        QCOMPARE(l.txtCols.top(), 3000 - 795.0);
    }

    void theWindowCannotBeMadeTooSmallForTheGraph() {
        GuiFixture f;
        Services s = f.services();
        frmView v(s);
        v.resize(10, 10);
        QVERIFY(v.width() >= v.twipsToPixelsX(kViewLeastWidth));
        QVERIFY(v.height() >= v.twipsToPixelsY(kViewLeastHeight));
    }

    void boxesRefuseWhatTheImageCannotShow_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("start not hex") << "txtStart"
                                       << "xyz"
                                       << "35";
        QTest::newRow("start past the image") << "txtStart"
                                              << "8010"
                                              << "35";
        QTest::newRow("start near the end") << "txtStart"
                                            << "7FF0"
                                            << "7FF0";
        QTest::newRow("start fits") << "txtStart"
                                    << "7f00"
                                    << "7F00";
        QTest::newRow("run not a number") << "txtCols"
                                          << "lots"
                                          << "140";
        QTest::newRow("run above 500") << "txtCols"
                                       << "600"
                                       << "140";
        QTest::newRow("run of 501 is corrected") << "txtCols"
                                                 << "501"
                                                 << "500";
        QTest::newRow("run of 1 is corrected") << "txtCols"
                                               << "1"
                                               << "2";
    }
    void boxesRefuseWhatTheImageCannotShow() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        GuiFixture f;
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), QByteArray(32768, '\x40'));
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({}));
        Services s = f.services();
        frmView v(s);
        v.Form_Load();
        auto* edit = v.findChild<QLineEdit*>(box);
        edit->setText(typed);
        box == QLatin1String("txtStart") ? v.txtStart_LostFocus() : v.txtCols_LostFocus();
        QCOMPARE(edit->text(), after);
        QVERIFY(f.prompt.shown.empty());
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("lbl1"))->text(),
                 v.findChild<QLineEdit*>(QStringLiteral("txtStart"))->text());
    }

    void steppersMoveTheRunAndTheLabels() {
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmView v(s);
        v.Form_Load();
        auto* start = v.findChild<QScrollBar*>(QStringLiteral("vscStart"));
        start->setValue(-1); // up arrow: one address further
        QCOMPARE(start->value(), 0);
        QCOMPARE(v.findChild<QLineEdit*>(QStringLiteral("txtStart"))->text(), QStringLiteral("36"));
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("lbl5"))->text(), QStringLiteral("C2")); // 0x36 + 140
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("lbl3"))->text(), QStringLiteral("7C")); // 0x36 + 70
        auto* cols = v.findChild<QScrollBar*>(QStringLiteral("vscCols"));
        cols->setValue(1);
        QCOMPARE(v.findChild<QLineEdit*>(QStringLiteral("txtCols"))->text(), QStringLiteral("139"));
        QCOMPARE(v.findChild<QLabel*>(QStringLiteral("lbl2"))->text(), QStringLiteral("58")); // 0x36 + 139/4
    }

    void thePictureShowsTheFrameAndTheRun() {
        GuiFixture f;
        QByteArray image(32768, '\0');
        image[0x35] = static_cast<char>(255); // column 0 sets the vertical scale
        image[0x35 + 30] = static_cast<char>(255);
        f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), image);
        f.state.EcuPath = f.writeFile(QStringLiteral("rom.ecu"), ecuText({}));
        Services s = f.services();
        frmView v(s);
        v.Form_Load();
        PictureBox* pic = v.picture();
        const QImage img = pic->renderImage(QSize(300, 304)); // 2 pixels per unit
        auto ink = [&](double ux, double uy) {
            const int px = qRound((ux + 2) * 2), py = qRound((uy + 150) * 2);
            return qGray(img.pixel(px, py)) < 100;
        };
        QVERIFY2(ink(72.5, -64), "frame lines cross in the middle");
        QVERIFY2(ink(145, -100), "right edge of the frame");
        QVERIFY2(!ink(20, -110), "inside a frame cell, away from the graph");
        // Column 30 of the 140 lies at 30 / (139 cos 30) x 125 units, as high as column 0: 125 units up.
        const double x30 = 30 / (139 * 0.8660178) * 125;
        QVERIFY2(ink(x30, -125), "the point of column 30");
        QVERIFY2(!ink(x30 + 3, -125), "nothing beside it");

        // The graph is stretched over the whole picture, so it lines up with the address labels.
        const QImage wide = pic->renderImage(QSize(600, 304)); // 4 pixels a unit across, 2 down
        QVERIFY2(qGray(wide.pixel(qRound((145 + 2) * 4.0), qRound((-100 + 150) * 2.0))) < 100, "right edge");
        QVERIFY2(qGray(wide.pixel(qRound((0 + 2) * 4.0), qRound((-100 + 150) * 2.0))) < 100, "left edge");
    }
};

QTEST_MAIN(TestViewer)
#include "test_viewer.moc"
