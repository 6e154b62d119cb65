#pragma once

#include "emulator/transfer_engine.h"
#include "emulator/transfer_observer.h"
#include "widgets/services.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace korvel {

// The progress window every whole-image transfer runs in: what is being done, the
// address, a progress bar and one button that first asks the run to stop ("Cancel")
// and then closes the window ("Close"). The run starts once, when the window has
// been shown; the close box is refused, so the window goes only through its button
// and never while its run is still going.
class TransferWindow : public QDialog, public TransferObserver {
    Q_OBJECT
public:
    TransferWindow(Services& services, const QString& caption, const char* objectName, QWidget* parent);

    void cmdCancel_Click();
    bool isRunning() const { return m_running; }
    // Starts the run now (the first showing does it on its own).
    void start();
    // What the run returned (a failure until it has run).
    const TransferResult& result() const { return m_result; }

    // TransferObserver
    void setWhat(const QString& text) override;
    void setWhere(const QString& text) override;
    void progress(qint64 done, qint64 total) override;
    void message(const QString& text, Icon icon) override;
    void showClose() override;

protected:
    virtual TransferResult runTransfer(const TransferContext& context) = 0;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void finish();

    Services& m_services;
    QPushButton* m_cmdCancel;
    QLabel* m_lblWhat;
    QLabel* m_lblWhere;
    QProgressBar* m_progress;
    TransferResult m_result;
    bool m_started = false;
    bool m_running = false;
    bool m_closeWhenStopped = false;
    bool m_closing = false;
};

} // namespace korvel
