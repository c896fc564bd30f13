#include "FrameCodec.h"

#include "ScrambleTable.h"

namespace {

std::uint8_t tableAt(int start, int i) { return ScrambleTable[(start + i) & 0xFF]; }

std::uint8_t xorOf(const QByteArray& bytes, int count)
{
    std::uint8_t x = 0;
    for (int i = 0; i < count; ++i)
        x ^= std::uint8_t(bytes[i]);
    return x;
}

}  // namespace

QByteArray ScrambleBlock(const QByteArray& payload, int start)
{
    start &= 0xFF;
    const int n = payload.size();
    QByteArray block(n + 1, '\0');
    for (int i = 0; i < n; ++i)
        block[i] = char(std::uint8_t(payload[i]) ^ tableAt(start, i));
    const std::uint8_t mask = std::uint8_t(start) ^ xorOf(block, n);
    for (int i = 0; i < n; ++i)
        block[i] = char(std::uint8_t(block[i]) ^ mask);
    block[n] = char(mask);
    return block;
}

QByteArray UnscrambleBlock(const QByteArray& block)
{
    if (block.isEmpty())
        return {};
    const int n = block.size() - 1;
    const std::uint8_t mask = std::uint8_t(block[n]);
    QByteArray payload = block.left(n);
    for (int i = 0; i < n; ++i)
        payload[i] = char(std::uint8_t(payload[i]) ^ mask);
    const int start = mask ^ xorOf(payload, n);
    for (int i = 0; i < n; ++i)
        payload[i] = char(std::uint8_t(payload[i]) ^ tableAt(start, i));
    return payload;
}

QByteArray FrameBlock(const QByteArray& block)
{
    QByteArray frame;
    frame.reserve(block.size() + 3);
    frame.append(kFrameStart);
    frame.append(char(block.size()));
    frame.append(block);
    frame.append(char(xorOf(frame, frame.size())));
    return frame;
}

QByteArray BuildFrame(const QByteArray& payload, int start) { return FrameBlock(ScrambleBlock(payload, start)); }

QString HexBytes(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }
