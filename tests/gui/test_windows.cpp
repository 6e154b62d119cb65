// The main window, the transfer windows with the editor's link to the emulator, and the viewer.
#include "core/bin_image.h"
#include "core/values.h"
#include "core/version.h"
#include "main_window/frm_main.h"
#include "support/editor_harness.h"
#include "transfer/frm_batch_download.h"
#include "transfer/frm_check.h"
#include "transfer/frm_download.h"
#include "transfer/frm_verify.h"
#include "viewer/frm_view.h"
#include "viewer/view_layout.h"
#include "widgets/picture_box.h"

#include <QScrollBar>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kRequired = QStringLiteral("A BIN File, and An ECU File are required");
// BIN, ECU, message (empty: opens).
const std::tuple<const char*, QString, QString, QString> kOpenings[] = {
    {"both empty", "", "", kRequired},
    {"ecu empty", "sample.bin", "", kRequired},
    {"bin missing", "missing.bin", "sample.ecu", "BIN File Not Found"},
    {"ecu missing", "sample.bin", "missing.ecu", "ECU File Not Found"},
    {"not an ecu extension", "sample.bin", "engine.txt", "ECU file is not correct."},
    {"an error while the editor loads", "sample.bin", "broken.ecu", "seven"},
    {"ecu extension in any case", "sample.bin", "ENGINE.Ecu", ""}};

// BIN box, chosen file, dialog folder.
const std::tuple<const char*, QString, QString, QString> kBrowsings[] = {
    {"chosen", "/data/old.bin", "/data/new.bin", "/data/"},
    {"cancelled", "/data/old.bin", "", "/data/"},
    {"windows path", "C:\\data\\rom.bin", "", "C:\\data\\"},
    {"no folder", "rom.bin", "", ""}};

// A loaded image of `length` counting bytes and an emulator that answers.
void loadImage(GuiFixture& f, int length) {
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = char(i * 13 + 1);
    f.state.BinPath = f.writeFile(QStringLiteral("rom.bin"), data);
    QVERIFY(ReadBinFile(f.state).ok());
    f.emulator.setFaults({});
}

std::unique_ptr<TransferWindow> transferWindow(const QString& kind, Services& s) {
    if (kind == "download") return std::make_unique<frmDownload>(s);
    if (kind == "verify") return std::make_unique<frmVerify>(s);
    if (kind == "batch") return std::make_unique<frmBatchDownload>(s);
    return std::make_unique<frmCheck>(s);
}

// The window, its caption, what it says, the start of each message.
const std::tuple<const char*, QString, QString, QString, QString> kTransfers[] = {
    {"download", "download", "Download File to ECU", "", "Download Time = "},
    {"verify", "verify", "Verify Download", "No Errors", "Download Time = "},
    {"batch", "batch", "Batch Download File to ECU", "", "Download Time = "},
    {"check", "check", "Check Download", "No Errors", "K|Download Time = "},
    {"port that cannot open", "verify", "Verify Download", "lblWhat", "Cannot open "}};

struct Viewer : GuiFixture {
    explicit Viewer(const QByteArray& bin, const QByteArray& ecu = ecuText({})) {
        state.BinPath = writeFile(QStringLiteral("rom.bin"), bin);
        state.EcuPath = writeFile(QStringLiteral("rom.ecu"), ecu);
    }
    Services s = services();
    frmView v{s};
};

// Box, typed, shown after.
const std::tuple<const char*, QString, QString, QString> kViewerBoxes[] = {
    {"start not hex", "txtStart", "xyz", "35"},           {"start past the image", "txtStart", "8010", "35"},
    {"start near the end", "txtStart", "7FF0", "7FF0"},   {"start fits", "txtStart", "7f00", "7F00"},
    {"run not a number", "txtCols", "lots", "140"},       {"run above 500", "txtCols", "600", "140"},
    {"run of 501 is corrected", "txtCols", "501", "500"}, {"run of 1 is corrected", "txtCols", "1", "2"}};

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

