#include "FiringStateFile.h"

#include "LocaleFacts.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FiringStateFile, NumbersReadBackTheSameUnderEitherDecimalSeparator)
{
    FiringSnapshot s;
    s.programFile = QString::fromUtf8("/home/гончар/Prog/Bisque 1.prg");
    s.line = 3;
    s.lineTime = 1.0 / 3;
    s.state = Waiting;
    s.targetTemp = 612.3456789012345;
    s.startTemp = -0.5;
    s.kilnTemp = 1e-7;
    s.cycleTime = 46000.123456789012;
    s.savedAt = 46000.1234;
    s.scheduledStart = 46001.25;
    s.simulated = true;
    s.modelHeaterT = 700.25;
    s.modelChamberT = 650.125;
    for (const QChar separator : {QChar('.'), QChar(',')}) {
        LocaleFacts facts;
        facts.decimalSeparator = separator;
        facts.thousandSeparator = separator == ',' ? QChar(' ') : QChar(',');
        const ScopedLocaleFacts scoped(facts);
        const QString text = FiringStateFile::toText(s);
        EXPECT_FALSE(text.contains(',')) << text.toStdString();
        const FiringSnapshot r = FiringStateFile::fromText(text);
        EXPECT_EQ(r.programFile, s.programFile);
        EXPECT_EQ(r.line, s.line);
        EXPECT_EQ(r.state, s.state);
        EXPECT_EQ(r.simulated, s.simulated);
        for (const auto& [got, want] : {std::pair{r.lineTime, s.lineTime}, {r.targetTemp, s.targetTemp},
                                        {r.startTemp, s.startTemp}, {r.kilnTemp, s.kilnTemp},
                                        {r.cycleTime, s.cycleTime}, {r.savedAt, s.savedAt},
                                        {r.scheduledStart, s.scheduledStart}, {r.modelHeaterT, s.modelHeaterT},
                                        {r.modelChamberT, s.modelChamberT}})
            EXPECT_EQ(got, want);
    }
}

TEST(FiringStateFile, ABrokenRecordNamesTheCulpritAndIsSetAside)
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
        {"State=1", "State=x", "State"},
        {"Program=a.prg", "Program=", "Program"},
        {"KilnTemp=290\r\n", "", "KilnTemp"},
        {"Simulator=FALSE", "Simulator=TRUE", "ModelHeaterT"},
        {"[Firing]", "\x01\x02garbage", "Program"},
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

    QTemporaryDir dir;
    FiringStateFile file(dir.path() + "/Data");
    FiringSnapshot s;
    QString error;
    EXPECT_EQ(file.read(s, error), FiringRecord::Found::None);  // no folder, no file
    s.programFile = "a.prg";
    s.line = 1;
    s.state = Running;
    file.write(s);
    EXPECT_EQ(file.read(s, error), FiringRecord::Found::Valid);
    writeBytes(file.path(), "Line=1,5");
    EXPECT_EQ(file.read(s, error), FiringRecord::Found::Corrupt);
    EXPECT_FALSE(error.isEmpty());
    file.setAside();
    EXPECT_FALSE(QFile::exists(file.path()));
    EXPECT_TRUE(QFile::exists(file.path() + FiringStateFile::kSetAsideSuffix));
}
