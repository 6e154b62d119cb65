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
    QString s =
        QStringLiteral(
            "ECU FORMAT\r\n{\r\nHeader = test\r\nVersion = 1\r\nChecksumAddress = %1\r\nChecksumSize = %2"
            "\r\nChecksumStart = %3\r\nChecksumEnd = %4\r\nItems = %5\r\n}\r\n")
            .arg(checksum.value(0), checksum.value(1), checksum.value(2), checksum.value(3),
                 toText(items.size()));
    for (const ItemSpec& i : items)
        s += QStringLiteral(
                 "{\r\nAddress = %1\r\nColumns = %2\r\nRows = %3\r\nByteSize = %4\r\nKind = %5\r\nOffset = "
                 "%6\r\n"
                 "Conversion = %7\r\nFactor = %8\r\nTitle =%9\r\nYLabel =%10\r\nYAxis =%11\r\nXLabel =%12\r\n"
                 "XAxis =%13\r\n}\r\n")
                 .arg(i.address, toText(i.columns), toText(i.rows), toText(i.byteSize), toText(i.kind),
                      toText(i.offset), toText(i.conversion), toText(i.factor), i.title, i.yLabel, i.yAxis,
                      i.xLabel, i.xAxis);
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
