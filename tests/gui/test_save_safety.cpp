#include "core/values.h"
#include "editor/frm_editor.h"
#include "support/gui_fixture.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Makes a file unwritable for this process, root included (an immutable file), and
// undoes it when it goes out of scope so the temporary folder can be removed.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : m_path(QFile::encodeName(path)) {
        ::chmod(m_path.constData(), 0444);
        if (::geteuid() == 0) m_immutable = setImmutable(true);
    }
    ~ReadOnlyFile() {
        if (m_immutable) setImmutable(false);
        ::chmod(m_path.constData(), 0644);
    }
    // Whether a write would really be refused here.
    bool effective() const { return ::geteuid() != 0 || m_immutable; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(m_path.constData(), O_RDONLY);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }
    QByteArray m_path;
    bool m_immutable = false;
};

} // namespace

// Saving must never report success for bytes it did not write, and a failed save
// keeps the edit in the image, the editor unsaved and the file as it was.
class TestSaveSafety : public QObject {
    Q_OBJECT

private slots:
    void aFailedSaveKeepsEverything_data() {
        QTest::addColumn<QString>("place");
        QTest::newRow("read-only file") << "read-only";
        QTest::newRow("folder vanished") << "vanished";
        QTest::newRow("device full") << "full";
    }
    void aFailedSaveKeepsEverything() {
        QFETCH(QString, place);
        GuiFixture f;
        f.useSample();
        Services s = f.services();
        frmEditor e(s);
        QCOMPARE(e.Form_Load().outcome, OpeningResult::Outcome::Opened);
        const QByteArray before = fileBytes(f.state.BinPath);
        StoreByte(f.state, 0x0202, 0x99);
        e.vars().IsSaved = false;

        std::unique_ptr<ReadOnlyFile> readOnly;
        QString reason;
        if (place == QLatin1String("read-only")) {
            readOnly = std::make_unique<ReadOnlyFile>(f.state.BinPath);
            if (!readOnly->effective()) QSKIP("this file system cannot make a file unwritable for root");
            reason = QStringLiteral("ermission denied"); // "Permission denied" or "Operation not permitted"
        } else if (place == QLatin1String("vanished")) {
            QDir(f.path(QStringLiteral("gone"))).mkpath(QStringLiteral("."));
            f.state.BinPath = f.path(QStringLiteral("gone/sample.bin"));
            QFile::copy(f.path(QStringLiteral("sample.bin")), f.state.BinPath);
            QDir(f.path(QStringLiteral("gone"))).removeRecursively();
            reason = QStringLiteral("No such file or directory");
        } else {
            f.state.BinPath = QStringLiteral("/dev/full");
            reason = QStringLiteral("No space left on device");
        }

        e.findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
        QCOMPARE(f.prompt.shown.size(), size_t{1});
        const QString text = f.prompt.last();
        QVERIFY2(!text.contains(QStringLiteral("Saved.")), qPrintable(text));
        QVERIFY2(text.contains(f.state.BinPath), qPrintable(text));
        if (place != QLatin1String("read-only"))
            QVERIFY2(text.contains(reason), qPrintable(text));
        else
            QVERIFY2(text.contains(reason) || text.contains(QStringLiteral("not permitted")),
                     qPrintable(text));
        QCOMPARE(f.prompt.shown.front().icon, Prompt::Icon::Critical);
        QVERIFY(!e.isSaved());
        QCOMPARE(f.state.BinImage[0x0202].byte(), 0x99);
        QCOMPARE(f.state.PendingChanges[0x0202].byte(), 0x99);
        if (place == QLatin1String("read-only")) QCOMPARE(fileBytes(f.state.BinPath), before);
        if (place == QLatin1String("vanished")) QVERIFY(!QFile::exists(f.state.BinPath));
    }
};

QTEST_MAIN(TestSaveSafety)
#include "test_save_safety.moc"
