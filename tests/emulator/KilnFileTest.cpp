// Kiln files as people write them: the shipped ones, partial ones, and broken ones that must be
// refused with a message that says what is wrong and where.
#include "KilnFile.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

QString kilnsDir() { return QString(FORNAXEL_KILNS_DIR); }

// The message of the error reading `path` throws; empty when it reads.
std::string errorOf(const QString& path)
{
    try {
        KilnFile::Read(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(KilnFile, TheShippedFilesWriteOutTheShippedKilns)
{
    const KilnFile::Description studio = KilnFile::Read(kilnsDir() + "/studio.kiln");
    ASSERT_TRUE(std::holds_alternative<RichKilnParameters>(studio));
    const RichKilnParameters shipped;
    for (const RichKilnParameter& p : kRichKilnParameters)
        EXPECT_EQ(std::get<RichKilnParameters>(studio).*p.field, shipped.*p.field) << p.key;

    const KilnFile::Description twoNode = KilnFile::Read(kilnsDir() + "/two-node.kiln");
    ASSERT_TRUE(std::holds_alternative<KilnFactors>(twoNode));
    EXPECT_EQ(std::get<KilnFactors>(twoNode).p, 0.0017);
    EXPECT_EQ(std::get<KilnFactors>(twoNode).i, 0.00008);
    EXPECT_EQ(std::get<KilnFactors>(twoNode).r, 0.003);
}

TEST(KilnFile, AKeyLeftOutKeepsTheShippedValue)
{
    QTemporaryDir dir;
    const struct {
        const char* text;
        double power, wallLoss, coupleLag;
    } rows[] = {
        {"[Kiln]\n", 9.1, 3.75, 40},
        {"[Kiln]\r\nmodel = rich\r\npower = 12.5\r\n", 12.5, 3.75, 40},
        {"; a note\n[kiln]\nWALLLOSS=5\ncoupleLag = 0 ; s, no lag\n", 9.1, 5, 0},
        {"[Other]\npower = x\n[Kiln]\npower = 2e1\n", 20, 3.75, 40},
    };
    for (const auto& r : rows) {
        writeBytes(dir.filePath("k.kiln"), r.text);
        const KilnFile::Description d = KilnFile::Read(dir.filePath("k.kiln"));
        ASSERT_TRUE(std::holds_alternative<RichKilnParameters>(d)) << r.text;
        const auto& p = std::get<RichKilnParameters>(d);
        EXPECT_EQ(p.power, r.power) << r.text;
        EXPECT_EQ(p.wallLoss, r.wallLoss) << r.text;
        EXPECT_EQ(p.coupleLag, r.coupleLag) << r.text;
        EXPECT_EQ(p.chamberCapacity, RichKilnParameters{}.chamberCapacity) << r.text;
    }
}

TEST(KilnFile, ABrokenFileIsRefusedSayingWhatIsWrong)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        const char* text;  // none: not written
        std::vector<const char*> says;
    } rows[] = {
        {"missing.kiln", nullptr, {"missing.kiln", "no such file"}},
        {"nosection.kiln", "power = 9\n", {"no [Kiln] section"}},
        {"model.kiln", "[Kiln]\nmodel = three-node\n", {"unknown model 'three-node'", "rich or two-node"}},
        {"key.kiln", "[Kiln]\npowr = 9\n", {"unknown key 'powr'", "key.kiln", "power"}},
        {"twonodekey.kiln", "[Kiln]\nmodel = two-node\npower = 9\n", {"unknown key 'power'", "p, i, r"}},
        {"word.kiln", "[Kiln]\npower = strong\n", {"'strong' is no number", "key power", "word.kiln"}},
        {"comma.kiln", "[Kiln]\npower = 9,1\n", {"'9,1' is no number", "with a point"}},
        {"empty.kiln", "[Kiln]\npower =\n", {"'' is no number", "key power"}},
        {"nan.kiln", "[Kiln]\nwallLoss = nan\n", {"'nan' is no number"}},
        {"huge.kiln", "[Kiln]\npower = 1e400\n", {"'1e400' is no number"}},
        {"range.kiln", "[Kiln]\nchamberCapacity = 0\n", {"chamberCapacity = 0 is out of range", "1 to 100000"}},
        {"negative.kiln", "[Kiln]\nwallLoss = -1\n", {"wallLoss = -1 is out of range"}},
        {"r.kiln", "[Kiln]\nmodel = two-node\nr = 2\n", {"r = 2 is out of range", "r.kiln"}},
        {"cold.kiln", "[Kiln]\nelementExchange = 0\nelementArea = 0\n", {"pass no heat", "cold.kiln"}},
    };
    for (const auto& r : rows) {
        const QString path = dir.filePath(r.name);
        if (r.text)
            writeBytes(path, r.text);
        const std::string error = errorOf(path);
        ASSERT_FALSE(error.empty()) << r.name << " was taken";
        for (const char* part : r.says)
            EXPECT_NE(error.find(part), std::string::npos) << r.name << ": " << error;
    }
}

TEST(KilnFile, NoRegularFileIsRefusedWithoutWaitingOnIt)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.kiln");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_NE(errorOf(fifo).find("no regular file"), std::string::npos) << errorOf(fifo);
    EXPECT_NE(errorOf(dir.path()).find("no regular file"), std::string::npos) << errorOf(dir.path());
}
