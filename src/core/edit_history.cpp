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
    return true;
}

const EditAction* EditHistory::undo(AppState& state) {
    if (m_undo.empty()) return nullptr;
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    const EditAction& action = m_redo.back();
    for (const ByteChange& c : action)
        StoreByte(state, c.address, c.before);
    return &action;
}

const EditAction* EditHistory::redo(AppState& state) {
    if (m_redo.empty()) return nullptr;
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    const EditAction& action = m_undo.back();
    for (const ByteChange& c : action)
        StoreByte(state, c.address, c.after);
    return &action;
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
