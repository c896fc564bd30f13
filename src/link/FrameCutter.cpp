#include "FrameCutter.h"

#include "FrameCodec.h"

#include <cstdint>

namespace {

void dropUntilStart(QByteArray& rx)
{
    const qsizetype start = rx.indexOf(kFrameStart);
    rx.remove(0, start < 0 ? rx.size() : start);
}

bool checkByteAgrees(const QByteArray& rx, int blockLength)
{
    char x = 0;
    for (int i = 0; i < blockLength + 3; ++i)
        x ^= rx[i];
    return x == 0;
}

}  // namespace

std::optional<QByteArray> TakeFrame(QByteArray& rx)
{
    dropUntilStart(rx);
    if (rx.size() < 4)
        return std::nullopt;
    const int blockLength = std::uint8_t(rx[1]);
    if (rx.size() < blockLength + 3)
        return std::nullopt;
    if (blockLength == 0 || !checkByteAgrees(rx, blockLength)) {
        rx.remove(0, 1);
        return std::nullopt;
    }
    QByteArray payload = UnscrambleBlock(rx.mid(2, blockLength));
    rx.remove(0, blockLength + 3);
    return payload;
}
