#pragma once
#include <QByteArray>

// The two 16-bit little-endian values every reply is read for. c: byte 3 alone in a 4-byte
// reply, bytes 3..4 in a longer one, 0 in a shorter one. p: byte 5 alone in a 6-byte reply,
// bytes 5..6 in a longer one, 0 in a shorter one.
int ReplyC(const QByteArray& reply);
int ReplyP(const QByteArray& reply);

// The cold-junction reading (1/16 °C) in °C. Readings above 16384 are negative temperatures;
// 16384 itself is the sensor's no-reading mark, which the caller checks before converting.
double CjTemp(int reading);
