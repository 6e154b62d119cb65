#include "editor_monkey.h"

#include "core/app_state.h"
#include "editor/frm_editor.h"
#include "widgets/table_grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include <string_view>

namespace korvel::test {

namespace {

const char* const kLists[] = {"cmbFlag", "cmb0Dim", "cmb1Dim", "cmb2Dim"};
const char* const kGrids[] = {"grdLine", "grdMap", "grdHex"};
const char* const kMapSteppers[] = {"scrRotAngle", "scrPanHor", "scrPanVer", "scrZoom"};
const char* const kHexSteppers[] = {"vscStart", "vscCols", "vscRows", "hscHexMap"};
const char* const kHexBoxes[] = {"txtStart", "txtCols", "txtRows"};
const char* const kPictures[] = {"picMap", "picHexMap", "picHexLine"};
const char* const kButtons[] = {"cmdShowIn_1", "cmdShowIn_2", "cmdSave",     "cmdChkSum",
                                "cmdPopulate", "cmdComplete", "cmdDownload", "cmdCheck",
                                "cmdBatch",    "cmdUpload",   "chkVerify"};

QString keyName(int key, Qt::KeyboardModifiers mods) {
    QString name = QKeySequence(key).toString();
    if (name.isEmpty()) name = QStringLiteral("0x%1").arg(key, 0, 16);
    if (mods & Qt::ShiftModifier) name.prepend(QStringLiteral("Shift+"));
    if (mods & Qt::ControlModifier) name.prepend(QStringLiteral("Ctrl+"));
    return name;
}

} // namespace

EditorMonkey::EditorMonkey(AppState& state, Services services, MonkeyPrompt& prompt, std::mt19937_64& rng)
    : m_state(state), m_services(services), m_prompt(prompt), m_rng(rng), m_watch(state) {
    buildActions();
    // A modal window would stop the monkey inside exec(): close it and say so.
    m_modalGuard = new QTimer;
    m_modalGuard->setInterval(20);
    QObject::connect(m_modalGuard, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_editor.get()) return;
        m_modalsSeen << modal->metaObject()->className() +
                            QStringLiteral(" \"%1\"").arg(modal->windowTitle());
        modal->close();
    });
    m_modalGuard->start();
}

EditorMonkey::~EditorMonkey() {
    delete m_modalGuard;
}

template <typename T> T* EditorMonkey::find(const char* name) const {
    return m_editor ? m_editor->findChild<T*>(QLatin1String(name)) : nullptr;
}

template <typename T> T* EditorMonkey::usable(const char* name) const {
    T* w = find<T>(name);
    return (w && w->isVisible() && w->isEnabled()) ? w : nullptr;
}

bool EditorMonkey::open(QString& reason) {
    m_editor = std::make_unique<frmEditor>(m_services);
    const OpeningResult result = m_editor->Form_Load();
    if (result.outcome != OpeningResult::Outcome::Opened) {
        reason = QStringLiteral("the editor did not open: %1 %2").arg(result.error, m_prompt.last());
        return false;
    }
    m_editor->show();
    QApplication::setActiveWindow(m_editor.get());
    if (!QTest::qWaitForWindowActive(m_editor.get(), 2000)) {
        reason = QStringLiteral("the editor did not become active");
        return false;
    }
    m_watch.snapshot();
    return true;
}

void EditorMonkey::buildActions() {
    m_actions.push_back({"tab", 8, [this] { return clickTab(); }});
    for (const char* list : kLists) {
        m_actions.push_back({"list", 4, [this, list] { return chooseListItem(list); }});
        m_actions.push_back({"list key", 1, [this, list] { return keyOnList(list); }});
    }
    m_actions.push_back({"flag", 6, [this] { return clickFlag(); }});
    m_actions.push_back({"value stepper", 6, [this] { return stepStepper("scrValue"); }});
    for (const char* s : kMapSteppers)
        m_actions.push_back({"map stepper", 2, [this, s] { return stepStepper(s); }});
    for (const char* s : kHexSteppers)
        m_actions.push_back({"hex stepper", 2, [this, s] { return stepStepper(s); }});
    m_actions.push_back({"raw text", 8, [this] { return typeRawText(); }});
    for (const char* b : kHexBoxes)
        m_actions.push_back({"hex box", 2, [this, b] { return typeHexBox(b); }});
    for (const char* g : kGrids) {
        m_actions.push_back({"grid click", 6, [this, g] { return clickGridCell(g); }});
        m_actions.push_back({"grid key", 12, [this, g] { return keyOnGrid(g); }});
    }
    m_actions.push_back({"button", 5, [this] { return clickButton(); }});
    m_actions.push_back({"picture mouse", 5, [this] { return dragOrWheelOnPicture(); }});
    m_actions.push_back({"focus key", 5, [this] { return keyToFocus(); }});
    m_actions.push_back({"close", 1, [this] { return closeEditor(); }});
    for (const Action& a : m_actions)
        m_totalWeight += a.weight;
}

