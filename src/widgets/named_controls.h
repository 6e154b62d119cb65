#pragma once

#include <QString>
#include <Qt>

class QLabel;
class QPushButton;
class QScrollBar;
class QWidget;

namespace korvel {

// Controls the windows build in code, each with the objectName tests find it by.
QPushButton* namedButton(QWidget* parent, const char* name, const QString& caption);
QLabel* namedLabel(QWidget* parent, const QString& name, const QString& caption = {});
// A stepper: a scroll bar of range -1..1 resting at 0, one step per arrow or page click.
// It takes the focus on a click, so a box being typed in loses it (and runs its
// handler) before the step reads it.
QScrollBar* namedStepper(QWidget* parent, const char* name, Qt::Orientation orientation);

// The mouse wheel over the control does nothing: a wheel turned while passing over a
// stepper must never change a calibration byte.
void ignoreWheel(QWidget* control);

// Marks a control whose bytes differ from what the image is compared with (a tinted,
// bold face and the old value as its tool tip), or takes the mark away. The control's
// "changed" property tells which.
void setChangeMark(QWidget* control, bool changed, const QString& toolTip = {});

// Layout sizes are planned in twips (1/1440 inch).
inline int twipsToPixels(double twips, int dotsPerInch) {
    return qRound(twips * dotsPerInch / 1440.0);
}

} // namespace korvel
