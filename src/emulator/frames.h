#pragma once

#include <QByteArray>
#include <QString>

namespace korvel {

// The wire format of the emulator link. Addresses are 16 bits, high byte first;
// every byte goes out as one 8-bit character. 0x0D inside a frame's data is an
// ordinary byte: only the frame's fixed layout tells where it ends.

inline constexpr char kCarriageReturn = 0x0D;
// The first 33 characters of the emulator's answer to "V".
inline constexpr char kBanner[] = "Korvel ROM Emulator Firmware 1.00";
inline constexpr int kBannerLength = 33;
inline constexpr char kSerialSettings[] = "115200,N,8,1";
// The frames carry 16-bit addresses: nothing at or above this is ever sent.
inline constexpr int kAddressSpace = 65536;
inline constexpr int kBlockSize = 64;
inline constexpr char kBlockAck = 'N';
// The free command's terminator, after the user's text.
inline constexpr char kCustomTerminator[] = {0x0D, 0x1F, 0x17, 0x20};

// "V", "C", "D" or "A" followed by four 0x0D.
QByteArray commandFrame(char command);
// "W" address-high address-low data 0x0D.
QByteArray writeFrame(int address, quint8 data);
// "R" address-high address-low filler 0x0D; the reply is the stored byte whatever the filler.
QByteArray readFrame(int address, quint8 filler);
// "B" address-high address-low 0x0D 0x0D; up to 64 data bytes follow.
QByteArray blockHeader(int address);
// The user's text followed by 0x0D 0x1F 0x17 0x20.
QByteArray customFrame(const QByteArray& text);

// "0001 0010 0011 0100" for 0x1234: ByteToBits of the high byte, a space, of the low byte.
QString addressBits(int address);

// True when the reply starts with the 33-character banner (a shorter reply fails).
bool startsWithBanner(const QByteArray& reply);

} // namespace korvel