QString EditorMonkey::clickTab() {
    auto* tabs = usable<QTabWidget>("SSTab1");
    if (!tabs) return {};
    const int i = pick(0, tabs->count() - 1);
    if (chance(0.8)) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(i).center());
        return QStringLiteral("click tab %1").arg(i);
    }
    QTest::keyClick(tabs, Qt::Key_Tab,
                    chance(0.5) ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
    return QStringLiteral("Ctrl+Tab on the tabs");
}

QString EditorMonkey::chooseListItem(const char* list) {
    auto* c = usable<QComboBox>(list);
    if (!c || c->count() == 0) return {};
    const int i = pick(0, c->count() - 1);
    c->setCurrentIndex(i);
    emit c->activated(i);
    return QStringLiteral("%1: choose %2 \"%3\"").arg(QLatin1String(list)).arg(i).arg(c->itemText(i));
}

QString EditorMonkey::keyOnList(const char* list) {
    auto* c = usable<QComboBox>(list);
    if (!c) return {};
    const Qt::Key keys[] = {Qt::Key_Up,       Qt::Key_Down, Qt::Key_Home, Qt::Key_End,   Qt::Key_PageUp,
                            Qt::Key_PageDown, Qt::Key_E,    Qt::Key_F4,   Qt::Key_Return};
    const Qt::Key key = oneOf(keys);
    c->setFocus(Qt::TabFocusReason);
    QTest::keyClick(c, key);
    return QStringLiteral("%1: key %2").arg(QLatin1String(list), keyName(key, {}));
}

QString EditorMonkey::clickFlag() {
    const int n = pick(0, 7);
    auto* box = usable<QCheckBox>(QStringLiteral("chkFlag%1").arg(n).toLatin1().constData());
    if (!box) return {};
    if (chance(0.8)) {
        QTest::mouseClick(box, Qt::LeftButton);
        return QStringLiteral("click chkFlag%1").arg(n);
    }
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_Space);
    return QStringLiteral("Space on chkFlag%1").arg(n);
}

