// Times the comparison with a baseline on a 32 KiB image: the marks of every byte, the
// full list of changes, and an undo of a 500-byte map step.
#include "core/app_state.h"
#include "core/baseline.h"
#include "core/change_list.h"
#include "core/edit_history.h"
#include "core/values.h"
#include "measure.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace korvel;
using korvel::bench::measure;

int main() {
    constexpr int kLength = 32 * 1024;
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < kLength + 16; ++i) {
        s->BinImage[static_cast<size_t>(i)].setAddress(i);
        s->BinImage[static_cast<size_t>(i)].setValue(i < kLength ? (i * 7) & 0xFF : 0);
    }
    s->BinSize = kLength + 16;
    // 300 items: 16 x 16 maps, 16-cell arrays and 2-byte values, side by side from 0.
    int address = 0;
    for (int n = 1; n <= 300; ++n) {
        EcuItem& it = s->EcuItemTable[static_cast<size_t>(n)];
        const bool map = n % 3 == 0, array = n % 3 == 1;
        it.Id = QString::number(n);
        it.Address = hexNumber(static_cast<quint64>(address));
        it.Columns = static_cast<qint16>(map ? 16 : 1);
        it.Rows = static_cast<qint16>(map || array ? 16 : 1);
        it.ByteSize = 2;
        it.Factor = 0.5;
        address += map ? 256 : (array ? 16 : 2);
    }
    s->ecuHeader.ItemCount = 300;
    const Baseline baseline = Baseline::ofImage(*s);
    // Every 64th byte changed.
    for (int i = 0; i < kLength; i += 64)
        StoreByte(*s, i, s->byteAt(i) ^ 0x5A);

    size_t marks = 0;
    measure("marks of a 32 KiB image", 50, 16,
            [&] { marks = baseline.differingAddresses(*s, 0, kLength).size(); });
    size_t items = 0;
    // The list is built when the Changes view opens, not on every frame: 50 ms keeps that prompt.
    measure("changes list of a 32 KiB image, 300 items", 20, 50,
            [&] { items = listChanges(*s, baseline, QStringLiteral("##.##")).items.size(); });

    EditHistory history;
    recordEdit(history, *s, {{0x4000, 500}}, [&] {
        for (int i = 0; i < 500; ++i)
            StoreByte(*s, 0x4000 + i, s->byteAt(0x4000 + i) + 1);
    });
    measure("undo and redo of a 500-byte step", 50, 16, [&] {
        history.undo(*s);
        history.redo(*s);
    });
    std::printf("(%zu differing bytes, %zu changed items)\n", marks, items);
    return 0;
}
