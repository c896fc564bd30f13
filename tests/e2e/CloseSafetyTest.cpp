// Closing the window in the middle of a firing with the controller: what the emulator holds
// afterwards when the port was lost on the way, and a close whose files cannot be written,
// which must leave the firing exactly as it was. The program's port is a pseudo-terminal of the
// test's own, relayed to the emulator's, so that the adapter can be pulled out and put back
// while the controller keeps what it was sent.
#include "TForm1.h"

#include "DateTime.h"
#include "DrivenWindow.h"
#include "EmulatorProcess.h"
#include "LocaleFacts.h"
#include "PtyRelay.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Answers each question by what its text contains; anything else is answered No.
class AnsweringDialogs : public FakeDialogs {
public:
    QList<QPair<QString, bool>> answers;
    bool askYesNo(const QString& title, const QString& text) override
    {
        FakeDialogs::askYesNo(title, text);
        for (const auto& [part, answer] : answers)
            if (text.contains(part))
                return answer;
        return false;
    }
};

struct Held {
    int power = -1;
    int outputA = -1;
    int outputB = -1;
    bool operator==(const Held&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Held& h)
{
    return out << "power " << h.power << " %, A " << h.outputA << ", B " << h.outputB;
}

const Held kOff{0, 0, 0};

struct CloseWithController : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    AnsweringDialogs answering;
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<PtyRelay> adapter;
    std::unique_ptr<TForm1> form;

    void TearDown() override
    {
        form.reset();
        adapter.reset();
        emulator.reset();
    }

    // The window firing a step to 300 °C with both outputs on, over the adapter.
    void fire()
    {
        const QString link = dir.path() + "/port";
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
        adapter = std::make_unique<PtyRelay>(emulator->devicePath, link);
        ASSERT_TRUE(adapter->ready());
        writeControllerSettings(dir.path(), link);
        const AppServices services{clock, random, answering, sound, powerOff, dir.path(), nullptr, &guardian, &sleepLock};
        answering.answers = {{"MBCloseDuringFiring", true}};
        form = std::make_unique<TForm1>(services);
        restoreWithoutTimers(*form);
        ASSERT_TRUE(form->state.PortOk) << answering.asked.join("; ").toStdString();
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(cycle()) << i;
        form->Prog->setCell(1, 2, "300");
        form->Prog->setCell(2, 2, "0");
        form->Prog->setCell(4, 2, "A  B");
        form->Prog->setCell(1, 3, "0");
        form->Prog->setCell(2, 3, "0");
        form->StartButton->click();
        ASSERT_TRUE(programActive(form->state.ProgState));
        const auto heating = [](const Held& h) { return h.power > 0 && h.outputA == 100 && h.outputB == 100; };
        for (int i = 0; i < 10 && !heating(held()); ++i)
            cycle();
        ASSERT_TRUE(heating(held())) << held();
        ASSERT_TRUE(QFile::exists(dir.path() + "/Data/firing.state"));
        ASSERT_EQ(guardian.now, GuardianProcess::State::Running);
        ASSERT_TRUE(sleepLock.held);
    }

    bool pollUntil(const std::function<bool()>& done, int ms)
    {
        return pollWindowUntil(*form, done, ms);
    }

    bool cycle(bool waitForData = true, int ms = 5000)
    {
        const bool data = !waitForData || pollUntil([this] { return form->state.DataReady; }, ms);
        if (data && waitForData)
            pollUntil([] { return false; }, 5);
        clock.advance(2);
        form->InterfaceTimerTimer();
        return data;
    }

    Held held()
    {
        static const QRegularExpression line(R"(power (\d+) %\s+output A (\d+)\s+output B (\d+))");
        for (const QString& l : emulator->command("state")) {
            const QRegularExpressionMatch m = line.match(l);
            if (m.hasMatch())
                return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
        }
        return {};
    }

    // The relay carries the bytes on its own time: the emulator is given many seconds.
    bool emulatorComesTo(const std::function<bool(const Held&)>& wanted, int ms = 8000)
    {
        QDeadlineTimer deadline(ms);
        while (!wanted(held())) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(50);
        }
        return true;
    }

    // The adapter out for a few cycles: the program has noticed.
    void loseThePort()
    {
        ASSERT_TRUE(adapter->pullOut());
        for (int i = 0; i < 3; ++i)
            cycle(false);
        ASSERT_FALSE(form->state.PortOk);
    }

    bool asked(const QString& part) const
    {
        return std::any_of(answering.asked.begin(), answering.asked.end(),
                           [&](const QString& q) { return q.contains(part); });
    }
};

}  // namespace

