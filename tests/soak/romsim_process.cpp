#include "romsim_process.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace korvel::soak {

QString romsimPath() {
    return qEnvironmentVariable("KORVEL_TOOLS_DIR") + QStringLiteral("/korvel-romsim/korvel-romsim");
}

RomsimProcess::~RomsimProcess() {
    kill();
}

bool RomsimProcess::start(const QString& workDir, const QByteArray& memory, const QStringList& options,
                          QString& reason) {
    const QString image = QDir(workDir).filePath(QStringLiteral("preload.bin"));
    m_dump = QDir(workDir).filePath(QStringLiteral("dump.bin"));
    QFile::remove(m_dump);
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(memory) != memory.size()) {
        reason = QStringLiteral("cannot write %1").arg(image);
        return false;
    }
    file.close();
    m_process.start(romsimPath(),
                    QStringList{QStringLiteral("--image"), image, QStringLiteral("--dump"), m_dump} +
                        options);
    if (!m_process.waitForStarted(5000)) {
        reason = QStringLiteral("korvel-romsim did not start: %1").arg(m_process.errorString());
        return false;
    }
    // The first line is the device path; it comes once the pseudo-terminal is ready.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000)) {
            reason = QStringLiteral("korvel-romsim printed no device: %1")
                         .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
    }
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (!m_device.startsWith(QLatin1Char('/'))) {
        reason = QStringLiteral("korvel-romsim printed \"%1\" instead of a device").arg(m_device);
        return false;
    }
    return true;
}

void RomsimProcess::kill() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(5000);
    m_killed = true;
}

bool RomsimProcess::finish(int n, QByteArray& memory, InjectedFaults& faults, QString& reason) {
    if (m_process.state() == QProcess::NotRunning) {
        reason = QStringLiteral("korvel-romsim ended by itself (%1 %2): %3")
                     .arg(m_process.exitStatus() == QProcess::CrashExit ? QStringLiteral("crashed, signal")
                                                                        : QStringLiteral("exit code"))
                     .arg(m_process.exitCode())
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError()).left(4000));
        return false;
    }
    m_process.terminate(); // the tool dumps its memory and prints its counts on SIGTERM
    if (!m_process.waitForFinished(5000) || m_process.exitStatus() != QProcess::NormalExit ||
        m_process.exitCode() != 0) {
        reason = QStringLiteral("korvel-romsim did not end cleanly: %1")
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
        kill();
        return false;
    }
    QFile dump(m_dump);
    if (!dump.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("no memory dump at %1").arg(m_dump);
        return false;
    }
    memory = dump.read(n);
    const QString out = QString::fromLocal8Bit(m_process.readAllStandardOutput());
    static const QRegularExpression counts(
        QStringLiteral("faults dropped (\\d+) corrupted (\\d+) garbage (\\d+)"));
    const QRegularExpressionMatch m = counts.match(out);
    if (!m.hasMatch()) {
        reason = QStringLiteral("korvel-romsim printed no fault counts: \"%1\"").arg(out);
        return false;
    }
    faults = {m.captured(1).toLong(), m.captured(2).toLong(), m.captured(3).toLong()};
    return true;
}

} // namespace korvel::soak
