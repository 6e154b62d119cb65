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
        file.close();
        m_writer.onFailed = [this](const QString& message) {
            err(message);
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

    void rescan() {
        // After a rename the watcher follows the old file: watch the new one.
        if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path)) m_watcher.addPath(m_path);
        m_stamp = stamp();
        if (m_stopping || m_done) return;
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) return; // mid-replace: the next change reads it
        const QByteArray now = file.readAll();
        if (now.size() > kAddressSpace && !m_warnedSize) {
            m_warnedSize = true;
            err(QStringLiteral("only the first 64 KiB are sent: the emulator link addresses no more"));
        }
        int changed = 0;
        const qsizetype n = std::min<qsizetype>(now.size(), kAddressSpace);
        for (qsizetype a = 0; a < n; ++a) {
            if (a < m_target.size() && now[a] == m_target[a]) continue;
            m_writer.queue(static_cast<int>(a), static_cast<quint8>(now[a]));
            ++changed;
        }
        // Bytes past the end of a shorter file are left as they were sent.
        if (n > m_target.size()) m_target.resize(n);
        for (qsizetype a = 0; a < n; ++a)
            m_target[a] = now[a];
        if (changed > 0)
            err(QStringLiteral("%1 changed: %2 bytes to send")
                    .arg(QFileInfo(m_path).fileName())
                    .arg(changed));
    }

    void reportIdle() {
        if (m_writer.state() != LiveWriter::State::InStep || m_sent == m_reported) return;
        m_reported = m_sent;
        err(QStringLiteral("in step: %1 bytes sent").arg(m_sent));
        if (m_stopping) finish(0);
    }

    void checkSignal() {
        if (!g_stop || m_stopping) return;
        m_stopping = true;
        m_writer.dropQueue(); // the byte on the wire is finished, nothing more is taken
        if (m_writer.state() != LiveWriter::State::Sending) finish(0);
    }

    void finish(int code) {
        if (m_done) return;
        m_done = true;
        m_exitCode = code;
        if (code == 0) err(QStringLiteral("stopped"));
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
    qint64 m_sent = 0, m_reported = 0;
    bool m_stopping = false, m_done = false, m_warnedSize = false;
    int m_exitCode = 0;
};

} // namespace

int watchImage(const QString& path, const QString& device) {
    Watch watch(path, device);
    return watch.run();
}

} // namespace korvel::cli