// The port lost during a firing, and then the window closed: with the adapter back the close
// reaches the controller on its own; with the adapter still gone, the operator is told to
// switch the kiln off at the mains and the guardian is kept to go on trying.
TEST_F(CloseWithController, AfterThePortWasLost)
{
    struct Row {
        const char* name;
        bool adapterBack;
    };
    for (const Row& row : {Row{"adapter back before the close", true}, Row{"adapter still gone", false}}) {
        SCOPED_TRACE(row.name);
        TearDown();
        answering.asked.clear();
        fire();
        if (HasFatalFailure())
            return;
        loseThePort();
        if (HasFatalFailure())
            return;
        if (row.adapterBack) {
            ASSERT_TRUE(adapter->plugIn());
        }
        const int releases = guardian.releases;
        EXPECT_TRUE(form->close());
        const bool told = asked("MBSwitchOffAtMains");
        if (row.adapterBack) {
            EXPECT_TRUE(emulatorComesTo([](const Held& h) { return h == kOff; })) << held();
            EXPECT_FALSE(told);
            EXPECT_NE(guardian.now, GuardianProcess::State::Running);
        } else {
            EXPECT_TRUE(told) << answering.asked.join("\n").toStdString();
            EXPECT_EQ(guardian.releases, releases);  // it keeps trying after the program has gone
            EXPECT_TRUE(form->log->lines().join('\n').contains("LogKilnNotSwitchedOff"));
            EXPECT_GT(held().power, 0);  // what the operator was told: nothing reached it
        }
    }
}

// The firing's .dat cannot be written (a folder stands in its place) or the data folder cannot
// be made at all: the operator sees why and is asked whether to close without the files. No
// keeps the firing going exactly as it was; Yes closes with the heater off.
TEST_F(CloseWithController, WhoseFilesCannotBeWritten)
{
    enum class Block { Table, Folder };
    struct Row {
        const char* name;
        Block block;
        bool closeWithoutFiles;
    };
    const Row rows[] = {
        {"table blocked, the operator keeps the firing", Block::Table, false},
        {"table blocked, the operator closes without the files", Block::Table, true},
        {"data folder blocked, the operator closes without the files", Block::Folder, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TearDown();
        answering.asked.clear();
        answering.errors.clear();
        guardian.releases = 0;
        fire();
        if (HasFatalFailure())
            return;
        answering.answers << qMakePair(QString("MBCloseWithoutFiles"), row.closeWithoutFiles);
        const QString data = dir.path() + "/Data";
        if (row.block == Block::Table) {
            ASSERT_TRUE(QDir().mkpath(data + "/" + DateTime::fileStamp(clock.now()) + ".dat"));
        } else {
            // The firing record moves with its folder; it is not what this row is about.
            ASSERT_TRUE(QDir().rename(data, dir.path() + "/Data.moved"));
            writeBytes(data, "not a folder");
        }
        const Held before = held();
        const int stateBefore = form->state.ProgState;

        EXPECT_EQ(form->close(), row.closeWithoutFiles);
        ASSERT_EQ(answering.errors.size(), 1) << answering.asked.join("\n").toStdString();
        const QString error = answering.errors.first();
        EXPECT_FALSE(error.contains("Unknown error")) << error.toStdString();
        if (row.block == Block::Folder) {
            EXPECT_TRUE(error.contains(data)) << error.toStdString();
        }
        EXPECT_TRUE(asked("MBCloseWithoutFiles"));

        if (row.closeWithoutFiles) {
            EXPECT_TRUE(emulatorComesTo([](const Held& h) { return h == kOff; })) << held();
            EXPECT_EQ(guardian.releases, 1);
            EXPECT_FALSE(QFile::exists(data + "/firing.state"));
            EXPECT_FALSE(sleepLock.held);
            continue;
        }
        // Nothing of the close happened: the controller still heats as it did, the guardian,
        // the sleep lock, the resume record and the port are there, and the next cycles run on.
        EXPECT_EQ(held(), before);
        EXPECT_EQ(guardian.releases, 0);
        EXPECT_EQ(guardian.now, GuardianProcess::State::Running);
        EXPECT_TRUE(sleepLock.held);
        EXPECT_TRUE(QFile::exists(data + "/firing.state"));
        EXPECT_TRUE(form->state.PortOk);
        EXPECT_TRUE(form->port->PortIsOpen());
        EXPECT_TRUE(form->log->lines().join('\n').contains("LogCloseCancelled"));
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(cycle()) << i;
        EXPECT_EQ(form->state.ProgState, stateBefore);
        EXPECT_GT(held().power, 0);
    }
}
