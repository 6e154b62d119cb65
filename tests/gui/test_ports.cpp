// The port chooser: the devices it lists, the "Port N Device" keys and the port in use it stores
// and reads back, and its test of a device with the identification exchange.
#include "core/app_state.h"
#include "main_window/frm_ports.h"
#include "support/editor_harness.h"

#include <QComboBox>
#include <QLayout>
#include <QRadioButton>
#include <QTreeWidget>

using namespace korvel;
using namespace korvel::test;

namespace {

const std::vector<SerialDeviceInfo> kDevices{{"/dev/ttyACM0", "Emulator board", ""},
                                             {"/dev/ttyUSB0", "FT232R USB UART", "0403:6001"}};

// (row name, device the test opens, emulator answers, port cannot open, result shown)
const std::tuple<const char*, const char*, bool, const char*, const char*> kTests[] = {
    {"answering", "/dev/ttyACM0", true, "", "Emulator found"},
    {"silent", "/dev/ttyACM0", false, "", "No emulator answered"},
    {"default device, missing", "", false, "no such device", "Cannot open /dev/ttyUSB2: no such device"},
};

} // namespace

class TestPorts : public QObject {
    Q_OBJECT

private slots:
    void storesAndReadsTheDeviceKeys() {
        GuiFixture f;
        f.settings.WriteSetting("Port 2 Device", "/dev/pts/7");
        f.settings.WriteSetting("Port", "3x");
        Services s = f.services();
        {
            frmPorts w(s, kDevices);
            QVERIFY(child<QRadioButton>(w, "optPort3")->isChecked());
            click(w, "optPort2");
            QCOMPARE(child<QTreeWidget>(w, "lstDevices")->topLevelItem(1)->text(2),
                     QStringLiteral("0403:6001"));
            QCOMPARE(text(w, "cmbDevice2"), QStringLiteral("/dev/pts/7"));
            QCOMPARE(text(w, "cmbDevice1"), QString());
            // Picking a listed entry keeps only its device.
            auto* port3 = child<QComboBox>(w, "cmbDevice3");
            port3->setCurrentIndex(2);
            emit port3->activated(2);
            QCOMPARE(port3->currentText(), QStringLiteral("/dev/ttyUSB0"));
            setText(w, "cmbDevice2", "");
            click(w, "cmdOK");
        }
        QCOMPARE(f.settings.ReadSetting("Port 3 Device"), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(f.settings.ReadSetting("Port 2 Device"), QString());
        QCOMPARE(f.settings.ReadSetting("Port"), QStringLiteral("2"));
        QCOMPARE(deviceForPort(2, &f.settings), QStringLiteral("/dev/ttyUSB1"));
        frmPorts again(s, kDevices);
        QCOMPARE(text(again, "cmbDevice3"), QStringLiteral("/dev/ttyUSB0"));
    }

    void testIdentifiesTheChosenDevice_data() { rows(kTests); }
    void testIdentifiesTheChosenDevice() {
        const auto& [tag, device, answers, openError, shown] = fetch(kTests);
        GuiFixture f;
        if (answers) f.emulator.setFaults({});
        f.wire.openError = openError;
        f.state.EmulatorFound = true; // what the editor found earlier: a test leaves it alone
        Services s = f.services();
        frmPorts w(s, kDevices);
        setText(w, "cmbDevice3", device);
        w.show();
        const QSize size = w.size();
        click(w, "cmdTest3");
        QCOMPARE(text(w, "lblTest3"), QString(shown));
        if (!*openError) QCOMPARE(f.wire.openings.at(0).device, QString(device));
        QVERIFY(f.state.EmulatorFound && f.prompt.shown.empty());
        // A port where the emulator answered is the one to use; the dialog keeps its size.
        QCOMPARE(child<QRadioButton>(w, "optPort3")->isChecked(), answers);
        w.layout()->activate();
        QCOMPARE(w.size(), size);
        // The result belonged to the device tested.
        setText(w, "cmbDevice3", "/dev/ttyS0");
        QCOMPARE(text(w, "lblTest3"), QString());
    }
};

QTEST_MAIN(TestPorts)
#include "test_ports.moc"