QString EditorMonkey::stepStepper(const char* name) {
    auto* s = usable<QScrollBar>(name);
    if (!s) return {};
    if (chance(0.7)) {
        const QAbstractSlider::SliderAction actions[] = {
            QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
            QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub};
        const auto action = oneOf(actions);
        s->triggerAction(action);
        return QStringLiteral("%1: step %2").arg(QLatin1String(name)).arg(int(action));
    }
    const Qt::Key keys[] = {Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Left, Qt::Key_Right,
                            Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
    const Qt::Key key = oneOf(keys);
    s->setFocus(Qt::TabFocusReason);
    QTest::keyClick(s, key);
    return QStringLiteral("%1: key %2").arg(QLatin1String(name), keyName(key, {}));
}

QString EditorMonkey::randomText(bool decimal) {
    static const QString hexDigits = QStringLiteral("0123456789ABCDEFabcdef");
    static const QString decimalDigits = QStringLiteral("0123456789");
    const QString& hex = decimal ? decimalDigits : hexDigits;
    static const QString other = QStringLiteral("GXZgz -+.,;_!0x");
    QString t;
    const int n = chance(0.1) ? pick(17, 30) : pick(0, 6);
    for (int k = 0; k < n; ++k) {
        const QString& from = chance(0.85) ? hex : other;
        t += from[pick(0, int(from.size()) - 1)];
    }
    return t;
}

QString EditorMonkey::typeRawText() {
    auto* raw = usable<QLineEdit>("txtValue_Raw");
    if (!raw) return {};
    QTest::mouseClick(raw, Qt::LeftButton);
    if (chance(0.6)) QTest::keyClick(raw, Qt::Key_A, Qt::ControlModifier);
    if (chance(0.2)) QTest::keyClick(raw, Qt::Key_Backspace);
    const QString text = randomText(false);
    QTest::keyClicks(raw, text);
    QString how;
    switch (pick(0, 9)) {
    case 0:
    case 1:
    case 2:
        QTest::keyClick(raw, Qt::Key_Return);
        how = QStringLiteral("Return");
        break;
    case 3:
    case 4:
        QTest::keyClick(raw, Qt::Key_Tab);
        how = QStringLiteral("Tab");
        break;
    case 5:
        if (auto* list = usable<QComboBox>("cmb0Dim")) QTest::mouseClick(list, Qt::LeftButton);
        how = QStringLiteral("click on the list");
        break;
    case 6:
        if (auto* s = usable<QScrollBar>("scrValue")) s->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        how = QStringLiteral("stepper");
        break;
    default:
        how = QStringLiteral("stays");
        break;
    }
    return QStringLiteral("txtValue_Raw: \"%1\" then %2").arg(text, how);
}

QString EditorMonkey::typeHexBox(const char* name) {
    auto* box = usable<QLineEdit>(name);
    if (!box) return {};
    QTest::mouseClick(box, Qt::LeftButton);
    if (chance(0.7)) QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    // Start is hexadecimal, the counts decimal; either may get the other or nonsense.
    const QString text = randomText(std::string_view(name) != "txtStart" && chance(0.8));
    QTest::keyClicks(box, text);
    const bool leave = chance(0.7);
    if (leave) QTest::keyClick(box, chance(0.5) ? Qt::Key_Tab : Qt::Key_Return);
    return QStringLiteral("%1: \"%2\"%3")
        .arg(QLatin1String(name), text, leave ? QStringLiteral(" and leave") : QString());
}

QString EditorMonkey::clickGridCell(const char* name) {
    auto* g = usable<TableGrid>(name);
    if (!g) return {};
    const int r = pick(0, g->rows() - 1), c = pick(0, g->cols() - 1);
    const QModelIndex index = g->model()->index(r, c);
    g->scrollTo(index);
    const QRect rect = g->visualRect(index);
    if (!rect.isValid()) return {};
    const Qt::KeyboardModifiers mods = chance(0.6)   ? Qt::NoModifier
                                       : chance(0.5) ? Qt::ShiftModifier
                                                     : Qt::ControlModifier;
    if (chance(0.8)) {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, mods, rect.center());
        return QStringLiteral("%1: click cell %2,%3 %4")
            .arg(QLatin1String(name))
            .arg(r)
            .arg(c)
            .arg(int(mods));
    }
    // A drag from this cell to a nearby one selects the cells between.
    const QPoint to = rect.center() + QPoint(pick(-2, 2) * rect.width(), pick(-2, 2) * rect.height());
    QTest::mousePress(g->viewport(), Qt::LeftButton, mods, rect.center());
    QTest::mouseMove(g->viewport(), to);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, mods, to);
    return QStringLiteral("%1: drag from cell %2,%3").arg(QLatin1String(name)).arg(r).arg(c);
}

int EditorMonkey::randomKey(Qt::KeyboardModifiers& mods) {
    mods = Qt::NoModifier;
    const int roll = pick(0, 99);
    if (roll < 50) {
        const int keys[] = {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus, Qt::Key_Equal, Qt::Key_Minus};
        if (chance(0.2)) mods = Qt::ShiftModifier;
        if (chance(0.05)) mods |= Qt::KeypadModifier;
        return oneOf(keys);
    }
    if (roll < 72) {
        const int keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};
        if (chance(0.3)) mods = Qt::ShiftModifier;
        return oneOf(keys);
    }
    if (roll < 82) return chance(0.5) ? Qt::Key_A + pick(0, 25) : Qt::Key_0 + pick(0, 9);
    if (roll < 87) return chance(0.5) ? Qt::Key_Return : Qt::Key_Enter;
    if (roll < 92) {
        const int keys[] = {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
        return oneOf(keys);
    }
    if (roll < 96) {
        mods = Qt::ControlModifier;
        return Qt::Key_A;
    }
    const int keys[] = {Qt::Key_Space, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_F2};
    return oneOf(keys);
}

QString EditorMonkey::keyOnGrid(const char* name) {
    auto* g = usable<TableGrid>(name);
    if (!g) return {};
    if (!g->hasFocus()) g->setFocus(Qt::MouseFocusReason);
    Qt::KeyboardModifiers mods;
    const int key = randomKey(mods);
    QTest::keyClick(g, Qt::Key(key), mods);
    return QStringLiteral("%1: key %2").arg(QLatin1String(name), keyName(key, mods));
}

