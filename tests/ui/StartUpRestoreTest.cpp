// The start-up restore and the language choice through the real window: a stored language that
// does not load, a mistyped third language, a settings file of another layout, and the port
// button's caption across a language switch.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "PortManager.h"
#include "TemperatureChart.h"
#include "TestFiles.h"
#include "TestServices.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct StartUpRestore : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;

    void copy(const QString& name)
    {
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name)) << name.toStdString();
    }
    void writeIni(const QByteArray& body) { writeBytes(dir.path() + "/term.ini", "[TForm1]\r\n" + body); }

    std::unique_ptr<TForm1> start()
    {
        auto form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        return form;
    }

    static QString ticked(const TForm1& f)
    {
        QString out;
        for (QRadioButton* b : {f.English, f.Russian, f.Other})
            if (b->isChecked())
                out += b->objectName();
        return out.isEmpty() ? "none" : out;
    }
};

}  // namespace

// The stored language gives way to English, which is said once; the scale and the series
// switches stored after it still apply, and the next close stores English.
TEST_F(StartUpRestore, AStoredLanguageThatCannotLoadFallsBackToEnglishAndTheRestIsApplied)
{
    struct Case {
        const char* ini;
        bool englishFile;
        const char* ticked;
        const char* warning;  // the message table's text for "MBWarning" afterwards
        int messages;
    };
    const Case cases[] = {
        {"OtherLang_Text=Deutsh\r\nOther_Checked=TRUE\r\n", true, "English", "Warning", 1},
        {"Russian_Checked=TRUE\r\n", true, "English", "Warning", 1},
        {"Russian_Checked=TRUE\r\n", false, "none", "?? MBWarning ??", 1},
        {"English_Checked=TRUE\r\n", false, "none", "?? MBWarning ??", 1},
        {"English_Checked=TRUE\r\n", true, "English", "Warning", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        dialogs.asked.clear();
        if (c.englishFile)
            copy("English.lng");
        writeIni(QByteArray(c.ini) + "Scale_ItemIndex=1\r\nCheckBox17_Checked=TRUE\r\nCheckBox6_Checked=FALSE\r\n");
        auto form = start();
        EXPECT_EQ(ticked(*form), c.ticked);
        EXPECT_EQ(form->texts.LS("MBWarning"), c.warning);
        const QStringList told = dialogs.asked.filter("message:");
        ASSERT_EQ(told.size(), c.messages) << dialogs.asked.join("; ").toStdString();
        if (c.messages > 0) {
            EXPECT_TRUE(told.front().contains(c.englishFile ? "The stored interface language cannot be loaded"
                                                            : "?? MBLanguageNotLoaded ??"));
            EXPECT_TRUE(told.front().contains(".lng")) << told.front().toStdString();  // the file is named
        }
        EXPECT_EQ(form->state.Temps.TempScale, 1);
        EXPECT_TRUE(form->chart->seriesVisible(10));
        EXPECT_FALSE(form->chart->seriesVisible(0));
        EXPECT_TRUE(form->close());
        IniFile saved;
        saved.load(dir.path() + "/term.ini");
        EXPECT_FALSE(saved.readBool("TForm1", "Other_Checked", true));
        EXPECT_EQ(saved.readBool("TForm1", "English_Checked", false), QString(c.ticked) == "English");
    }
}

// "Other" is ticked only once its language has loaded; a name that does not load is reported
// and leaves the language and its tick as they were.
TEST_F(StartUpRestore, OtherIsTickedOnlyOnceItsLanguageHasLoaded)
{
    copy("English.lng");
    copy("Deutsch.lng");
    auto form = start();
    struct Step {
        const char* before;  // the button clicked first, or none
        const char* name;    // typed in OtherLang
        bool byEnter;
        const char* ticked;
        const char* warning;
        int errors;
    };
    const Step steps[] = {
        {"", "Deutsh", false, "none", "?? MBWarning ??", 1},
        {"English", "Deutsh", false, "English", "Warning", 1},
        {"", "Deutsh", true, "English", "Warning", 1},
        {"", "Deutsch", true, "Other", "Achtung", 0},
        {"", "Klingonisch", false, "Other", "Achtung", 1},
        {"English", "Klingonisch", true, "English", "Warning", 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.before) + " then " + s.name);
        if (QString(s.before) == "English")
            form->English->click();
        dialogs.errors.clear();
        form->OtherLang->setText(s.name);
        if (s.byEnter)
            QTest::keyClick(form->OtherLang, Qt::Key_Return);
        else
            form->Other->click();
        EXPECT_EQ(ticked(*form), s.ticked);
        EXPECT_EQ(form->texts.LS("MBWarning"), s.warning);
        EXPECT_EQ(dialogs.errors.size(), s.errors) << dialogs.errors.join("; ").toStdString();
    }
}

// A settings file whose FormVersion is below 0 (or no number) belongs to another layout of the
// window: none of its control values is applied; the other start-up steps still run.
TEST_F(StartUpRestore, AFormVersionBelowZeroStopsTheRestore)
{
    struct Case {
        const char* version;  // empty: no key
        bool applied;
    };
    const Case cases[] = {{"", true}, {"0", true}, {"3", true}, {"-1", false}, {"abc", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        QByteArray ini = "RealTime_Checked=FALSE\r\nEnergyCost_Text=7.5\r\nScale_ItemIndex=2\r\nPOL=8\r\n";
        if (*c.version)
            ini += "FormVersion=" + QByteArray(c.version) + "\r\n";
        writeIni(ini);
        auto form = start();
        EXPECT_EQ(!form->RealTime->isChecked(), c.applied);
        EXPECT_EQ(form->EnergyCost->text() == "7.5", c.applied);
        EXPECT_EQ(form->state.Temps.TempScale, c.applied ? 2 : 0);
        EXPECT_EQ(form->state.PolThreshold, 8);  // the further keys are read all the same
    }
}

// The port button names the port, whatever language its caption comes in.
TEST_F(StartUpRestore, ThePortButtonKeepsThePortsNameAcrossALanguageSwitch)
{
    copy("English.lng");
    copy("Russian.lng");
    writeIni("Port_Path=/dev/ttyUSB3\r\nEnglish_Checked=TRUE\r\n");
    auto form = start();
    EXPECT_EQ(form->PortSelect->text(), "Port: /dev/ttyUSB3");
    for (const char* language : {"Russian", "English"}) {
        form->LangSet(language);
        EXPECT_EQ(form->PortSelect->text(), form->texts.LS("Port") + "/dev/ttyUSB3") << language;
        EXPECT_TRUE(form->PortSelect->text().endsWith("/dev/ttyUSB3"));
    }
}

// A settings file written before a tab was added opens the tab it named.
TEST_F(StartUpRestore, AStoredTabNumberOpensTheSameTabAsBefore)
{
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"4", "TabLog"}, {"5", "TabHelp"}, {"6", "TabHistory"}};
    for (const auto& [number, tab] : cases) {
        SCOPED_TRACE(number.constData());
        writeIni("FormVersion=0\r\nPageControl1_TabIndex=" + number + "\r\n");
        const auto form = start();
        EXPECT_EQ(form->PageControl1->currentWidget()->objectName(), tab);
    }
}
