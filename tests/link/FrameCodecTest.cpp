#include "FrameCodec.h"
#include "FrameCutter.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray payloadOfLength(int n)
{
    QByteArray p(n, '\0');
    for (int i = 0; i < n; ++i)
        p[i] = char(i * 37 + n);
    return p;
}

std::string show(const std::optional<QByteArray>& frame)
{
    return frame ? "payload " + HexBytes(*frame).toStdString() : "no frame";
}

}  // namespace

TEST(FrameCodec, EveryPayloadLengthAndStartIndexComesBackThroughTheCutter)
{
    for (int n = 0; n <= kMaxPayload; ++n) {
        const QByteArray payload = payloadOfLength(n);
        for (int start = 0; start < 256; ++start) {
            const QByteArray block = ScrambleBlock(payload, start);
            ASSERT_EQ(block.size(), n + 1);
            ASSERT_EQ(UnscrambleBlock(block), payload) << "n " << n << ", start " << start;
            QByteArray rx = BuildFrame(payload, start);
            const std::optional<QByteArray> taken = TakeFrame(rx);
            ASSERT_TRUE(taken.has_value()) << "n " << n << ", start " << start;
            ASSERT_EQ(*taken, payload);
            ASSERT_TRUE(rx.isEmpty());
        }
    }
}

TEST(FrameCodec, OuterLayerAndHexText)
{
    EXPECT_EQ(FrameBlock(hex("12345678")), hex("55041234567859"));
    EXPECT_EQ(HexBytes(hex("000310")), "000310");
    EXPECT_EQ(HexBytes(hex("ab55ff")), "AB55FF");
    EXPECT_EQ(HexBytes(QByteArray()), "");
    // The start index changes the bytes on the line, not what they carry.
    EXPECT_NE(BuildFrame(hex("000310"), 1), BuildFrame(hex("000310"), 2));
}

// Bytes arrive, then the cutter is called once; each step states what that one call gives.
TEST(FrameCutter, CutsFramesOutOfTheReceivedBytes)
{
    const QByteArray a = hex("000410");
    const QByteArray b = hex("00040a0b0c");
    const QByteArray frameA = BuildFrame(a, 7);
    const QByteArray frameB = BuildFrame(b, 200);
    const std::optional<QByteArray> none;
    struct Step {
        QByteArray arrives;
        std::optional<QByteArray> gives;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        QByteArray left;
    };
    const std::vector<Case> cases = {
        {"two frames in one read", {{frameA + frameB, a}, {{}, b}, {{}, none}}, {}},
        {"garbage, then a start byte whose check fails, then a frame",
         {{hex("0102fe") + hex("5502000000") + frameA, none}, {{}, a}},
         {}},
        {"a false start reaching into the frame loses only its start byte",
         {{hex("5503") + frameA, none}, {{}, a}},
         {}},
        {"an incomplete frame waits", {{frameA.left(3), none}, {frameA.mid(3, 2), none}, {frameA.mid(5), a}}, {}},
        {"three bytes are not examined", {{hex("550055"), none}}, hex("550055")},
        {"a block length of 0 is a bad frame, not an empty payload",
         {{hex("55005500") + frameA, none}, {{}, none}, {{}, a}},
         {}},
        {"the empty payload", {{BuildFrame({}, 99), QByteArray()}}, {}},
        {"bytes after the frame stay", {{frameA + hex("550412"), a}}, hex("550412")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray rx;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            rx += c.steps[i].arrives;
            EXPECT_EQ(show(TakeFrame(rx)), show(c.steps[i].gives)) << "call " << i + 1;
        }
        EXPECT_EQ(HexBytes(rx), HexBytes(c.left));
    }
}
