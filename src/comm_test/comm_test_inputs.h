#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace korvel {

// The rules the comm test window applies to what the user types: the numbers of its
// boxes, the settings string, the caption and the character conversions. No widget
// here, so the rules can be checked on their own.

inline constexpr int kCommTestLowestPort = 1;
inline constexpr int kCommTestHighestPort = 255;
// Seconds; a longer wait after every frame would only look like a hang.
inline constexpr double kCommTestLongestDelay = 60.0;
// The frames carry 16-bit addresses, so a fill or read covers at most 0x0000..0xFFFF.
inline constexpr int kCommTestLargestSize = 65536;

// The port box: a number, rounded to the nearest whole port (halves to even), 1..255.
std::optional<int> parseCommPort(const QString& text);
// The baud box: a whole number of bits per second above 0 that fits an int.
std::optional<double> parseCommBaud(const QString& text);
// The delay box: seconds, 0..60, fractions allowed.
std::optional<double> parseCommDelay(const QString& text);
// The size box: a whole number of addresses, 0..65536.
std::optional<int> parseCommSize(const QString& text);
// An address box: one or two hexadecimal digits, either case; an empty box is 00.
std::optional<quint8> parseHexByte(const QString& text);

// "9600,N,8,1" for 9600 baud: the rate in decimal, never in exponent form.
QString commSettingsString(double baud);

// "Comm Test 1.00     Delay 0.3     Com 1  115200 Baud ": the delay as typed.
QString commTestCaption(const QString& delayText, int port, double baud);

// A text as the link sends it: one 8-bit character per character, characters
// beyond that set as "?".
QByteArray linkBytes(const QString& text);
// Bytes received, one character per byte.
QString linkText(const QByteArray& bytes);

// Leading and trailing spaces removed (spaces only: a carriage return stays).
QString trimSpaces(const QString& text);

// "ASCII to Text": the character whose code is the decimal number 0..255; nothing
// for a missing, malformed or out-of-range number.
std::optional<QString> characterForCode(const QString& decimalText);

// The code the link would send for the first character of a text (a character
// beyond the 8-bit set goes out as "?"), and that first character itself (a whole
// character, even when it takes two UTF-16 units).
struct FirstCharacter {
    QString character;
    int code = 0;
};
std::optional<FirstCharacter> firstCharacter(const QString& text);

// Upper-case hexadecimal without a leading zero: "41" for 65, "9" for 9.
QString hexWithoutPadding(int code);

} // namespace korvel
