#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

namespace korvel {

struct AppState;

// One byte an action changed.
struct ByteChange {
    int address = 0;
    quint8 before = 0;
    quint8 after = 0;

    bool operator==(const ByteChange&) const = default;
};

// Everything one user action changed (a flag box, a committed value, a +/- on a whole
// grid selection, the stored checksum): its bytes, ascending by address, each once.
using EditAction = std::vector<ByteChange>;

// A run of image addresses: first .. first + count - 1.
struct ByteRange {
    int first = 0;
    int count = 0;
};

// The undo and redo steps of one open image. Undo and redo are edits like any other:
// they store the bytes through StoreByte, so PendingChanges records the restored values
// (the next download puts the emulator back too) and the change marks follow.
class EditHistory {
public:
    // Records a finished action. Bytes that ended as they started are left out; an
    // action that changed nothing is not recorded. A recorded action clears the redo steps.
    // Returns whether it was recorded.
    bool record(EditAction action);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    int undoCount() const { return static_cast<int>(m_undo.size()); }
    int redoCount() const { return static_cast<int>(m_redo.size()); }

    // Stores the last action's bytes as they were before it and moves it to the redo
    // steps. Returns the action (so the caller knows which bytes to refresh), or nullptr
    // when there is nothing to undo. The pointer stays valid until the history changes.
    const EditAction* undo(AppState& state);
    // Stores the last undone action's bytes as it left them and moves it back.
    const EditAction* redo(AppState& state);

    void clear();

    // Called after every action that changed bytes: one recorded, undone or redone, with
    // its bytes as recorded. The image already holds the new values, which for an undone
    // action are the `before` bytes: read the image, not `after`. Live update and the
    // change marks follow edits through here.
    using Listener = std::function<void(const EditAction&)>;
    void addListener(Listener listener) { m_listeners.push_back(std::move(listener)); }

private:
    void notify(const EditAction& action) const;

    // Moves the last action of `from` onto `to` and stores its bytes as they were after it
    // (`after`) or before it.
    const EditAction* move(std::vector<EditAction>& from, std::vector<EditAction>& to, AppState& state,
                           bool after);

    std::vector<EditAction> m_undo;
    std::vector<EditAction> m_redo;
    std::vector<Listener> m_listeners;
};

// Runs `edit`, which writes bytes through StoreByte, and records what it changed inside
// `ranges` as one action: the bytes are read before and after. Bytes the edit writes
// outside the ranges are not recorded, so the ranges must cover everything it may touch.
// Addresses outside the image are ignored. Returns whether an action was recorded.
bool recordEdit(EditHistory& history, AppState& state, const std::vector<ByteRange>& ranges,
                const std::function<void()>& edit);

} // namespace korvel
