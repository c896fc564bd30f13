#pragma once
#include <QByteArray>
#include <QString>

// A frame on the line: 55, L, the scrambled block of L bytes, and a check byte that makes the
// XOR of the whole frame 0. The block is the payload scrambled from a random start index into
// ScrambleTable, followed by the mask byte from which the receiver recovers that index.

// Largest payload a frame carries (L is one byte and includes the mask byte).
inline constexpr int kMaxPayload = 254;
inline constexpr char kFrameStart = 0x55;

// The payload (n bytes) scrambled from start index `start` (0..255; the caller draws it from
// its random source): n + 1 bytes, the last one the mask byte.
QByteArray ScrambleBlock(const QByteArray& payload, int start);
// The payload of a scrambled block of L >= 1 bytes (L - 1 bytes; empty for L = 1).
QByteArray UnscrambleBlock(const QByteArray& block);
// The outer layer: 55, L, the block, the check byte.
QByteArray FrameBlock(const QByteArray& block);
// The whole frame for a payload of at most kMaxPayload bytes.
QByteArray BuildFrame(const QByteArray& payload, int start);

// Every byte as two upper-case hexadecimal digits, no separators ("000310").
QString HexBytes(const QByteArray& bytes);
