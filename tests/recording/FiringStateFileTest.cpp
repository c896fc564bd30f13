#include "FiringStateFile.h"

#include "LocaleFacts.h"

#include <gtest/gtest.h>

TEST(FiringStateFile, NumbersReadBackTheSameUnderEitherDecimalSeparator)
{
    FiringSnapshot s;
    s.programFile = QString::fromUtf8("/home/гончар/Prog/Bisque 1.prg");
    s.line = 3;
    s.lineTime = -1.0 / 3;
    s.state = Waiting;
    s.targetTemp = 612.3456789012345;
    s.kilnTemp = 1e-7;
    s.cycleTime = 46000.123456789012;
    s.savedAt = 46000.1234567;
    s.simulated = true;
    s.modelChamberT = 650.125;
    QStringList texts;
    for (const QChar separator : {QChar('.'), QChar(',')}) {
        LocaleFacts facts;
        facts.decimalSeparator = separator;
        const ScopedLocaleFacts scoped(facts);
        const QString text = FiringStateFile::toText(s);
        const FiringSnapshot r = FiringStateFile::fromText(text);
        // The shortest text of a double is unique to it: the same text, the same numbers.
        EXPECT_EQ(FiringStateFile::toText(r), text);
        EXPECT_EQ(r.programFile, s.programFile);
        EXPECT_EQ(r.cycleTime, s.cycleTime);
        texts << text;
    }
    EXPECT_EQ(texts[0], texts[1]);
}

TEST(FiringStateFile, ABrokenRecordNamesTheCulprit)
{
    const QString good = "[Firing]\r\nProgram=a.prg\r\nLine=2\r\nLineTime=0.01\r\nState=1\r\nTargetTemp=300\r\n"
                         "StartTemp=20\r\nKilnTemp=290\r\nCycleTime=46000\r\nSavedAt=46000\r\nScheduledStart=0\r\n"
                         "Simulator=FALSE\r\n";
    const struct {
        const char* from;
        const char* to;
        const char* named;
    } cases[] = {
        {"LineTime=0.01", "LineTime=0,01", "LineTime"},
        {"TargetTemp=300", "TargetTemp=nan", "TargetTemp"},
        {"Line=2", "Line=201", "Line"},
        {"Line=2", "Line=0", "Line"},
        {"State=1", "State=4", "State"},
        {"Program=a.prg", "Program=", "Program"},
        {"KilnTemp=290\r\n", "", "KilnTemp"},
        {"Simulator=FALSE", "Simulator=TRUE", "ModelHeaterT"},
        {"[Firing]", "\x01\x02garbage", "Program"},
        // Numbers out of any range this program writes.
        {"StartTemp=20", "StartTemp=-1e308", "StartTemp"},
        {"TargetTemp=300", "TargetTemp=3000.5", "TargetTemp"},
        {"LineTime=0.01", "LineTime=1e308", "LineTime"},
        {"SavedAt=46000", "SavedAt=0", "SavedAt"},
        {"ScheduledStart=0", "ScheduledStart=1e308", "ScheduledStart"},
        {"CycleTime=46000", "CycleTime=-0.5", "CycleTime"},
    };
    EXPECT_NO_THROW(FiringStateFile::fromText(good));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        QString text = good;
        text.replace(QString::fromLatin1(c.from), QString::fromLatin1(c.to));
        try {
            FiringStateFile::fromText(text);
            ADD_FAILURE() << "read without complaint";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QString::fromLatin1(c.named))) << e.what();
        }
    }
}
