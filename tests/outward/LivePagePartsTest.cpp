// The live page's parts that keep their own rules: who may read it, how long its chart grows,
// and what its settings make of a damaged settings file.
#include "IniFile.h"
#include "LiveChart.h"
#include "LivePageAccess.h"
#include "LivePageSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(LivePageAccess, WrongCodesWaitLongerEachTimeUpToAMinute)
{
    qint64 now = 1000;
    LivePageAccess access("secret", [&] { return now; });
    struct Step {
        qint64 at;  // ms
        QString address;
        QString code;
        LivePageAccess::Attempt::Result result;
        int wait;
    };
    using A = LivePageAccess::Attempt;
    const std::vector<Step> steps{
        {1000, "10.0.0.5", "guess", A::Wrong, 1},
        {1500, "10.0.0.5", "secret", A::Wait, 1},    // waits even with the right code
        {1500, "10.0.0.6", "secret", A::Granted, 0}, // another phone is not held up
        {2000, "10.0.0.5", "guess", A::Wrong, 2},
        {2100, "10.0.0.5", "guess", A::Wait, 2},     // a try while waiting does not count
        {4000, "10.0.0.5", "guess", A::Wrong, 4},
        {8000, "10.0.0.5", "guess", A::Wrong, 8},
        {16000, "10.0.0.5", "guess", A::Wrong, 16},
        {32000, "10.0.0.5", "guess", A::Wrong, 32},
        {64000, "10.0.0.5", "", A::Wrong, 60},
        {100000, "10.0.0.5", "guess", A::Wait, 24},
        {124000, "10.0.0.5", "secret ", A::Wrong, 60}, // no trimming: not the code
        {184000, "10.0.0.5", "secret", A::Granted, 0},
        {184000, "10.0.0.5", "guess", A::Wrong, 1},  // the right code starts the count afresh
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.at) + " " + s.code.toStdString());
        now = s.at;
        const A a = access.tryCode(s.address, s.code);
        EXPECT_EQ(a.result, s.result);
        EXPECT_EQ(a.waitSeconds, s.wait);
        EXPECT_EQ(a.token.isEmpty(), s.result != A::Granted);
        if (s.result == A::Granted) {
            EXPECT_TRUE(access.admits(a.token));
        }
    }
}

TEST(LivePageAccess, TokensAreRandomAndOnlyIssuedOnesAdmit)
{
    LivePageAccess access("c", [] { return qint64(0); });
    const QByteArray a = access.tryCode("1", "c").token;
    const QByteArray b = access.tryCode("1", "c").token;
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 64);
    for (const QByteArray& t : {QByteArray(), QByteArray("c"), a.left(63), a + "0", a.toUpper()})
        EXPECT_FALSE(access.admits(t)) << t.toStdString();
    // Old sessions give way to new ones, so that the list stays bounded.
    for (int i = 0; i < LivePageAccess::kMaxSessions; ++i)
        access.tryCode("1", "c");
    EXPECT_FALSE(access.admits(a));
}

TEST(LivePageAccess, CodesCompareWhole)
{
    struct Case {
        QString a, b;
        bool same;
    };
    for (const Case& c : std::vector<Case>{{"kiln", "kiln", true},
                                           {"kiln", "kil", false},
                                           {"kiln", "kilN", false},
                                           {"", "", true},
                                           {"", "x", false},
                                           {"Öfen", "Öfen", true},
                                           {QString::fromUtf8("a\0b", 3), "a", false}})
        EXPECT_EQ(LivePageAccess::sameCode(c.a, c.b), c.same) << c.a.toStdString() << " / " << c.b.toStdString();
}

TEST(LiveChart, StaysBoundedKeepsOrderAndTheNewestPointAndStartsAfresh)
{
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1'800'000'000);
    LiveChart chart;
    for (int i = 0; i < 100000; ++i)  // more than two days at 2 s
        chart.add(start, {2.0 * i, 20.0 + i, std::nullopt, i % 100});
    EXPECT_LE(chart.size(), LiveChart::kMaxPoints);
    EXPECT_GE(chart.size(), LiveChart::kMaxPoints / 2);
    const auto all = chart.since(-1);
    EXPECT_DOUBLE_EQ(all.back().seconds, 2.0 * 99999);
    EXPECT_DOUBLE_EQ(all.front().seconds, 0);
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_LT(all[i - 1].seconds, all[i].seconds);

    chart.add(start, {100.0, 1, 1, 1});  // the clock set back: not out of order
    EXPECT_DOUBLE_EQ(chart.since(-1).back().seconds, 2.0 * 99999);

    chart.add(start.addSecs(1), {0, 20, 25, 0});
    EXPECT_EQ(chart.size(), 1u);
    EXPECT_EQ(chart.start(), start.addSecs(1));
}

TEST(LivePageSettings, DamagedValuesGiveTheDefaults)
{
    struct Case {
        const char* text;
        bool enabled;
        int port;
        bool network;
        QString code;
    };
    for (const Case& c : std::vector<Case>{
             {"", false, 8080, false, ""},
             {"[LivePage]\r\nEnabled=1\r\nPort=9000\r\nListen=network\r\nCode=k 1\r\n", true, 9000, true, "k 1"},
             {"[LivePage]\r\nEnabled=yes\r\nPort=abc\r\nListen=NETWORK\r\n", true, 8080, true, ""},
             {"[LivePage]\r\nEnabled=maybe\r\nPort=0\r\nListen=everywhere\r\n", false, 8080, false, ""},
             {"[LivePage]\r\nEnabled=TRUE\r\nPort=70000\r\n", true, 8080, false, ""},
             {"[LivePage]\r\nPort=-1\r\n", false, 8080, false, ""},
             {"[LivePage]\r\nPort=8,5\r\n", false, 8080, false, ""},
             {"[livepage]\r\nport=1\r\n", false, 1, false, ""},
         }) {
        SCOPED_TRACE(c.text);
        IniFile ini;
        ini.loadFromText(c.text);
        const LivePageSettings s = LivePageSettings::load(ini);
        EXPECT_EQ(s.enabled, c.enabled);
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(s.network, c.network);
        EXPECT_EQ(s.code, c.code);
        IniFile again;
        s.save(again);
        EXPECT_EQ(LivePageSettings::load(again), s) << "written as read";
    }
}

}  // namespace
