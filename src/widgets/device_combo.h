#pragma once

#include "emulator/serial_devices.h"

class QComboBox;
class QWidget;

namespace korvel {

// An editable box for a serial device: the devices present are listed with their
// descriptions, a listed entry once picked leaves only its device in the box, and any
// other path may be typed. It starts with `current`.
QComboBox* deviceCombo(QWidget* parent, const QString& name, const std::vector<SerialDeviceInfo>& devices,
                       const QString& current);

} // namespace korvel
