// The editor's side of the emulator link: identification while opening, the upload
// of changed bytes into the editor's own labels, and the transfer windows.
#include "editor/frm_editor.h"

#include "core/app_state.h"
#include "core/settings_file.h"
#include "editor/live_update.h"
#include "emulator/get_version.h"
#include "emulator/serial_port.h"
#include "emulator/transfer_observer.h"
#include "emulator/upload_changes.h"
#include "transfer/frm_batch_download.h"
#include "transfer/frm_check.h"
#include "transfer/frm_download.h"
#include "transfer/frm_verify.h"
#include "widgets/prompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <type_traits>

namespace korvel {

namespace {

// Shows a link operation's progress in two labels and its messages through the prompt.
class LabelObserver : public TransferObserver {
public:
    LabelObserver(Prompt& prompt, QLabel* what, QLabel* where)
        : m_prompt(prompt), m_what(what), m_where(where) {}
    void setWhat(const QString& text) override { show(m_what, text); }
    void setWhere(const QString& text) override { show(m_where, text); }
    void progress(qint64, qint64) override {}
    void message(const QString& text, Icon icon) override {
        m_prompt.message(text, icon == Icon::Critical ? Prompt::Icon::Critical : Prompt::Icon::None);
    }
    void showClose() override {}

private:
    static void show(QLabel* label, const QString& text) {
        if (!label) return;
        label->setText(text);
        label->repaint();
    }
    Prompt& m_prompt;
    QLabel* m_what;
    QLabel* m_where;
};

// The identification's messages, with what a user without an emulator needs to know: the
// message comes first thing when the editor opens, and most often nothing is plugged in.
class IdentifyObserver : public LabelObserver {
public:
    using LabelObserver::LabelObserver;
    void message(const QString& text, Icon icon) override {
        LabelObserver::message(
            text + QStringLiteral("\n\nThe editor works without an emulator; only the transfers "
                                  "need one. \"Port…\" in the start window chooses its device."),
            icon);
    }
};

} // namespace

void frmEditor::identifyEmulator() {
    IdentifyObserver observer(m_services.prompt, nullptr, nullptr);
    AppState& state = m_services.state;
    GetVersion(state.PortNumber, &m_services.settings, state, m_services.ports, m_services.ticker, observer);
}

namespace {

// What a transfer window's run proved about the emulator's memory.
template <typename Window> LiveUpdate::RunProof proofOf(const TransferResult& r) {
    using Proof = LiveUpdate::RunProof;
    const bool completed = r.outcome == TransferOutcome::Completed;
    if constexpr (std::is_same_v<Window, frmCheck>)
        return Proof::Nothing;
    else if constexpr (std::is_same_v<Window, frmVerify>)
        return r.errors > 0 ? Proof::ImageUnknown : completed ? Proof::ImageHeld : Proof::Nothing;
    else
        return completed ? Proof::ImageHeld : Proof::ImageUnknown;
}

} // namespace

template <typename Window> void frmEditor::openTransfer() {
    // The port is the transfer's alone while its window is open.
    m_live->pause();
    Window window(m_services, this);
    window.exec();
    m_live->resume(proofOf<Window>(window.result()));
}

template void frmEditor::openTransfer<frmDownload>();
template void frmEditor::openTransfer<frmVerify>();
template void frmEditor::openTransfer<frmCheck>();
template void frmEditor::openTransfer<frmBatchDownload>();

void frmEditor::cmdUpload_Click() {
    if (m_services.state.EmulatorFound) Upload_Changes();
}

void frmEditor::setEditingEnabled(bool enabled) {
    m_tabs->setEnabled(enabled);
    for (QPushButton* b : {m_cmdSave, m_cmdChkSum})
        b->setEnabled(enabled);
    for (QPushButton* b : {m_cmdComplete, m_cmdUpload, m_cmdDownload, m_cmdBatch, m_cmdCheck})
        b->setEnabled(enabled && m_services.state.EmulatorFound);
}

void frmEditor::Upload_Changes() {
    if (m_uploading) return;
    AppState& state = m_services.state;
    LabelObserver observer(m_services.prompt, m_lblWhat, m_lblWhere);
    const TransferContext context{state, m_services.ports,
                                  deviceForPort(state.PortNumber, &m_services.settings), m_services.ticker,
                                  observer};
    // The waits keep the window responsive, so nothing that could start another
    // transfer or change the image may be used until the upload ends.
    m_uploading = true;
    setEditingEnabled(false);
    m_live->pause();
    const TransferResult sent = UploadChanges(context).Upload_Changes(m_chkVerify->isChecked());
    m_live->resume(sent.outcome == TransferOutcome::Completed ? LiveUpdate::RunProof::ChangesSent
                                                              : LiveUpdate::RunProof::Nothing);
    setEditingEnabled(true);
    m_uploading = false;
}

} // namespace korvel
