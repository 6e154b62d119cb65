#include "named_controls.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace korvel {

namespace {

class WheelEater : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Wheel; }
};

} // namespace

void ignoreWheel(QWidget* control) {
    control->installEventFilter(new WheelEater(control));
}

void setChangeMark(QWidget* control, bool changed, const QString& toolTip) {
    if (control->property("changed").toBool() != changed) {
        control->setProperty("changed", changed);
        // Named by object, so the controls inside the marked one keep their face.
        control->setStyleSheet(changed ? QStringLiteral("#%1 { background-color: #FFE0B2; color: black; "
                                                        "font-weight: bold; border: 2px solid #D81B60; }")
                                             .arg(control->objectName())
                                       : QString());
    }
    control->setToolTip(changed ? toolTip : QString());
}

QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QLabel* namedLabel(QWidget* parent, const QString& name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

QScrollBar* namedStepper(QWidget* parent, const char* name, Qt::Orientation orientation) {
    auto* s = new QScrollBar(orientation, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(-1, 1);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setValue(0);
    s->setFocusPolicy(Qt::StrongFocus);
    return s;
}

} // namespace korvel
