#include "changes_view.h"

#include "core/app_state.h"
#include "core/baseline.h"
#include "core/change_list.h"
#include "core/grid_text.h"
#include "core/values.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvel {

namespace {

// Item rows keep the item number, byte rows minus (address + 1).
constexpr int kRowRole = Qt::UserRole;
// A table row names at most this many differing cells.
constexpr size_t kCellsShown = 4;

QString hexDigits(quint64 value, int digits) {
    return hexNumber(value).rightJustified(digits, QLatin1Char('0'));
}

QString valueText(quint64 raw, const std::optional<QString>& text, int digits) {
    QString t = hexDigits(raw, digits);
    if (text && !text->isEmpty()) t += QStringLiteral(" (%1)").arg(*text);
    return t;
}

// The before and after texts of one changed item; a table names its differing cells by
// column and row (from 1, the first row the bottom one in the grid).
std::pair<QString, QString> readings(const EcuItem& item, const ItemChange& change) {
    const ItemReading& b = change.before;
    const ItemReading& a = change.after;
    switch (change.cls) {
    case ItemClass::Flag:
        return {hexDigits(b.raw[0], 2), hexDigits(a.raw[0], 2)};
    case ItemClass::Value:
        return {valueText(b.raw[0], b.text[0], 2 * item.ByteSize),
                valueText(a.raw[0], a.text[0], 2 * item.ByteSize)};
    default:
        break;
    }
    QStringList before, after;
    size_t differing = 0;
    const int cols = std::max<int>(item.Columns, 1);
    for (size_t k = 0; k < b.raw.size() && k < a.raw.size(); ++k) {
        if (b.raw[k] == a.raw[k]) continue;
        if (++differing > kCellsShown) continue;
        // Named by the grid's headings where the axis has them, else by column and row from 1.
        const int c = static_cast<int>(k) % cols + 1, r = static_cast<int>(k) / cols + 1;
        const QString x = columnHeading(item, c).trimmed(), y = rowHeading(item, r).trimmed();
        const auto cell =
            QStringLiteral("[%1,%2] ")
                .arg(x.isEmpty() ? QString::number(c) : x, y.isEmpty() ? QString::number(r) : y);
        const auto text = [](const ItemReading& r, size_t i) {
            QString t = QString::number(r.raw[i]);
            if (r.text[i] && !r.text[i]->isEmpty()) t += QStringLiteral(" (%1)").arg(*r.text[i]);
            return t;
        };
        before << cell + text(b, k);
        after << cell + text(a, k);
    }
    if (differing > kCellsShown) {
        const QString more = QStringLiteral("… %1 cells").arg(differing);
        before << more;
        after << more;
    }
    return {before.join(QStringLiteral(", ")), after.join(QStringLiteral(", "))};
}

QString counted(qsizetype n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// What differs, and when the image and the baseline differ in length, that they do, how much
// is compared and how many items lie past the end of the baseline.
QString summary(const ChangeList& list, int differing, int past, const QString& against) {
    const QString found =
        QStringLiteral("%1 and %2 outside items differ")
            .arg(counted(differing, "item", "items"), counted(list.unlisted.size(), "byte", "bytes"));
    if (!list.lengthsDiffer())
        return list.anyDifference() ? QStringLiteral("%1 from %2.").arg(found, against)
                                    : QStringLiteral("No differences from %1.").arg(against);
    const int compared = std::min(list.imageLength, list.baselineLength);
    QString text = QStringLiteral("The lengths differ: the image has %1 bytes, %2 has %3. ")
                       .arg(list.imageLength)
                       .arg(against)
                       .arg(list.baselineLength);
    text += list.anyDifference() ? QStringLiteral("In the first %1 bytes, %2.").arg(compared).arg(found)
                                 : QStringLiteral("No differences in the first %1 bytes.").arg(compared);
    if (past > 0)
        text += QStringLiteral(" %1 past the end of %2.")
                    .arg(past == 1 ? QStringLiteral("1 item lies") : QStringLiteral("%1 items lie").arg(past),
                         against);
    return text;
}

} // namespace

frmChanges::frmChanges(const AppState& state, const Baseline& baseline, QWidget* parent)
    : QDialog(parent), m_state(state), m_baseline(baseline) {
    setObjectName(QStringLiteral("frmChanges"));
    setWindowTitle(QStringLiteral("Changes"));
    m_lblChanges = new QLabel(this);
    m_lblChanges->setObjectName(QStringLiteral("lblChanges"));
    m_lblChanges->setWordWrap(true); // the lengths and what lies past the end make a long text
    m_lstChanges = new QTreeWidget(this);
    m_lstChanges->setObjectName(QStringLiteral("lstChanges"));
    m_lstChanges->setRootIsDecorated(false);
    m_lstChanges->setAlternatingRowColors(true);
    m_lstChanges->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("Class"), QStringLiteral("Address"),
                                   QStringLiteral("Before"), QStringLiteral("After")});
    // Before and after share what the names leave; a long table text shows whole in its tool tip.
    m_lstChanges->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_lstChanges->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_lstChanges->header()->setSectionResizeMode(4, QHeaderView::Stretch);
    m_lstChanges->header()->setStretchLastSection(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblChanges);
    layout->addWidget(m_lstChanges, 1);
    resize(820, 420);
    connect(m_lstChanges, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row) {
        const int key = row->data(0, kRowRole).toInt();
        if (key > 0)
            emit itemChosen(key);
        else
            emit byteChosen(-key - 1);
    });
    refresh();
}

void frmChanges::refresh() {
    const ChangeList list = listChanges(m_state, m_baseline, m_state.NumericFormat);
    m_lstChanges->clear();
    QList<QTreeWidgetItem*> rows;
    int differing = 0, past = 0;
    for (const ItemChange& change : list.items) {
        const EcuItem& item = m_state.EcuItemTable[static_cast<size_t>(change.number)];
        auto* row = new QTreeWidgetItem;
        row->setData(0, kRowRole, change.number);
        row->setText(0, item.Title.trimmed());
        row->setText(1, QLatin1String(className(change.cls)));
        if (change.error.isEmpty() || change.pastBaseline)
            row->setText(2, hexDigits(static_cast<quint64>(itemAddress(item)), 4));
        else
            row->setText(2, item.Address.trimmed());
        if (change.pastBaseline) ++past;
        if (change.error.isEmpty()) {
            ++differing;
            const auto [before, after] = readings(item, change);
            row->setText(3, before);
            row->setText(4, after);
            row->setToolTip(3, before);
            row->setToolTip(4, after);
        } else {
            row->setText(3, change.error);
            row->setToolTip(3, change.error);
        }
        rows << row;
    }
    for (int address : list.unlisted) {
        auto* row = new QTreeWidgetItem;
        row->setData(0, kRowRole, -address - 1);
        row->setText(0, QStringLiteral("(no item)"));
        row->setText(1, QStringLiteral("Byte"));
        row->setText(2, hexDigits(static_cast<quint64>(address), 4));
        row->setText(3, hexByte(m_baseline.byteAt(address)));
        row->setText(4, hexByte(m_state.byteAt(address)));
        rows << row;
    }
    m_lstChanges->addTopLevelItems(rows);
    const QString against = m_baseline.path().isEmpty() ? QStringLiteral("the image as opened")
                                                        : QFileInfo(m_baseline.path()).fileName();
    m_lblChanges->setText(summary(list, differing, past, against));
}

} // namespace korvel
