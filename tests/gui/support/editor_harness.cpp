#include "editor_harness.h"

#include "core/values.h"
#include "widgets/table_grid.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace korvel::test {

QString GuiFixture::writeFile(const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly)) f.write(content);
    return f.fileName();
}

void GuiFixture::useSample() {
    const QString from = qEnvironmentVariable("KORVEL_EXAMPLES") + QStringLiteral("/sample.");
    state.BinPath = writeFile(QStringLiteral("sample.bin"), fileBytes(from + QStringLiteral("bin")));
    state.EcuPath = writeFile(QStringLiteral("sample.ecu"), fileBytes(from + QStringLiteral("ecu")));
}

QByteArray ecuText(const std::vector<ItemSpec>& items, const QStringList& checksum) {
    QString s = QStringLiteral("ECU FORMAT\r\n{\r\nHeader = test\r\nVersion = 1\r\n");
    for (int k = 0; k < 4; ++k)
        s += QStringLiteral("Checksum%1 = %2\r\n")
                 .arg(QStringList{"Address", "Size", "Start", "End"}[k], checksum.value(k));
    s += QStringLiteral("Items = %1\r\n}\r\n").arg(items.size());
    const auto n = [](double v) { return QString::number(v); };
    for (const ItemSpec& i : items) {
        const QStringList values{i.address, n(i.columns), n(i.rows),       n(i.byteSize),
                                 n(i.kind), n(i.offset),  n(i.conversion), n(i.factor)};
        s += "{\r\n";
        for (int k = 0; k < 8; ++k)
            s +=
                QStringLiteral("%1 = %2\r\n")
                    .arg(QString("Address Columns Rows ByteSize Kind Offset Conversion Factor").split(' ')[k],
                         values[k]);
        s += QStringLiteral("Title =%1\r\nYLabel =%2\r\nYAxis =%3\r\nXLabel =%4\r\nXAxis =%5\r\n}\r\n")
                 .arg(i.title, i.yLabel, i.yAxis, i.xLabel, i.xAxis);
    }
    return s.toLatin1();
}

QByteArray image(int length, const std::vector<std::pair<int, int>>& bytes, char fill) {
    QByteArray b(length, fill);
    for (auto [address, value] : bytes)
        b[address] = static_cast<char>(value);
    return b;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString text(const QObject& window, const QString& name) {
    QObject* o = child<QObject>(window, name);
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->currentText();
    return child<QAbstractButton>(window, name)->text();
}

void setText(const QObject& window, const QString& name, const QString& text) {
    if (auto* c = window.findChild<QComboBox*>(name)) return c->setEditText(text);
    child<QLineEdit>(window, name)->setText(text);
}

void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->deleteLater();
            action(w);
            w->close();
        }
    });
    timer->start(5);
}

bool EditorHarness::open(int tab) {
    if (editor->Form_Load().outcome != OpeningResult::Outcome::Opened) return false;
    if (tab >= 0) find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
    editor->show();
    QApplication::setActiveWindow(editor.get());
    return QTest::qWaitForWindowActive(editor.get());
}

void EditorHarness::choose(const QString& list, int index) const {
    auto* c = find<QComboBox>(list);
    c->setCurrentIndex(index);
    emit c->activated(index);
}

void EditorHarness::select(const QString& grid, const std::vector<std::pair<int, int>>& cells) const {
    auto* g = find<TableGrid>(grid);
    for (auto [row, col] : cells)
        g->selectionModel()->select(g->model()->index(row, col), QItemSelectionModel::Select);
}

void EditorHarness::type(const QString& box, const QString& text, int leave) const {
    auto* b = find<QLineEdit>(box);
    b->setFocus(Qt::MouseFocusReason);
    b->selectAll();
    QTest::keyClick(b, Qt::Key_Delete);
    QTest::keyClicks(b, text);
    if (leave) QTest::keyClick(b, Qt::Key(leave));
}

QString EditorHarness::hexCells(const std::vector<BinCell>& from, int address, int count) {
    QString s;
    for (int a = address; a < address + count; ++a)
        s += from[size_t(a)].valueText();
    return s;
}

int EditorHarness::pendingCount() const {
    const auto& p = fx.state.PendingChanges;
    return int(std::count_if(p.begin(), p.end(), [](const BinCell& c) { return !c.isEmpty(); }));
}

void EditorHarness::edit(int address, int byte) {
    StoreByte(fx.state, address, byte);
    editor->vars().IsSaved = false;
}

} // namespace korvel::test
