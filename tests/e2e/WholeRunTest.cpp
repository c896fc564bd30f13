// A newcomer's whole run: a fresh program folder, the shipped program fired on the simulator to
// its end, the window closed, and the next start coming back as it was left.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FreshFolder : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;

    void SetUp() override
    {
        // The folder as the build lays it out.
        for (const char* name : {"English.lng", "Russian.lng", "term.ini", "Prog/Prog1.prg", "Oven/Oven1.ovn"}) {
            QDir().mkpath(QFileInfo(dir.path() + "/" + name).path());
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name)) << name;
        }
    }

    QStringList data(const QString& pattern) const { return QDir(dir.path() + "/Data").entryList({pattern}); }
};

}  // namespace

TEST_F(FreshFolder, AFiringIsKeptOnDiskAndTheNextStartComesBackAsLeft)
{
    {
        TForm1 form(app(dir.path()));
        form.show();  // the start-up restore, as on the desktop
        form.InterfaceTimer->stop();
        form.HardwareTimer->stop();
        EXPECT_TRUE(form.English->isChecked());
        form.InterfaceTimerTimer();
        form.StartButton->click();
        ASSERT_EQ(form.state.ProgState, Running);
        int cycles = 0;
        while (form.state.ProgState != Finished && form.state.ProgState != BreakDown && ++cycles < 40000)
            form.InterfaceTimerTimer();
        ASSERT_EQ(form.state.ProgState, Finished) << cycles;
        form.Scale->setItemIndex(1);  // a setting changed for the next start
        form.PageControl1->setCurrentWidget(form.TabLog);
        EXPECT_TRUE(form.close());
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
    }
    EXPECT_EQ(data("*.dat").size(), 1);
    EXPECT_EQ(data("*.gif").size(), 1);
    EXPECT_EQ(data("*.txt").size(), 2);  // the firing's log copy and lastlog.txt
    EXPECT_TRUE(data("*.txt").contains("lastlog.txt"));
    QFile log(dir.path() + "/Data/lastlog.txt");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("\xC2\xB0" "C"));  // "°C" in UTF-8, for people's tools

    TForm1 again(app(dir.path()));
    again.show();
    again.InterfaceTimer->stop();
    again.HardwareTimer->stop();
    EXPECT_TRUE(again.English->isChecked());
    EXPECT_EQ(again.state.Temps.TempScale, 1);
    EXPECT_EQ(again.PageControl1->currentWidget(), again.TabLog);
    EXPECT_EQ(again.programFile->FileName(), dir.path() + "/Prog/Prog1.prg");
    EXPECT_EQ(again.ovenFile->FileName(), dir.path() + "/Oven/Oven1.ovn");
    EXPECT_TRUE(again.state.simulated());
}
