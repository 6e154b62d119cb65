#include "transfer_window.h"

#include "core/app_state.h"
#include "core/settings_file.h"
#include "emulator/serial_port.h"
#include "widgets/prompt.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel {

TransferWindow::TransferWindow(Services& services, const QString& caption, const char* objectName,
                               QWidget* parent)
    : QDialog(parent), m_services(services) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(caption);
    setModal(true);
    // The labels start empty: a run that fails before its first address shows no
    // placeholder text.
    m_lblWhat = new QLabel(this);
    m_lblWhat->setObjectName(QStringLiteral("lblWhat"));
    m_lblWhere = new QLabel(this);
    m_lblWhere->setObjectName(QStringLiteral("lblWhere"));
    m_lblWhere->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("barProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblWhat);
    layout->addWidget(m_lblWhere);
    layout->addWidget(m_progress);
    layout->addWidget(m_cmdCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
    connect(m_cmdCancel, &QPushButton::clicked, this, &TransferWindow::cmdCancel_Click);
}

void TransferWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The run starts once per opening, as soon as the window is up.
    if (!m_started) QTimer::singleShot(0, this, &TransferWindow::start);
}

void TransferWindow::start() {
    if (m_started) return;
    m_started = true;
    m_running = true;
    AppState& state = m_services.state;
    const TransferContext context{state, m_services.ports,
                                  deviceForPort(state.PortNumber, &m_services.settings), m_services.ticker,
                                  *this};
    m_result = runTransfer(context);
    m_running = false;
    if (m_closeWhenStopped) finish();
}

void TransferWindow::cmdCancel_Click() {
    AppState& state = m_services.state;
    if (!state.CancelRequested) {
        state.CancelRequested = true;
        m_cmdCancel->setText(QStringLiteral("Close"));
        return;
    }
    // A click while a byte is still in flight closes the window once the run has stopped.
    if (m_running)
        m_closeWhenStopped = true;
    else
        finish();
}

void TransferWindow::finish() {
    m_closing = true;
    QDialog::done(QDialog::Accepted);
}

void TransferWindow::closeEvent(QCloseEvent* event) {
    if (m_closing)
        event->accept();
    else
        event->ignore();
}

void TransferWindow::reject() {
    // Esc and the close box do nothing: the window closes through its button only.
}

void TransferWindow::setWhat(const QString& text) {
    m_lblWhat->setText(text);
    m_lblWhat->repaint();
}

void TransferWindow::setWhere(const QString& text) {
    m_lblWhere->setText(text);
    m_lblWhere->repaint();
}

void TransferWindow::progress(qint64 done, qint64 total) {
    // The bar counts in a range an int holds, whatever the image size.
    m_progress->setRange(0, static_cast<int>(std::max<qint64>(total, 1)));
    m_progress->setValue(static_cast<int>(std::clamp<qint64>(done, 0, std::max<qint64>(total, 1))));
}

void TransferWindow::message(const QString& text, Icon icon) {
    m_services.prompt.message(text, icon == Icon::Critical ? Prompt::Icon::Critical : Prompt::Icon::None);
}

void TransferWindow::showClose() {
    m_cmdCancel->setText(QStringLiteral("Close"));
}

} // namespace korvel
