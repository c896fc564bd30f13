// The shipped cone table, broken ones, and the programs made from a cone.
#include "ConeProgram.h"
#include "ConeTable.h"

#include "FakeTexts.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ConeTable shipped() { return ConeTable::Load(ConeTable::PathIn(FORNAXEL_DATA_DIR)); }

std::string text(const std::vector<ProgramStep>& lines)
{
    std::string s;
    for (const ProgramStep& l : lines)
        s += "{" + std::to_string(l.temp) + ", " + std::to_string(l.minutes) + "} ";
    return s;
}

}  // namespace

TEST(ConeTable, ShippedTableHoldsThePublishedEndTemperatures)
{
    const ConeTable table = shipped();
    ASSERT_TRUE(table.ok()) << table.ErrorText(FakeTexts{}).toStdString();
    ASSERT_EQ(table.cones().size(), 32u);
    EXPECT_EQ(table.cones().front().name, "022");
    EXPECT_EQ(table.cones().back().name, "10");
    // Orton self-supporting cones, regular: °C at 60 and at 150 °C/h.
    const std::vector<Cone> published = {{"022", 586, 590}, {"04", 1063, 1077}, {"10", 1285, 1305}};
    for (const Cone& p : published) {
        const Cone* c = table.find(p.name);
        ASSERT_NE(c, nullptr) << p.name.toStdString();
        EXPECT_EQ(c->endAt60, p.endAt60) << p.name.toStdString();
        EXPECT_EQ(c->endAt150, p.endAt150) << p.name.toStdString();
    }
    // A slip of the pen shows as a cone that bends before the one below it.
    for (std::size_t i = 1; i < table.cones().size(); ++i) {
        const Cone& below = table.cones()[i - 1];
        const Cone& c = table.cones()[i];
        EXPECT_GT(c.endAt60, below.endAt60) << c.name.toStdString();
        EXPECT_GT(c.endAt150, below.endAt150) << c.name.toStdString();
        EXPECT_GT(c.endAt150, c.endAt60) << c.name.toStdString();
    }
}

TEST(ConeTable, ABrokenOrMissingFileGivesNoConesAndSaysWhy)
{
    struct Case {
        const char* content;  // nullptr: no file
        QString error;        // after the file's path where it is named at the end
    };
    const std::vector<Case> cases = {
        {nullptr, "<ConeFileUnreadable>%1"},
        {"# nothing but a heading\r\ncone,60,150\r\n\r\n", "<ConeFileEmpty>%1"},
        {"cone,60,150\r\n04,1063,1077\r\n05,1031\r\n", "<ConeFileBadLine>3 (%1): 05,1031"},
        {"04,1063,1077\n04,1063,1077\n", "<ConeFileBadLine>2 (%1): 04,1063,1077"},
        {"04,1063.5,1077", "<ConeFileBadLine>1 (%1): 04,1063.5,1077"},
        {"04;1063;1077", "<ConeFileBadLine>1 (%1): 04;1063;1077"},
        {"6,1222,12430", "<ConeFileBadLine>1 (%1): 6,1222,12430"},
        {"6b,1222,1243", "<ConeFileBadLine>1 (%1): 6b,1222,1243"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "(no file)");
        const QString path = dir.filePath("cones.csv");
        QFile::remove(path);
        if (c.content)
            writeBytes(path, c.content);
        const ConeTable table = ConeTable::Load(path);
        EXPECT_FALSE(table.ok());
        EXPECT_TRUE(table.cones().empty());
        EXPECT_EQ(table.ErrorText(FakeTexts{}).toStdString(), c.error.arg(path).toStdString());
    }
}

TEST(ConeProgram, TheLastRampRunsAtThePublishedRateToTheTablesEnd)
{
    const ConeTable table = shipped();
    const Cone* cone04 = table.find("04");
    ASSERT_NE(cone04, nullptr);
    struct Case {
        ConeSpeed speed;
        std::vector<ProgramStep> lines;  // from 20 °C: to 600 °C, to 100 °C below the end, to the end, hold
    };
    const std::vector<Case> cases = {
        {ConeSpeed::Slow, {{600, 696}, {963, 218}, {1063, 100}, {1063, 10}, {0, 0}}},
        {ConeSpeed::Medium, {{600, 348}, {977, 151}, {1077, 40}, {1077, 10}, {0, 0}}},
        {ConeSpeed::Fast, {{600, 232}, {977, 91}, {1077, 40}, {1077, 10}, {0, 0}}},
    };
    for (const Case& c : cases) {
        const ConeProgram program(ConeChoice{*cone04, c.speed});
        const std::vector<ProgramStep> lines = program.Lines();
        EXPECT_EQ(lines, c.lines) << text(lines);
        const int rate = ConeProgram::RatesOf(c.speed).final;
        EXPECT_EQ(program.EndTemp(), cone04->endAt(rate));
        const ProgramStep& lastRamp = lines[lines.size() - 3];
        EXPECT_EQ(lastRamp.temp, cone04->endAt(rate));
        EXPECT_EQ(100.0 / (lastRamp.minutes / 60.0), rate);
    }
    EXPECT_EQ(ConeProgram(ConeChoice{*cone04, ConeSpeed::Medium}).Title(FakeTexts{}),
              "<ConeProgramTitle>04, <ConeSpeedMedium>");
}

TEST(ConeProgram, CandlingAndHoldsAddLinesOnlyWithMinutes)
{
    const Cone cone022{"022", 586, 590};  // its last 100 °C start below 600 °C
    struct Case {
        bool candling;
        int candlingMinutes, holdMinutes;
        std::vector<ProgramStep> lines;
    };
    const std::vector<Case> cases = {
        {true, 120, 0, {{90, 84}, {90, 120}, {486, 476}, {586, 100}, {0, 0}}},
        {true, 0, 15, {{90, 84}, {486, 476}, {586, 100}, {586, 15}, {0, 0}}},
        {false, 120, 0, {{486, 560}, {586, 100}, {0, 0}}},
    };
    for (const Case& c : cases) {
        ConeChoice choice{cone022, ConeSpeed::Slow};
        choice.candling = c.candling;
        choice.candlingTemp = 90;
        choice.candlingMinutes = c.candlingMinutes;
        choice.holdMinutes = c.holdMinutes;
        EXPECT_EQ(ConeProgram(choice).Lines(), c.lines) << text(ConeProgram(choice).Lines());
    }
}
