#pragma once

#include <QString>
#include <vector>

namespace korvel {

// A serial device present on the system, as a port chooser lists it.
struct SerialDeviceInfo {
    QString device;      // what a port opens: /dev/ttyUSB0, COM3
    QString description; // the driver's or the adapter's own name; may be empty
    QString usbIds;      // "vendor:product" in hexadecimal (0403:6001) for a USB adapter, else empty

    // One line for a list: the device, then the description and the USB ids where known.
    QString label() const;
};

// The serial devices present now, sorted by device.
std::vector<SerialDeviceInfo> availableSerialDevices();

} // namespace korvel
