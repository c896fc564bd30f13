#include "CaptionEntries.h"
#include "MessageTable.h"
#include "Widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "TestFiles.h"
#include <stdexcept>


TEST(MessageTable, LookupRules)
{
    QTemporaryDir dir;
    writeBytes(dir.path() + "/Test.lng",
               "Sample=\"Text\"\r\nBars=|Line one\\Line two|\r\nTwo=\"\"\r\nOne=x\r\nEmpty=\r\n"
               "Spaced =\"no\"\r\nSample=\"Second\"\r\nno equals sign here\n  \nLast=[tail]");
    MessageTable table(dir.path());
    table.LangInit();
    EXPECT_EQ(table.LS("Sample"), "?? Sample ??");  // nothing loaded yet
    table.LoadLng("Test");
    EXPECT_EQ(table.LS("Sample"), "Text");
    EXPECT_EQ(table.LS("sample"), "Text");  // first wins, any case
    EXPECT_EQ(table.LS("SAMPLE"), "Text");
    EXPECT_EQ(table.LS("Bars"), "Line one\r\nLine two");
    EXPECT_EQ(table.LS("Two"), "");
    EXPECT_EQ(table.LS("One"), "");
    EXPECT_EQ(table.LS("Empty"), "");
    EXPECT_EQ(table.LS("Spaced"), "?? Spaced ??");
    EXPECT_EQ(table.LS("Spaced "), "no");
    EXPECT_EQ(table.LS("Last"), "tail");
    EXPECT_EQ(table.LS("Missing"), "?? Missing ??");
}

TEST(MessageTable, FileNamesAndAMissingFileKeepsTheTable)
{
    EXPECT_EQ(MessageTable::fileNameFor("Deutsch"), "Deutsch.lng");
    EXPECT_EQ(MessageTable::fileNameFor("my.lng.bak"), "my.lng.bak");
    EXPECT_EQ(MessageTable::fileNameFor("x.LNG"), "x.LNG.lng");  // the search is case-sensitive
    QTemporaryDir dir;
    writeBytes(dir.path() + "/English.lng", "Hello=\"Hello\"\r\n");
    MessageTable table(dir.path());
    table.LoadLng("English");
    EXPECT_THROW(table.LoadLng("Klingon"), std::runtime_error);
    EXPECT_EQ(table.LS("Hello"), "Hello");
}

TEST(MessageTable, ReadsWindows1251AndUtf8AndSurvivesGarbage)
{
    QTemporaryDir dir;
    writeBytes(dir.path() + "/Cp.lng", "Start=\"\xD1\xF2\xE0\xF0\xF2\"\r\n");
    writeBytes(dir.path() + "/Utf.lng", "Start=\"\xD0\xA1\xD1\x82\xD0\xB0\xD1\x80\xD1\x82\"\n");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919) % 256));
    writeBytes(dir.path() + "/Junk.lng", garbage);
    writeBytes(dir.path() + "/NoEq.lng", "just words\r\nand more\r\n");
    MessageTable table(dir.path());
    table.LoadLng("Cp");
    EXPECT_EQ(table.LS("Start"), QString::fromUtf8("Старт"));
    table.LoadLng("Utf");
    EXPECT_EQ(table.LS("Start"), QString::fromUtf8("Старт"));
    EXPECT_NO_THROW(table.LoadLng("Junk"));
    EXPECT_NO_THROW(table.LS("anything"));
    table.LoadLng("NoEq");
    EXPECT_EQ(table.LS("just words"), "?? just words ??");
}

TEST(CaptionEntries, CaptionsOnlyCaptionedKindsFirstEntryWinsAnyCase)
{
    QTemporaryDir dir;
    writeBytes(dir.path() + "/T.lng",
               "startbutton=\"Sample\"\r\nWAV1=\"not a caption\"\r\nTabLog=\"First\"\r\nTabLog=\"Second\"\r\n"
               "Box=\" Frame \"\r\nPanel4=\"\"\r\n\r\nheading line without an equals sign\r\n");
    MessageTable table(dir.path());
    table.LoadLng("T");
    QWidget root;
    auto* start = new QPushButton("Старт", &root);
    start->setObjectName("StartButton");
    auto* wav = new QLineEdit("APPLAUSE.WAV", &root);
    wav->setObjectName("WAV1");
    auto* tabs = new QTabWidget(&root);
    auto* log = new QWidget;
    log->setObjectName("TabLog");
    tabs->addTab(log, "Лог");
    auto* box = new QGroupBox("x", &root);
    box->setObjectName("Box");
    auto* indicator = new Panel(&root);
    indicator->setObjectName("Panel4");
    auto* name = new QLabel("Controller");
    name->setObjectName("ControllerIndicator");
    indicator->setLabel(name);
    auto* unnamed = new QLabel("keep", &root);
    ApplyCaptionEntries(&root, table);
    EXPECT_EQ(start->text(), "Sample");
    EXPECT_EQ(wav->text(), "APPLAUSE.WAV");
    EXPECT_EQ(tabs->tabText(0), "First");
    EXPECT_EQ(box->title(), " Frame ");
    EXPECT_EQ(name->text(), "Controller");  // the indicator's own label keeps its text
    EXPECT_EQ(unnamed->text(), "keep");
}
