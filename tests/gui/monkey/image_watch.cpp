#include "image_watch.h"

#include "core/app_state.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace korvel::test {

namespace {

bool same(const BinCell& a, const BinCell& b) {
    return a.Address == b.Address && a.Value == b.Value;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Whether n cells from `from` on are byte for byte the same in both arrays.
bool sameCells(const std::vector<BinCell>& a, const std::vector<BinCell>& b, int from, int n) {
    static_assert(sizeof(BinCell) == 8, "cells are compared as plain bytes");
    return std::memcmp(a.data() + from, b.data() + from, sizeof(BinCell) * static_cast<size_t>(n)) == 0;
}

QString cellText(const BinCell& c) {
    return c.isEmpty() ? QStringLiteral("<empty>") : c.valueText();
}

} // namespace

ImageWatch::ImageWatch(const AppState& state) : m_state(state) {}

void ImageWatch::snapshot() {
    m_loaded = m_state.BinImage;
    m_pendingAtOpen = m_state.PendingChanges;
    m_lastSaved = std::min(m_state.lastSavedCell(), kImageCells - 1);
}

int ImageWatch::changedBytes() const {
    int n = 0;
    for (int a = 0; a <= m_lastSaved; ++a)
        n += same(m_state.BinImage[static_cast<size_t>(a)], m_loaded[static_cast<size_t>(a)]) ? 0 : 1;
    return n;
}

QString ImageWatch::checkTail(int from, int to) const {
    if (from >= to) return {};
    if (sameCells(m_state.BinImage, m_loaded, from, to - from) &&
        sameCells(m_state.PendingChanges, m_pendingAtOpen, from, to - from))
        return {};
    for (int a = from; a < to; ++a) {
        const auto i = static_cast<size_t>(a);
        if (!same(m_state.BinImage[i], m_loaded[i]))
            return QStringLiteral("image cell %1, past the last editable byte %2, changed from %3 to %4")
                .arg(a)
                .arg(m_lastSaved)
                .arg(cellText(m_loaded[i]), cellText(m_state.BinImage[i]));
        if (!same(m_state.PendingChanges[i], m_pendingAtOpen[i]))
            return QStringLiteral("pending change recorded at %1, past the last editable byte %2 (value %3)")
                .arg(a)
                .arg(m_lastSaved)
                .arg(cellText(m_state.PendingChanges[i]));
    }
    return {};
}

QString ImageWatch::checkCell(int a) const {
    const auto i = static_cast<size_t>(a);
    const BinCell& cell = m_state.BinImage[i];
    const BinCell& pending = m_state.PendingChanges[i];
    if (!isHexDigit(cell.Value[0]) || !isHexDigit(cell.Value[1]) || cell.Address != m_loaded[i].Address)
        return QStringLiteral("image cell %1 is malformed: address \"%2\", value \"%3\"")
            .arg(a)
            .arg(cell.addressText(), cell.valueText());
    const bool changed = cell.Value != m_loaded[i].Value;
    const bool recorded = !same(pending, m_pendingAtOpen[i]);
    if ((changed || recorded) && (pending.isEmpty() || pending.Value != cell.Value))
        return QStringLiteral("byte %1 is %2 (loaded %3) but its pending change is %4")
            .arg(a)
            .arg(cellText(cell), cellText(m_loaded[i]), cellText(pending));
    return {};
}

QString ImageWatch::checkSaved(bool isSaved, const QString& path) const {
    if (!isSaved) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read %1 back").arg(path);
    const QByteArray bytes = file.readAll();
    const int n = std::min<int>(m_lastSaved + 1, static_cast<int>(bytes.size()));
    for (int a = 0; a < n; ++a) {
        if (static_cast<quint8>(bytes[a]) != m_state.byteAt(a))
            return QStringLiteral(
                       "the editor counts as saved, but byte %1 of the file is %2 and of the image %3")
                .arg(a)
                .arg(static_cast<quint8>(bytes[a]))
                .arg(m_state.byteAt(a));
    }
    return {};
}

QString ImageWatch::check(bool fullScan) const {
    // Runs of cells that no edit touched are skipped whole; the cells of the others
    // are checked one by one.
    constexpr int kRun = 256;
    for (int from = 0; from <= m_lastSaved; from += kRun) {
        const int n = std::min(kRun, m_lastSaved + 1 - from);
        if (sameCells(m_state.BinImage, m_loaded, from, n) &&
            sameCells(m_state.PendingChanges, m_pendingAtOpen, from, n))
            continue;
        for (int a = from; a < from + n; ++a)
            if (QString p = checkCell(a); !p.isEmpty()) return p;
    }
    // The cells just past the last editable byte every time (an edit that runs over
    // the end lands there first), all the rest of the arrays when asked.
    const int near = std::min(kImageCells, m_lastSaved + 1 + 4096);
    if (QString p = checkTail(m_lastSaved + 1, near); !p.isEmpty()) return p;
    if (fullScan) return checkTail(near, kImageCells);
    return {};
}

} // namespace korvel::test
