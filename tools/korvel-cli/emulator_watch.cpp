#include "emulator_watch.h"

#include "verbs.h"

#include "core/wait.h"
#include "emulator/frames.h"
#include "emulator/live_writer.h"
#include "emulator/qt_serial_port.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <csignal>
#include <set>

namespace korvel::cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

// Editors save by writing a new file and renaming it over the old one; some write in
// place. Both show up as a change of the file or of its folder; a short quiet time lets
// a save finish before the file is read, and a slow poll catches what a watcher misses.
constexpr int kSettleMs = 50;
constexpr int kPollMs = 400;
constexpr int kSignalCheckMs = 50;

QString bytesText(qint64 n) {
    return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n);
}

class Watch {
public:
    Watch(const QString& path, const QString& device)
        : m_path(QFileInfo(path).absoluteFilePath()), m_device(device), m_writer(m_ports, device, m_ticker) {}

    int run() {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            err(QStringLiteral("%1: %2").arg(m_path, file.errorString()));
            return 2;
        }
        m_target = file.readAll().left(kAddressSpace);
        m_fileSize = m_target.size();
        file.close();
        m_writer.onFailed = [this](const QString& message) {
            err(message);
            const std::vector<int>& left = m_writer.dropped();
            m_unsent.insert(left.begin(), left.end());
            if (!m_unsent.empty()) err(unsentNote(QStringLiteral("still to be sent")));
            finish(1);
        };
        m_writer.onWritten = [this](int, quint8) { ++m_sent; };
        m_writer.onChanged = [this] { reportIdle(); };
        if (!m_writer.start()) return 1;
        m_stamp = stamp();

        m_watcher.addPath(m_path);
        m_watcher.addPath(QFileInfo(m_path).absolutePath());
        m_settle.setSingleShot(true);
        m_settle.setInterval(kSettleMs);
        QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, [this] { m_settle.start(); });
        QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, [this] { m_settle.start(); });
        QObject::connect(&m_settle, &QTimer::timeout, [this] { rescan(); });
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            if (stamp() != m_stamp) rescan();
        });
        m_poll.start(kPollMs);
        QObject::connect(&m_signals, &QTimer::timeout, [this] { checkSignal(); });
        m_signals.start(kSignalCheckMs);

        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        err(QStringLiteral("watching %1 (%2 bytes) on %3").arg(m_path).arg(m_target.size()).arg(m_device));
        if (!m_done) QCoreApplication::exec();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        return m_exitCode;
    }

private:
    QString stamp() const {
        const QFileInfo info(m_path);
        return info.exists()
                   ? QStringLiteral("%1/%2").arg(info.lastModified().toMSecsSinceEpoch()).arg(info.size())
                   : QString();
    }

    // "N bytes WHAT: the emulator differs from FILE; ..." for the bytes a stop or a failure
    // left unsent: a new watch takes the file as what the emulator holds, so no watch
    // would ever send them.
    QString unsentNote(const QString& what) const {
        return QStringLiteral("%1 %2: the emulator differs from %3; \"korvel-cli emulator download\" sends "
                              "the whole file")
            .arg(bytesText(static_cast<qint64>(m_unsent.size())), what, QFileInfo(m_path).fileName());
    }

    void rescan() {
        // After a rename the watcher follows the old file: watch the new one.
        if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path)) m_watcher.addPath(m_path);
        m_stamp = stamp();
        if (m_stopping || m_done) return;
        const QString name = QFileInfo(m_path).fileName();
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            // Mid-replace, or gone: the next change reads it. Said once while it stays away.
            if (!QFileInfo::exists(m_path) && !m_gone)
                err(QStringLiteral("%1 is gone: nothing is sent until it is back; the emulator keeps what "
                                   "it holds")
                        .arg(name));
            m_gone = !QFileInfo::exists(m_path);
            return;
        }
        m_gone = false;
        const QByteArray now = file.readAll();
        if (now.size() > kAddressSpace && !m_warnedSize) {
            m_warnedSize = true;
            err(QStringLiteral("only the first 64 KiB are sent: the emulator link addresses no more"));
        }
        const qsizetype n = std::min<qsizetype>(now.size(), kAddressSpace);
        // Bytes past the end of a shorter file are left as they were sent.
        if (n < m_fileSize)
            err(QStringLiteral("%1 is shorter: %2 instead of %3; the emulator keeps the bytes past its end")
                    .arg(name, bytesText(n), bytesText(m_fileSize)));
        m_fileSize = n;
        LiveWriter::Edit edit; // one save is one edit: its bytes go out together
        for (qsizetype a = 0; a < n; ++a) {
            if (a < m_target.size() && now[a] == m_target[a]) continue;
            edit.push_back({static_cast<int>(a), static_cast<quint8>(now[a])});
        }
        m_writer.queue(edit);
        if (n > m_target.size()) m_target.resize(n);
        for (qsizetype a = 0; a < n; ++a)
            m_target[a] = now[a];
        if (!edit.empty())
            err(QStringLiteral("%1 changed: %2 to send")
                    .arg(name, bytesText(static_cast<qint64>(edit.size()))));
    }

    void reportIdle() {
        if (m_writer.state() != LiveWriter::State::InStep || m_sent == m_reported) return;
        m_reported = m_sent;
        if (!m_stopping || m_unsent.empty()) err(QStringLiteral("in step: %1 sent").arg(bytesText(m_sent)));
        if (m_stopping) stopped();
    }

    void checkSignal() {
        if (!g_stop || m_stopping) return;
        m_stopping = true;
        // The byte on the wire is finished, nothing more is taken.
        const std::vector<int> left = m_writer.dropQueue();
        m_unsent.insert(left.begin(), left.end());
        if (m_writer.state() != LiveWriter::State::Sending) stopped();
    }

    void stopped() {
        if (!m_unsent.empty()) err(QStringLiteral("stopped with ") + unsentNote(QStringLiteral("not sent")));
        finish(0);
    }

    void finish(int code) {
        if (m_done) return;
        m_done = true;
        m_exitCode = code;
        if (code == 0 && m_unsent.empty()) err(QStringLiteral("stopped"));
        QCoreApplication::exit(code);
    }

    QString m_path;
    QString m_device;
    QtSerialPortFactory m_ports;
    EventLoopTicker m_ticker;
    LiveWriter m_writer;
    QByteArray m_target; // what the emulator holds once everything queued is sent
    QFileSystemWatcher m_watcher;
    QTimer m_settle, m_poll, m_signals;
    QString m_stamp;
    qint64 m_sent = 0, m_reported = 0, m_fileSize = 0;
    std::set<int> m_unsent; // addresses left unsent by a stop or a failure
    bool m_stopping = false, m_done = false, m_warnedSize = false, m_gone = false;
    int m_exitCode = 0;
};

} // namespace

int watchImage(const QString& path, const QString& device) {
    Watch watch(path, device);
    return watch.run();
}

} // namespace korvel::cli
