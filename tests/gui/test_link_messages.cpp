// What the windows show when the link cannot even start: the editor's opening on a
// port that cannot be used, and a transfer window whose run fails before its first byte.
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"
#include "transfer/frm_download.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace korvel;
using namespace korvel::test;

class TestLinkMessages : public QObject {
    Q_OBJECT

private slots:
    void unusablePortLeavesTheTransferButtonsOffAndSaysWhy() {
        GuiFixture f;
        f.useSample();
        f.state.EmulatorFound = true; // left over from an earlier editor
        f.settings.WriteSetting(QStringLiteral("Port 1 Device"), QStringLiteral("/dev/ttyGone"));
        f.wire.openError = QStringLiteral("no such device");
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.Form_Load().outcome, OpeningResult::Outcome::Opened);
        QCOMPARE(f.prompt.texts(),
                 QStringList{"Error finding Usable Port.\nCannot open /dev/ttyGone: no such device"});
        for (const char* name : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(!e.findChild<QPushButton*>(QLatin1String(name))->isEnabled(), name);
    }

    void aRunThatFailsBeforeItsFirstByteLeavesTheLabelsEmpty() {
        GuiFixture f;
        f.wire.openError = QStringLiteral("no such device");
        Services s = f.services();
        frmDownload w(s);
        w.start();
        QCOMPARE(f.prompt.texts().size(), 1);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblWhat"))->text(), QString());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblWhere"))->text(), QString());
    }
};

QTEST_MAIN(TestLinkMessages)
#include "test_link_messages.moc"
