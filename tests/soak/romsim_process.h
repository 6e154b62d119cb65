#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvel::soak {

// What korvel-romsim reports on a clean exit: how many faults it injected.
struct InjectedFaults {
    long dropped = 0;
    long corrupted = 0;
    long garbage = 0;
    long total() const { return dropped + corrupted + garbage; }
};

// One korvel-romsim process: a ROM emulator on a fresh pseudo-terminal, started with
// a preloaded memory and fault options, ended either cleanly (memory dumped, fault
// counts read) or by SIGKILL, the way a device vanishes from the line.
class RomsimProcess {
public:
    RomsimProcess() = default;
    ~RomsimProcess();
    RomsimProcess(const RomsimProcess&) = delete;
    RomsimProcess& operator=(const RomsimProcess&) = delete;

    // Starts the tool with `memory` preloaded from address 0 and the extra options
    // (--drop-every N ...). False with a reason when it did not come up.
    bool start(const QString& workDir, const QByteArray& memory, const QStringList& options, QString& reason);
    // The pseudo-terminal's path, as the tool printed it.
    QString device() const { return m_device; }
    // SIGKILL: no dump, no counts. Safe to call when already gone.
    void kill();
    bool killed() const { return m_killed; }
    // SIGTERM, then the dumped memory (first n bytes) and the fault counts. False
    // with a reason when the tool did not end cleanly.
    bool finish(int n, QByteArray& memory, InjectedFaults& faults, QString& reason);

private:
    QProcess m_process;
    QString m_device;
    QString m_dump;
    bool m_killed = false;
};

// Where the test finds korvel-romsim (KORVEL_TOOLS_DIR, set by CTest).
QString romsimPath();

} // namespace korvel::soak
