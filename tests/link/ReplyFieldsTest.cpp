#include "ReplyFields.h"

#include <gtest/gtest.h>

TEST(ReplyFields, CAndPByReplyLength)
{
    struct Case {
        const char* reply;
        int c;
        int p;
    };
    const Case cases[] = {
        {"000410", 0, 0},
        {"0004102c", 0x2C, 0},              // c from byte 3 alone
        {"0004102c01", 300, 0},
        {"0004102c010a", 300, 10},          // p from byte 5 alone
        {"0004102c010a00", 300, 10},
        {"0004102c01ffff", 300, 65535},
        {"0004102c010a00ff", 300, 10},      // bytes beyond p are not read
    };
    for (const Case& c : cases) {
        const QByteArray reply = QByteArray::fromHex(c.reply);
        EXPECT_EQ(ReplyC(reply), c.c) << c.reply;
        EXPECT_EQ(ReplyP(reply), c.p) << c.reply;
    }
}

TEST(ReplyFields, ColdJunctionTurnsNegativeAbove16384)
{
    const std::pair<int, double> cases[] = {
        {0, 0}, {400, 25.0}, {16384, 1024}, {16385, -3071.9375}, {65520, -1.0}, {65535, -0.0625}};
    for (const auto& [reading, celsius] : cases)
        EXPECT_DOUBLE_EQ(CjTemp(reading), celsius) << reading;
}
