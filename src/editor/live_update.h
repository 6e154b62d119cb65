#pragma once

#include "core/edit_history.h"
#include "widgets/services.h"

#include <QObject>
#include <memory>
#include <set>

class QCheckBox;
class QLabel;
class QWidget;

namespace korvel {

class LiveWriter;

// The editor's "Live" box and its status label. While the box is ticked, every action
// that changes bytes (heard from the edit history) is queued for the emulator as one edit
// and sent in the background by a LiveWriter; the label tells "In step", "Sending n
// bytes", "Paused" or "Failed".
//
// Edits made while the box is clear, and bytes left unsent by a failure, are kept and
// sent when the box is ticked again. Live sends edits only: the emulator holds the image
// only once a download or a verify in this editor has passed. Until then the label
// says the emulator is not checked and points to those two buttons instead of "In step".
// The bytes stay recorded in PendingChanges either way.
//
// A failed write clears the box with one critical message naming the address and why.
class LiveUpdate : public QObject {
    Q_OBJECT
public:
    LiveUpdate(Services& services, EditHistory& history, QWidget* parent);
    ~LiveUpdate() override;

    QCheckBox* checkBox() const { return m_chkLive; }
    QLabel* label() const { return m_lblLive; }

    // Whether the emulator was found: the box is usable only then. Clears the box.
    void setAvailable(bool available);
    bool isOn() const;

    // What a run that had the port in between proved about the emulator.
    enum class RunProof {
        Nothing,      // a check; a verify or download that never got going
        ChangesSent,  // "Download Changes" sent every changed byte
        ImageHeld,    // a download completed, or a verify found no difference
        ImageUnknown, // a download that stopped part way, a verify that found differences
    };
    // Another run needs the port (a transfer window, "Download Changes"): the port is
    // given up until resume(). Edits made meanwhile are queued. Pauses nest.
    void pause();
    void resume(RunProof proof = RunProof::Nothing);

    // Before the editor closes: waits a moment for the queue; when bytes are still
    // left, asks whether to stop sending them. False when the editor should stay open.
    bool finishBeforeClosing();
    // Sends what is queued, waiting as long as the writes go on (each is bounded by
    // its re-sends); for the bytes a closing stores itself.
    void drain();

    // The box's click handler.
    void chkLive_Click(bool checked);

private:
    void onEdit(const EditAction& action);
    void onFailed(const QString& message);
    void showState();
    // Steps the writer for at most `seconds`, pumping events; true when it is idle then.
    bool waitIdle(double seconds);
    // The closing question with the count still to send.
    QString closingQuestion() const;

    Services& m_services;
    QCheckBox* m_chkLive;
    QLabel* m_lblLive;
    std::unique_ptr<LiveWriter> m_writer;
    std::unique_ptr<LiveWriter> m_retired; // stopped by a failure, deleted from the event loop
    std::set<int> m_unsent;                // addresses changed and not known to be in the emulator
    bool m_available = false;
    bool m_failed = false;
    bool m_checked = false; // a download or verify in this editor proved the emulator holds the image
    int m_pauses = 0;
};

} // namespace korvel
