#pragma once
#include <QByteArray>
#include <optional>

// Takes the first frame off the front of a receive buffer. Bytes before a start byte are
// dropped; an incomplete frame is left to wait for more bytes; a frame whose check byte fails
// (or whose block length is 0, so it has no mask byte) loses only its start byte, so that the
// next call resynchronises on the next 0x55. At most one frame per call: no value means no
// frame this time, which is not the same as an empty payload. Bytes after the frame stay.
std::optional<QByteArray> TakeFrame(QByteArray& rx);
