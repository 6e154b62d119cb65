#include "frames.h"

#include "core/bin_image.h"

namespace korvel {

namespace {
char high(int address) {
    return static_cast<char>((address >> 8) & 0xFF);
}
char low(int address) {
    return static_cast<char>(address & 0xFF);
}
} // namespace

QByteArray commandFrame(char command) {
    QByteArray f(1, command);
    f.append(4, kCarriageReturn);
    return f;
}

QByteArray writeFrame(int address, quint8 data) {
    QByteArray f;
    f.append('W').append(high(address)).append(low(address)).append(static_cast<char>(data));
    f.append(kCarriageReturn);
    return f;
}

QByteArray readFrame(int address, quint8 filler) {
    QByteArray f;
    f.append('R').append(high(address)).append(low(address)).append(static_cast<char>(filler));
    f.append(kCarriageReturn);
    return f;
}

QByteArray blockHeader(int address) {
    QByteArray f;
    f.append('B').append(high(address)).append(low(address));
    f.append(2, kCarriageReturn);
    return f;
}

QByteArray customFrame(const QByteArray& text) {
    return text + QByteArray(kCustomTerminator, sizeof kCustomTerminator);
}

QString addressBits(int address) {
    return ByteToBits((address >> 8) & 0xFF) + QLatin1Char(' ') + ByteToBits(address & 0xFF);
}

bool startsWithBanner(const QByteArray& reply) {
    return reply.size() >= kBannerLength && reply.left(kBannerLength) == QByteArray(kBanner, kBannerLength);
}

} // namespace korvel