private slots:
    void mainWindowBoxesComeFromTheSettingsAndGoBack() {
        GuiFixture f;
        f.settings.WriteSetting(QStringLiteral("BIN Location"), QStringLiteral("/data/rom.bin"));
        Services s = f.services();
        {
            frmMain w(s);
            QCOMPARE(w.windowTitle(), QStringLiteral("Korvel Version ") + versionText());
            QCOMPARE(text(w, "txtBIN") + "|" + text(w, "txtECU"), QStringLiteral("/data/rom.bin|"));
            setText(w, "txtECU", QStringLiteral("typed.ecu")); // stored though nothing opened
            w.close();
        }
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("ECU Location")), QStringLiteral("typed.ecu"));
    }

    void mainWindowChecksBeforeTheEditorOpens_data() { rows(kOpenings); }
    void mainWindowChecksBeforeTheEditorOpens() {
        const auto& [tag, bin, ecu, message] = fetch(kOpenings);
        GuiFixture f;
        f.useSample();
        for (const char* name : {"engine.txt", "ENGINE.Ecu"})
            f.writeFile(name, fileBytes(f.state.EcuPath));
        f.writeFile(QStringLiteral("broken.ecu"), "ECU FORMAT\n{\nHeader = x\nVersion = seven\n");
        f.state.BinPath.clear();
        f.state.EcuPath.clear();
        Services s = f.services();
        frmMain w(s);
        setText(w, "txtBIN", bin.isEmpty() ? bin : f.path(bin));
        setText(w, "txtECU", ecu.isEmpty() ? ecu : f.path(ecu));
        QString opened;
        if (message.isEmpty()) onNextModal([&](QWidget* modal) { opened = modal->objectName(); });
        click(w, "cmdECU_Edit");
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(opened, message.isEmpty() ? QStringLiteral("frmEditor") : QString());
        QVERIFY2(f.prompt.shown.size() == (message.isEmpty() ? 0u : 1u) && f.prompt.last().contains(message),
                 qPrintable(f.prompt.last()));
        // Opening stores the paths (the editor its defaults); a refusal before it neither.
        const bool stored = message.isEmpty() || message == "seven";
        QCOMPARE(f.settings.ReadSetting(QStringLiteral("ECU Location")), stored ? f.path(ecu) : QString());
        QCOMPARE(f.state.BinPath.isEmpty(), !stored);
        if (message.isEmpty()) QCOMPARE(f.settings.ReadSetting(QStringLiteral("Numeric Format")), "##.##");
    }

    void mainWindowBrowsing_data() { rows(kBrowsings); }
    void mainWindowBrowsing() {
        const auto& [tag, start, chosen, folder] = fetch(kBrowsings);
        GuiFixture f;
        Services s = f.services();
        frmMain w(s);
        setText(w, "txtBIN", start);
        f.prompt.files = {chosen};
        click(w, "cmdBIN");
        QCOMPARE(f.prompt.dialogs, QStringList{"Select BIN File|" + folder});
        QCOMPARE(text(w, "txtBIN"), chosen.isEmpty() ? start : chosen);
    }

    void eachTransferWindowRunsAndEndsWithClose_data() { rows(kTransfers); }
    void eachTransferWindowRunsAndEndsWithClose() {
        const auto& [tag, kind, caption, what, messages] = fetch(kTransfers);
        GuiFixture f;
        loadImage(f, 100);
        for (int i = 0; i < 96 && kind == "verify"; ++i)
            f.emulator.memory()[i] = char(f.state.byteAt(i));
        if (messages == "Cannot open ") f.wire.openError = QStringLiteral("Permission denied");
        Services s = f.services();
        std::unique_ptr<TransferWindow> w = transferWindow(kind, s);
        QCOMPARE(w->windowTitle() + "|" + text(*w, "cmdCancel"), caption + "|Cancel");
        w->show();
        w->start();
        QCOMPARE(text(*w, "lblWhat") + "|" + text(*w, "cmdCancel"), what + "|Close");
        QString shown; // the start of each message
        for (int i = 0; i < f.prompt.texts().size(); ++i)
            shown += (i ? "|" : "") + f.prompt.texts()[i].left(messages.section('|', i, i).size());
        QCOMPARE(shown, messages);
        QVERIFY(f.prompt.last().contains(f.wire.openError)); // the reason a port could not open
        if (kind == "download" || kind == "batch")           // 0..95: the short last block stays
            QVERIFY(f.emulator.memory().startsWith(fileBytes(f.state.BinPath).left(96) + '\0'));
        w->close(); // the close box and Esc are refused; the button closes
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        click(*w, "cmdCancel");
        QVERIFY(!w->isVisible());
    }

    void cancelStopsADownloadAfterTheAddressInProgress() {
        for (bool closeToo : {false, true}) { // Close pressed too while the byte is still out
            GuiFixture f;
            loadImage(f, 4096);
            f.wire.latency = 0.005;
            Services s = f.services();
            frmDownload w(s);
            w.show();
            int pumps = 0;
            bool stayedDuringTheLoop = true;
            f.ticker.hook = [&] {
                if (++pumps != 20) return;
                click(w, "cmdCancel");
                if (closeToo) click(w, "cmdCancel");
                stayedDuringTheLoop = w.isVisible();
            };
            w.start();
            f.ticker.hook = nullptr;
            const int written = f.emulator.frameCount('W');
            QVERIFY2(stayedDuringTheLoop && written > 0 && written < 4000,
                     qPrintable(QString::number(written)));
            QVERIFY2(f.prompt.shown.empty(), "a cancel shows no time");
            QCOMPARE(w.isVisible(), !closeToo);
            QCOMPARE(text(w, "cmdCancel"), QStringLiteral("Close"));
        }
    }

    void theEditorUploadsItsChanges() {
        EditorHarness h;
        h.fx.emulator.setFaults({});
        QVERIFY(h.open());
        for (const char* b : {"cmdComplete", "cmdUpload", "cmdDownload", "cmdBatch", "cmdCheck"})
            QVERIFY2(h.find(b)->isEnabled(), b);
        StoreByte(h.fx.state, 0x0300, 0x55);
        StoreByte(h.fx.state, 0x0101, 0x12);
        const int before = h.fx.emulator.frameCount('W');
        click(*h.editor, "cmdUpload");
        QCOMPARE(h.fx.emulator.frameCount('W') - before, 2);
        QVERIFY(h.fx.emulator.memory()[0x0101] == '\x12' && h.fx.emulator.memory()[0x0300] == '\x55');
        QCOMPARE(h.text("lblWhat") + "|" + h.text("lblWhere"), QStringLiteral("|0000 0011 0000 0000"));
        QVERIFY(h.fx.prompt.shown.empty() && h.find("cmdSave")->isEnabled());
        // A port that cannot open at identification is reported, and the buttons stay off.
        EditorHarness g;
        g.fx.wire.openError = QStringLiteral("No such file or directory");
        QVERIFY(g.open());
        QCOMPARE(g.fx.prompt.onlyCritical(), QStringLiteral("Error finding Usable Port."));
        QVERIFY(!g.find("cmdUpload")->isEnabled());
    }

    void viewerCaptionRefusalAndLayout() {
        for (auto [length, size] : {std::pair{32768, "32K"}, {1024, "1K"}, {1536, "1.5K"}}) {
            Viewer w(QByteArray(length, '\x40'));
            QCOMPARE(w.v.Form_Load().outcome, OpeningResult::Outcome::Opened);
            QCOMPARE(w.v.windowTitle(),
                     QStringLiteral("Lumsk Version %1     File Size: %2").arg(versionText(), size));
        }
        Viewer w(QByteArray(64, '\x40'), "[not a definition]\n");
        QCOMPARE(w.v.Form_Load().outcome, OpeningResult::Outcome::ClosedItself);
        QCOMPARE(w.prompt.onlyCritical(), QStringLiteral("Incorrect ECU Format"));
        const ViewLayout l = viewLayout(9000, 3000);
        QVERIFY(std::abs(l.lbl128.top() - 816.7) < 0.05); // 3000 / 1.8 - 850
        QCOMPARE(l.picture, QRectF(480, 120, 8380, 1380));
        QCOMPARE(QString("%1 %2 %3 %4 %5")
                     .arg(l.lbl255.top())
                     .arg(l.lbl0.top())
                     .arg(l.addressLabels[1].left())
                     .arg(l.addressLabels[4].left())
                     .arg(l.txtCols.top()),
                 QStringLiteral("200 1270 2450 8520 2205"));
        w.v.resize(10, 10);
        QVERIFY(w.v.width() >= w.v.twipsToPixelsX(kViewLeastWidth));
        QVERIFY(w.v.height() >= w.v.twipsToPixelsY(kViewLeastHeight));
    }

    void viewerBoxesRefuseWhatTheImageCannotShow_data() { rows(kViewerBoxes); }
    void viewerBoxesRefuseWhatTheImageCannotShow() {
        const auto& [tag, box, typed, after] = fetch(kViewerBoxes);
        Viewer w(QByteArray(32768, '\x40'));
        w.v.Form_Load();
        setText(w.v, box, typed);
        box == "txtStart" ? w.v.txtStart_LostFocus() : w.v.txtCols_LostFocus();
        QCOMPARE(text(w.v, box), after);
        QVERIFY(w.prompt.shown.empty() && text(w.v, "lbl1") == text(w.v, "txtStart"));
    }

    void viewerSteppersMoveTheRunAndTheLabels() {
        Viewer w(QByteArray(32768, '\x40'));
        w.v.Form_Load();
        child<QScrollBar>(w.v, "vscStart")->setValue(-1); // up: one address further
        QCOMPARE(child<QScrollBar>(w.v, "vscStart")->value(), 0);
        QCOMPARE(text(w.v, "txtStart") + " " + text(w.v, "lbl5") + " " + text(w.v, "lbl3"),
                 QStringLiteral("36 C2 7C"));
        child<QScrollBar>(w.v, "vscCols")->setValue(1);
        QCOMPARE(text(w.v, "txtCols") + " " + text(w.v, "lbl2"), QStringLiteral("139 58")); // 0x36 + 139 / 4
    }

    void viewerPictureShowsTheFrameAndTheRun() {
        Viewer w(image(32768, {{0x35, 255}, {0x35 + 30, 255}})); // column 0 sets the vertical scale
        w.v.Form_Load();
        const QImage img = w.v.picture()->renderImage(QSize(300, 304)); // 2 pixels a unit
        auto ink = [&](double x, double y) {
            return qGray(img.pixel(qRound((x + 2) * 2), qRound((y + 150) * 2))) < 100;
        };
        QVERIFY2(ink(72.5, -64) && ink(145, -100) && !ink(20, -110), "the frame, and a cell inside it");
        // Column 30 of the 140 lies at 30 / (139 cos 30) x 125 units, as high as column 0: 125 units up.
        const double x30 = 30 / (139 * 0.8660178) * 125;
        QVERIFY2(ink(x30, -125) && !ink(x30 + 3, -125), "the point of column 30");
        // The graph is stretched over the whole picture, so it lines up with the address labels.
        const QImage wide = w.v.picture()->renderImage(QSize(600, 304)); // 4 pixels a unit across
        QVERIFY(qGray(wide.pixel(qRound(147 * 4.0), 100)) < 100 && qGray(wide.pixel(8, 100)) < 100);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
