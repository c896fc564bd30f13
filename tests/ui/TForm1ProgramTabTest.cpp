// The program tab and the file dialogs through the real main window.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct ProgramTab : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    std::unique_ptr<TForm1> form;

    // A window on a program folder holding the given shipped files, started without its timers.
    void start(const QStringList& files, const QString& folder)
    {
        for (const QString& name : files)
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, folder + "/" + name));
        form = std::make_unique<TForm1>(AppServices{clock, random, dialogs, sound, powerOff, folder});
    }
    // Started by being shown, as on the desktop, and on the program tab; the cycle stays still.
    void showProgramTab(const QStringList& files)
    {
        start(files, dir.path());
        form->show();
        for (QTimer* t : {form->InterfaceTimer, form->HardwareTimer, form->FlashTimer})
            t->stop();
        form->PageControl1->setCurrentWidget(form->TabEditProgram);
        QApplication::processEvents();
    }
};

}  // namespace

TEST_F(ProgramTab, ACellStillBeingTypedIsOfferedForSavingAtClose)
{
    showProgramTab({});
    QDir().mkpath(dir.path() + "/Prog");
    const QString file = dir.path() + "/Prog/Typed.prg";
    form->programFile->SetFileName(file);
    StringGrid* grid = form->Prog;
    grid->setCurrentCell(2, 1);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget* cellEditor = grid->indexWidget(grid->currentIndex());
    ASSERT_NE(cellEditor, nullptr);
    QTest::keyClick(cellEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(cellEditor, "1234");

    dialogs.yesNoAnswer = true;
    form->close();
    EXPECT_TRUE(dialogs.asked.contains("yesno:?? MBKilningProgramChanged ??|?? MBSaveKilningProgram ??"))
        << dialogs.asked.join("; ").toStdString();
    EXPECT_TRUE(readBytes(file).contains("\r\nTemp1=1234\r\n"));
}

TEST_F(ProgramTab, FileDialogsTakeTheLanguageTextsOrElseTheBuiltInOnes)
{
    struct Case {
        QStringList files;
        QString programs, loadProgram, saveProgram, ovens, loadOven, saveOven;
    };
    const std::vector<Case> cases = {
        {{},
         "Программы обжига (*.prg)|*.prg",
         "Загрузить программу обжига",
         "Сохранить программу обжига",
         "Конфигурации печи (*.ovn)|*.ovn",
         "Загрузить конфигурацию печи",
         "Сохранить конфигурацию печи"},
        {{"English.lng", "term.ini"},
         "Firing programs (*.prg)|*.prg",
         "Load firing program",
         "Save firing program",
         "Kiln configurations (*.ovn)|*.ovn",
         "Load kiln configuration",
         "Save kiln configuration"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.join(", ").toStdString());
        QTemporaryDir folder;
        start(c.files, folder.path());
        restoreWithoutTimers(*form);
        // Every dialog is cancelled.
        const std::vector<std::tuple<QPushButton*, QString, QString, QString>> buttons = {
            {form->KProgSave, "save:" + c.saveProgram, c.programs, "prg"},
            {form->KProgLoad, "open:" + c.loadProgram, c.programs, "prg"},
            {form->OvenSave, "save:" + c.saveOven, c.ovens, "ovn"},
            {form->OvenLoad, "open:" + c.loadOven, c.ovens, "ovn"},
        };
        for (const auto& [button, asked, filter, ext] : buttons) {
            dialogs.asked.clear();
            button->click();
            EXPECT_EQ(dialogs.asked.join("; ").toStdString(), asked.toStdString());
            EXPECT_EQ(dialogs.lastFilter.toStdString(), filter.toStdString());
            EXPECT_EQ(dialogs.lastDefaultExt.toStdString(), ext.toStdString());
        }
        form.reset();
    }
}

TEST_F(ProgramTab, ColumnsShowTheirWholeTexts)
{
    showProgramTab({"English.lng", "term.ini"});
    StringGrid* grid = form->Prog;
    grid->setCell(1, 2, "1050.5");
    grid->setCell(1, 3, "-17.7777777777778");  // a file in °F read under °C
    grid->setCell(2, 4, "100000");
    QApplication::processEvents();
    // What the table itself reckons a column needs to show its visible texts unshortened.
    const QAbstractItemView* view = grid;
    for (int c : {1, 2})
        EXPECT_GE(grid->columnWidth(c), view->sizeHintForColumn(c)) << c;
    EXPECT_EQ(form->Panel1->width(), TForm1::kProgramPanelWidth);
}
