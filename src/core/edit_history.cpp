#include "edit_history.h"

#include "app_state.h"
#include "values.h"

#include <algorithm>

namespace korvel {

bool EditHistory::record(EditAction action) {
    std::erase_if(action, [](const ByteChange& c) { return c.before == c.after; });
    if (action.empty()) return false;
    std::sort(action.begin(), action.end(),
              [](const ByteChange& x, const ByteChange& y) { return x.address < y.address; });
    m_undo.push_back(std::move(action));
    m_redo.clear();
    notify(m_undo.back());
    return true;
}

const EditAction* EditHistory::move(std::vector<EditAction>& from, std::vector<EditAction>& to,
                                    AppState& state, bool after) {
    if (from.empty()) return nullptr;
    to.push_back(std::move(from.back()));
    from.pop_back();
    const EditAction& action = to.back();
    for (const ByteChange& c : action)
        StoreByte(state, c.address, after ? c.after : c.before);
    notify(action);
    return &action;
}

const EditAction* EditHistory::undo(AppState& state) {
    return move(m_undo, m_redo, state, false);
}

const EditAction* EditHistory::redo(AppState& state) {
    return move(m_redo, m_undo, state, true);
}

void EditHistory::notify(const EditAction& action) const {
    for (const Listener& listener : m_listeners)
        listener(action);
}

void EditHistory::clear() {
    m_undo.clear();
    m_redo.clear();
}

bool recordEdit(EditHistory& history, AppState& state, const std::vector<ByteRange>& ranges,
                const std::function<void()>& edit) {
    // Each address once, inside the image, even where ranges overlap.
    std::vector<int> addresses;
    for (const ByteRange& r : ranges) {
        const qint64 begin = std::max(r.first, 0);
        const qint64 end = std::min<qint64>(static_cast<qint64>(r.first) + std::max(r.count, 0), kImageCells);
        for (qint64 a = begin; a < end; ++a)
            addresses.push_back(static_cast<int>(a));
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());

    EditAction action;
    action.reserve(addresses.size());
    for (int a : addresses)
        action.push_back({a, static_cast<quint8>(state.byteAt(a)), 0});
    edit();
    for (ByteChange& c : action)
        c.after = static_cast<quint8>(state.byteAt(c.address));
    return history.record(std::move(action));
}

} // namespace korvel
