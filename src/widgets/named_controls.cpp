#include "named_controls.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace korvel {

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
