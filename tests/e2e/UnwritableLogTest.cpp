// A log mirror that cannot be written (a full disk, a program folder that cannot be written;
// here a folder where Data/lastlog.txt should be, which fails for root too): one error report
// for the whole episode, the firing goes on, and the first mirror that succeeds again holds
// every entry.
#include "SimulatedKiln.h"

#include <QDir>
#include <QFile>
#include <QTimer>

TEST_F(SimulatedKiln, AnUnwritableLogMirrorIsReportedOnceAndLosesNoEntry)
{
    setLine(1, "300", "60");
    setLine(2, "0", "0");
    form->InterfaceTimerTimer();
    form->StartButtonClick();
    ASSERT_EQ(form->state.ProgState, Running);
    const QString mirror = dir.path() + "/Data/lastlog.txt";
    auto mirrored = [&] {
        QFile f(mirror);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    for (int episode = 1; episode <= 2; ++episode) {
        SCOPED_TRACE(episode);
        QFile::remove(mirror);
        ASSERT_TRUE(QDir().mkpath(mirror));  // a folder in the file's place
        for (int i = 0; i < 4; ++i) {        // four retries, 5 s apart, with entries between
            form->InterfaceTimerTimer();
            form->log->TLogX("entry " + QString::number(episode) + "." + QString::number(i));
            form->TLogTimerTimer();
            EXPECT_TRUE(form->TLogTimer->isActive());  // tried again at the next tick
        }
        EXPECT_EQ(dialogs.errors.size(), episode) << dialogs.errors.join("; ").toStdString();
        EXPECT_EQ(form->state.ProgState, Running);
        ASSERT_TRUE(QDir(mirror).removeRecursively());
        form->TLogTimerTimer();
        EXPECT_EQ(dialogs.errors.size(), episode);
        const QStringList lines = form->log->lines();
        EXPECT_EQ(mirrored(), lines.join("\r\n") + "\r\n\r\n");
        EXPECT_TRUE(lines.last().endsWith("entry " + QString::number(episode) + ".3"));
    }
}
