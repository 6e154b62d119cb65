// korvel-cli as a process: checksum compares and fixes, render-map draws what the Maps tab
// draws, and both refuse what they cannot do with exit code 2, touching nothing.
#include "support/editor_harness.h"
#include "widgets/picture_box.h"

#include <QProcess>
#include <QScrollBar>

using namespace korvel;
using namespace korvel::test;

namespace {

int cli(const QStringList& args, QString* out = nullptr) { // the exit code
    QProcess p;
    p.start(qEnvironmentVariable("KORVEL_TOOLS_DIR") + "/korvel-cli/korvel-cli", args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return -1;
    if (out)
        *out = p.readAllStandardOutput() + "|" + p.readAllStandardError(); // the output, then the complaints
    return p.exitCode();
}

// Arguments, a part of the complaint.
const std::tuple<const char*, QStringList, const char*> kRefusals[] = {
    {"checksum end past the image", {"checksum", "sample.bin", "bad.ecu", "--fix"}, "ChecksumEnd"},
    {"no such item", {"render-map", "sample.bin", "sample.ecu", "Boost map", "map.png"}, "no item"},
    {"bad size", {"render-map", "sample.bin", "sample.ecu", "9", "map.png", "--size", "0"}, "--size"},
    {"missing image", {"render-map", "none.bin", "sample.ecu", "9", "map.png"}, "none.bin Not Found"}};

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void checksumComparesAndFixes() {
        GuiFixture f;
        f.useSample();
        const QByteArray sample = fileBytes(f.state.BinPath),
                         cleared = QByteArray(sample).replace(0x7FFE, 2, QByteArray(2, 0));
        const QString right = sample.mid(0x7FFE, 2).toHex().toUpper(),
                      args = f.state.BinPath + " " + f.state.EcuPath;
        QString out;
        f.writeFile(QStringLiteral("sample.bin"), cleared);
        QCOMPARE(cli(("checksum " + args).split(' '), &out), 1);
        QVERIFY(out.startsWith("stored 0000 computed " + right + "\n|"));
        QCOMPARE(fileBytes(f.state.BinPath), cleared);
        QCOMPARE(cli(("checksum " + args + " --fix").split(' '), &out), 0);
        QVERIFY(out.startsWith("stored 0000 computed " + right + "\nupdated\n|"));
        QCOMPARE(fileBytes(f.state.BinPath), sample);
    }

    void renderMapDrawsWhatTheMapsTabDraws() {
        EditorHarness h;
        QVERIFY(h.open());
        for (auto [item, index, angle] :
             {std::tuple{"Spark advance", 0, 30}, {"10", 1, 75}}) { // by title, by id
            const QString png = h.fx.path(QStringLiteral("map.png"));
            QCOMPARE(cli({"render-map", h.fx.state.BinPath, h.fx.state.EcuPath, item, png, "--angle",
                          QString::number(angle), "--size", "300"}),
                     0);
            h.choose(QStringLiteral("cmb2Dim"), index);
            while (h.editor->vars().RotationAngle != angle)
                h.find<QScrollBar>("scrRotAngle")->setValue(h.editor->vars().RotationAngle < angle ? -1 : 1);
            QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32),
                     h.find<PictureBox>("picMap")->renderImage(QSize(300, 300)));
        }
    }

    void refusesWhatItCannotDoTouchingNothing_data() { rows(kRefusals); }
    void refusesWhatItCannotDoTouchingNothing() {
        const auto& [tag, arguments, complaint] = fetch(kRefusals);
        GuiFixture f;
        f.useSample();
        f.writeFile(QStringLiteral("bad.ecu"), ecuText({}, {"7FFE", "2", "0", "8000"}));
        QStringList args;
        for (const QString& a : arguments)
            args << (a.contains('.') ? f.path(a) : a); // files in the temporary folder
        const QByteArray before = fileBytes(f.state.BinPath);
        QString out;
        QCOMPARE(cli(args, &out), 2);
        QVERIFY2(out.startsWith('|') && out.contains(complaint), qPrintable(out));
        QVERIFY(fileBytes(f.state.BinPath) == before && !QFile::exists(f.path("map.png")));
    }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
