#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace korvel {

class SettingsFile;

// The few operations the link needs of a serial port. Implemented over QSerialPort
// for real devices and pseudo-terminals, and in-process for tests.
//
// No operation needs an event loop: the engines and the comm test's frozen waits
// call them from inside a handler that does not run it.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens `device` with a settings string such as "115200,N,8,1" and switches RTS
    // and DTR on. Returns false and sets errorString() when the port cannot be
    // opened or set up.
    virtual bool open(const QString& device, const QString& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends the bytes, in order. False (with errorString()) on a port error.
    virtual bool write(const QByteArray& bytes) = 0;
    // Bytes received and not yet read; never waits long. -1 once the port has
    // failed (device gone, read error): errorString() tells why.
    virtual int bytesWaiting() = 0;
    // Blocks for at most maxSeconds until at least one byte waits and returns
    // bytesWaiting(): 0 when nothing came in time, -1 on a port failure. Returns
    // as soon as a byte is there, so a caller can wait in short slices and still
    // react to a reply at once.
    virtual int waitForInput(double maxSeconds) = 0;
    // Takes up to maxBytes waiting bytes (all of them when maxBytes is 0); never waits.
    virtual QByteArray read(int maxBytes) = 0;
    virtual QString errorString() const = 0;
};

// Makes a fresh, closed port for each operation of a window; never returns null.
class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> create() = 0;
};

// The device for port number N: the settings key "Port N Device" when it is set,
// otherwise "COMN" on Windows and /dev/ttyUSB(N-1) elsewhere.
QString deviceForPort(int portNumber, const SettingsFile* settings);

} // namespace korvel