QString EditorMonkey::clickButton() {
    const char* name = oneOf(kButtons);
    QWidget* w = find<QWidget>(name);
    if (!w || !w->isVisible()) return {};
    // A disabled button takes the click and does nothing; that is part of the test.
    QTest::mouseClick(w, Qt::LeftButton);
    return QStringLiteral("click %1%2")
        .arg(QLatin1String(name), w->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
}

QString EditorMonkey::dragOrWheelOnPicture() {
    const char* name = oneOf(kPictures);
    QWidget* pic = usable<QWidget>(name);
    if (!pic) return {};
    const QPoint from(pick(0, pic->width() - 1), pick(0, pic->height() - 1));
    if (chance(0.5)) {
        const QPoint to(pick(0, pic->width() - 1), pick(0, pic->height() - 1));
        QTest::mousePress(pic, Qt::LeftButton, {}, from);
        QTest::mouseMove(pic, (from + to) / 2);
        QTest::mouseMove(pic, to);
        QTest::mouseRelease(pic, Qt::LeftButton, {}, to);
        return QStringLiteral("%1: drag %2,%3 -> %4,%5")
            .arg(QLatin1String(name))
            .arg(from.x())
            .arg(from.y())
            .arg(to.x())
            .arg(to.y());
    }
    const int notches = pick(-3, 3);
    QWheelEvent wheel(QPointF(from), QPointF(pic->mapToGlobal(from)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pic, &wheel);
    return QStringLiteral("%1: wheel %2").arg(QLatin1String(name)).arg(notches);
}

QString EditorMonkey::keyToFocus() {
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != m_editor.get()) target = m_editor.get();
    Qt::KeyboardModifiers mods;
    int key = randomKey(mods);
    QTest::keyClick(target, Qt::Key(key), mods);
    return QStringLiteral("key %1 to %2").arg(keyName(key, mods), target->objectName());
}

QString EditorMonkey::closeEditor() {
    // Rare: each closing starts the editor over on the file.
    if (!chance(0.25)) return {};
    if (chance(0.5)) {
        QTest::keyClick(m_editor.get(), Qt::Key_Escape);
        return QStringLiteral("Esc on the editor");
    }
    m_editor->close();
    return QStringLiteral("close box of the editor");
}

void EditorMonkey::remember(const QString& event) {
    m_recent.push_back(QStringLiteral("#%1 %2").arg(m_report.events).arg(event));
    if (m_recent.size() > 25) m_recent.pop_front();
}

QString EditorMonkey::settle() {
    QCoreApplication::processEvents();
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        ++m_report.popupsClosed;
        QCoreApplication::processEvents();
    }
    if (!m_modalsSeen.isEmpty())
        return QStringLiteral("a modal window opened: %1").arg(m_modalsSeen.join(QStringLiteral(", ")));
    if (m_prompt.unexpected > 0) return QStringLiteral("the editor asked for a file");
    if (m_editor->isVisible()) return {};
    // The user closed the editor: what it left must be sound, then it opens again on
    // the file as it now is.
    if (QString p = m_watch.check(true); !p.isEmpty()) return QStringLiteral("after closing: %1").arg(p);
    m_editor.reset();
    ++m_report.reopenings;
    QString reason;
    if (!open(reason)) return reason;
    return {};
}

EditorMonkey::Report EditorMonkey::run(int maxEvents, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (m_report.events < maxEvents && clock.elapsed() < seconds * 1000) {
        int roll = pick(0, m_totalWeight - 1);
        const Action* action = &m_actions.front();
        for (const Action& a : m_actions) {
            if (roll < a.weight) {
                action = &a;
                break;
            }
            roll -= a.weight;
        }
        const QString event = action->act();
        if (event.isEmpty()) {
            ++m_report.skipped;
            continue;
        }
        remember(event);
        ++m_report.events;
        ++m_report.byAction[action->name];
        QString problem = settle();
        if (problem.isEmpty()) problem = m_watch.check(m_report.events % 64 == 0);
        if (problem.isEmpty()) problem = m_watch.checkSaved(m_editor->isSaved(), m_state.BinPath);
        if (m_report.events % 64 == 0)
            m_report.maxChangedBytes = std::max(m_report.maxChangedBytes, m_watch.changedBytes());
        if (!problem.isEmpty()) {
            m_report.failure = problem;
            break;
        }
    }
    if (m_report.failure.isEmpty()) m_report.failure = m_watch.check(true);
    if (!m_report.failure.isEmpty()) {
        m_report.failure += QStringLiteral("\nlast events:");
        for (const QString& e : m_recent)
            m_report.failure += QStringLiteral("\n  ") + e;
    }
    return m_report;
}

} // namespace korvel::test
