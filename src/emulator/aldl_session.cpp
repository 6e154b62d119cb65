#include "aldl_session.h"

#include "aldl_link.h"
#include "core/wait.h"
#include "line_settler.h"
#include "serial_port.h"

#include <QThread>

#include <atomic>

namespace korvel {

// What the window's thread and the logging thread share.
struct AldlSessionShared {
    std::atomic<bool> stop{false};
    std::atomic<int> ahead{0}; // frames handed over and not yet taken
};

namespace {

constexpr unsigned long kWaitSliceMs = 5; // while the receiving side catches up

// Lives on the logging thread; run() is the thread's whole work.
class AldlWorker : public QObject {
    Q_OBJECT
public:
    AldlWorker(const AdxDefinition& def, const QString& device, SerialPortFactory& ports, Ticker* ticker,
               std::shared_ptr<AldlSessionShared> shared)
        : m_def(def), m_device(device), m_ports(ports), m_ticker(ticker), m_shared(std::move(shared)) {}

    void run() {
        const QString reason = loop();
        emit ended(reason, m_opened);
        QThread::currentThread()->quit();
    }

signals:
    void frame(const korvel::AldlFrame& frame);
    void ended(const QString& reason, bool opened);

private:
    // Returns why the line stopped, or nothing when it was asked to.
    QString loop() {
        if (m_def.monitor.kind == AdxStep::Kind::None)
            return QStringLiteral("The data stream definition has no monitor command.");
        const std::unique_ptr<SerialPort> port = m_ports.create();
        EventLoopTicker eventLoop;
        Ticker& ticker = m_ticker ? *m_ticker : eventLoop;
        if (!port->open(m_device, AldlLink::settingsFor(m_def))) {
            const QString why = port->errorString();
            return why.isEmpty() ? QStringLiteral("Cannot open %1").arg(m_device) : why;
        }
        m_opened = true;
        AldlLink link(*port, ticker, m_def);
        const double start = ticker.seconds();
        bool connecting = m_def.connect.kind != AdxStep::Kind::None;
        // After a failed cycle what still comes (a late or over-long reply, noise) is let
        // pass before the next request: taken for that request's echo or reply, it would
        // fail it too, and every failed request adds a reply more to wait for.
        LineSettler settler;
        while (!m_shared->stop) {
            settler.settle(*port, ticker, LineSettler::kSettleLimit);
            const AldlCycle cycle = connecting ? link.connect() : link.monitor();
            connecting = false;
            if (!cycle.ok) settler.doubt(ticker.seconds());
            if (cycle.portFailed) {
                port->close();
                return cycle.reason;
            }
            AldlFrame f;
            f.seconds = ticker.seconds() - start;
            f.ok = cycle.ok;
            f.reason = cycle.reason;
            if (cycle.ok) f.decoded = decodeAdx(m_def, cycle.payloads);
            handOver(f);
        }
        port->close();
        return {};
    }

    void handOver(const AldlFrame& f) {
        while (m_shared->ahead.load() >= AldlSession::kMaxAhead && !m_shared->stop)
            QThread::msleep(kWaitSliceMs);
        ++m_shared->ahead;
        emit frame(f);
    }

    const AdxDefinition& m_def; // the session's, which outlives the thread
    const QString m_device;
    SerialPortFactory& m_ports;
    Ticker* m_ticker;
    std::shared_ptr<AldlSessionShared> m_shared;
    bool m_opened = false;
};

} // namespace

AldlSession::AldlSession(AdxDefinition def, QString device, SerialPortFactory& ports, Ticker* ticker,
                         QObject* parent)
    : QObject(parent), m_def(std::move(def)), m_device(std::move(device)), m_ports(ports), m_ticker(ticker),
      m_shared(std::make_shared<AldlSessionShared>()) {
    qRegisterMetaType<AldlFrame>();
}

AldlSession::~AldlSession() {
    if (!m_thread) return;
    m_shared->stop = true;
    m_thread->wait();
}

void AldlSession::start() {
    if (m_running) return;
    m_running = true;
    m_shared->stop = false;
    m_shared->ahead = 0;
    m_thread = new QThread(this);
    auto* worker = new AldlWorker(m_def, m_device, m_ports, m_ticker, m_shared);
    worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, worker, &AldlWorker::run);
    connect(m_thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &AldlWorker::frame, this, &AldlSession::take, Qt::QueuedConnection);
    connect(worker, &AldlWorker::ended, this, &AldlSession::finish, Qt::QueuedConnection);
    m_thread->start();
}

void AldlSession::stop() {
    m_shared->stop = true;
}

void AldlSession::take(const AldlFrame& f) {
    --m_shared->ahead;
    emit frame(f);
}

void AldlSession::finish(const QString& reason, bool opened) {
    // The worker quits its thread right after saying it ended: this wait is short.
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_running = false;
    emit ended(reason, opened);
}

} // namespace korvel

#include "aldl_session.moc"
