#include "ReplyFields.h"

#include "Wire.h"

namespace {

// The value whose low byte is at `at`: one byte when the reply ends right after it.
int valueAt(const QByteArray& reply, int at)
{
    if (reply.size() <= at)
        return 0;
    const int low = std::uint8_t(reply[at]);
    return reply.size() == at + 1 ? low : low + 256 * std::uint8_t(reply[at + 1]);
}

}  // namespace

int ReplyC(const QByteArray& reply) { return valueAt(reply, 3); }

int ReplyP(const QByteArray& reply) { return valueAt(reply, 5); }

double CjTemp(int reading)
{
    return reading <= Wire::kColdJunctionNoReading ? reading / 16.0 : (reading - 65536) / 16.0;
}
