// What the window does around a running firing: loads that would replace what it follows, and
// the title that shows the kiln temperature on the task bar.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct FiringWindow : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        random.fallback = -1;
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
    }
    QString write(const QString& name, const QByteArray& text)
    {
        QDir().mkpath(dir.path() + "/files");
        QFile f(dir.path() + "/files/" + name);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }
    void startFiring()
    {
        form->Prog->setCell(1, 2, "780");
        form->Prog->setCell(2, 2, "600");
        form->Prog->setCell(1, 3, "0");
        form->Prog->setCell(2, 3, "0");
        form->cycle->WorkInterface();
        form->StartButtonClick();
        form->cycle->WorkInterface();
        ASSERT_EQ(form->state.ProgState, Running);
    }
};

}  // namespace

// Loading another program or kiln during a firing asks first (the firing goes on with what is
// loaded, from its current line); No keeps what the firing follows. Without a firing there is
// no question.
TEST_F(FiringWindow, ALoadDuringAFiringAsksFirst)
{
    const QString prg = write("Glaze.prg", "[TForm1]\r\nScale=\xC2\xB0" "C\r\nCount=2\r\nTemp1=1050\r\nTime1=60\r\n"
                                           "Temp2=0\r\nTime2=0\r\n");
    const QString ovn = write("Big.ovn", "[TForm1]\r\nFormVersion=0\r\nMAXTEMP_Text=1290\r\n");
    struct Row {
        const char* what;
        bool firing;
        bool oven;
        bool answer;
        bool asked;
        bool loaded;
    };
    const std::vector<Row> rows{
        {"program, no firing", false, false, false, false, true},
        {"program, firing, no", true, false, false, true, false},
        {"program, firing, yes", true, false, true, true, true},
        {"kiln, no firing", false, true, false, false, true},
        {"kiln, firing, no", true, true, false, true, false},
        {"kiln, firing, yes", true, true, true, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetUp();
        if (row.firing) {
            startFiring();
            if (HasFatalFailure())
                return;
        }
        dialogs.asked.clear();
        dialogs.yesNoAnswer = row.answer;
        dialogs.fileAnswer = row.oven ? ovn : prg;
        if (row.oven)
            form->OvenLoad->click();
        else
            form->KProgLoad->click();
        const QStringList questions = dialogs.asked.filter("yesno:");
        EXPECT_EQ(questions.size(), row.asked ? 1 : 0) << dialogs.asked.join("; ").toStdString();
        if (row.asked && !row.oven) {
            EXPECT_TRUE(questions.value(0).contains("1.")) << questions.value(0).toStdString();
        }
        const bool loaded = row.oven ? form->MAXTEMP->text() == "1290" : form->Prog->cell(1, 2) == "1050";
        EXPECT_EQ(loaded, row.loaded);
        // The firing goes on either way, at its line.
        if (row.firing) {
            EXPECT_EQ(form->state.ProgState, Running);
            EXPECT_EQ(form->state.ProgLine, 1);
        }
    }
}

// The window's own title alternates between its caption and the kiln temperature (or why
// there is none), so a minimised window shows the kiln on the task bar; the application's
// display name, which dialogs carry, is not touched.
TEST_F(FiringWindow, TheWindowTitleCarriesTheKilnTemperature)
{
    const QString displayName = QGuiApplication::applicationDisplayName();
    const QString caption = form->windowTitle();
    ASSERT_TRUE(caption.startsWith("Fornaxel")) << caption.toStdString();
    form->cycle->WorkInterface();  // the simulator's first reading
    struct Row {
        const char* what;
        bool link;
        QString shown;
    };
    const std::vector<Row> rows{
        {"a reading", true, form->state.Temps.TermSdeg(form->state.kilnTemp())},
        {"no link", false, "?? Error ??"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form->state.LinkOk = row.link;
        QStringList titles;
        for (int tick = 0; tick < 2; ++tick) {
            form->FlashTimerTimer();
            titles << form->windowTitle();
        }
        EXPECT_TRUE(titles.contains(caption)) << titles.join(" | ").toStdString();
        EXPECT_TRUE(titles.contains(row.shown)) << titles.join(" | ").toStdString();
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName);
    }
}
