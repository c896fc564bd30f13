// A firing against the controller emulator while the wall clock changes under it: the end of
// summer time in Berlin (03:00 becomes 02:00) and its start (02:00 becomes 03:00). The test's
// clock moves its wall and monotonic readings apart at the change, as the system's do.
#include "TForm1.h"

#include "DataFiles.h"
#include "DateTime.h"
#include "DrivenWindow.h"
#include "TestFiles.h"
#include "EmulatorProcess.h"
#include "EventLog.h"
#include "FiringForecast.h"
#include "LocaleFacts.h"
#include "TemperatureChart.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct ClockChange {
    const char* name;
    QDate date;
    QTime start;     // wall clock at start-up
    QTime changeAt;  // the wall clock reading at which it jumps
    double jumpSeconds;
};

// The local time zone for the test's length.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

double localDays(QDate date, QTime time)
{
    return double(QDate(1899, 12, 30).daysTo(date)) + time.msecsSinceStartOfDay() / 86400000.0;
}

struct ClockChangeFiring : ::testing::Test, WindowServices {
    ScopedTimeZone zone{"Europe/Berlin"};
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<TForm1> form;
    double changeAt = 0;
    double jump = 0;  // days
    bool jumped = false;

    void start(const ClockChange& c)
    {
        clock.value = localDays(c.date, c.start);
        changeAt = localDays(c.date, c.changeAt);
        jump = c.jumpSeconds * DateTime::kSecond;
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--speed", "60", "--state", dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir.path(), emulator->devicePath);
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        ASSERT_TRUE(form->state.PortOk) << dialogs.asked.join("; ").toStdString();
    }

    bool pollUntil(const std::function<bool()>& done, int ms = 4000)
    {
        return pollWindowUntil(*form, done, ms);
    }

    // One control cycle with the controller's data; two seconds pass, and the wall clock
    // jumps when it reaches the change.
    bool cycle()
    {
        const bool data = pollUntil([this] { return form->state.DataReady; });
        if (data)
            pollUntil([] { return false; }, 20);  // the rest of the batch's replies
        clock.advance(2);
        if (!jumped && clock.value >= changeAt - 1e-9) {
            clock.value += jump;
            jumped = true;
        }
        form->InterfaceTimerTimer();
        return data;
    }

    QString forecastText() const { return form->ProgramForecast->text(); }

    // The elapsed column of every stamped log entry, in seconds.
    std::vector<int> elapsedColumn() const
    {
        static const QRegularExpression stamp(R"(^\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d \((\d\d):(\d\d):(\d\d)\) : )");
        std::vector<int> out;
        for (const QString& line : form->log->lines()) {
            const QRegularExpressionMatch m = stamp.match(line);
            if (m.hasMatch())
                out.push_back(m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt());
        }
        return out;
    }

    // The first column of the table's data rows.
    std::vector<double> tableStamps() const
    {
        QFile f(form->dataFiles->DataFileBase() + ".dat");
        std::vector<double> out;
        if (!f.open(QIODevice::ReadOnly))
            return out;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].trimmed().isEmpty())
                out.push_back(QLocale::c().toDouble(QString::fromLatin1(lines[i].split(' ').front())));
        return out;
    }
};

}  // namespace

TEST_F(ClockChangeFiring, TheRecordsKeepTheOrderOfTheCyclesAndTheForecastFollowsTheClock)
{
    const ClockChange changes[] = {
        {"summer time ends", QDate(2026, 10, 25), QTime(2, 53, 0), QTime(3, 0, 0), -3600},
        {"summer time begins", QDate(2027, 3, 28), QTime(1, 53, 0), QTime(2, 0, 0), 3600},
    };
    for (const ClockChange& c : changes) {
        SCOPED_TRACE(c.name);
        jumped = false;
        form.reset();
        emulator.reset();
        start(c);
        if (HasFatalFailure())
            return;
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(cycle()) << i;
        // One minute to 900 °C, then the wait for it: the forecast needs the measured rate.
        form->Prog->setCell(1, 2, "900");
        form->Prog->setCell(2, 2, "1");
        form->Prog->setCell(1, 3, "0");
        form->Prog->setCell(2, 3, "0");
        form->StartButton->click();
        ASSERT_EQ(form->state.ProgState, Running);
        const double firstMonotonic = clock.monotonic - 6;  // the recording began with the first of 4 cycles

        QString before;
        double minutesBefore = 0;
        while (!jumped) {
            before = forecastText();
            minutesBefore = form->firingForecast->forecast().minutes;
            ASSERT_TRUE(cycle());
            ASSERT_TRUE(programActive(form->state.ProgState));
        }
        ASSERT_TRUE(before.startsWith("?? ForecastEnd ??")) << before.toStdString();
        const double endBefore = form->state.CycleTime - jump - 2 * DateTime::kSecond + minutesBefore * DateTime::kMinute;

        // The cycle that read the changed clock: the end, the same moment, named in the new clock.
        const EndForecast f = form->firingForecast->forecast();
        EXPECT_FALSE(f.waitUnknown);
        // The wait's estimate moves a little with each reading of the rate.
        const double slackMinutes = 0.5 + 0.02 * minutesBefore;
        EXPECT_NEAR(f.minutes, minutesBefore, slackMinutes);
        const double endAfter = form->state.CycleTime + f.minutes * DateTime::kMinute;
        EXPECT_NEAR((endAfter - endBefore) * 86400, c.jumpSeconds, 60 * slackMinutes);
        EXPECT_EQ(forecastText(), "?? ForecastEnd ??" + DateTime::hm(endAfter) + "?? ForecastLeft ??" +
                                      DateTime::span(f.minutes * DateTime::kMinute, false));
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(cycle());
        EXPECT_TRUE(forecastText().startsWith("?? ForecastEnd ??")) << forecastText().toStdString();

        // The chart: a line in the order of the cycles, as long as the real time, each point
        // with its clock time as it was.
        const TemperatureChart& chart = *form->chart;
        const int n = chart.pointCount(0);
        ASSERT_GT(n, 10);
        for (int j = 1; j < n; ++j)
            ASSERT_GT(chart.pointX(0, j), chart.pointX(0, j - 1)) << j;
        EXPECT_NEAR((chart.pointX(0, n - 1) - chart.pointX(0, 0)) * 86400, clock.monotonic - firstMonotonic, 0.01);
        EXPECT_DOUBLE_EQ(chart.pointStamp(n - 1), form->state.CycleTime);
        EXPECT_EQ(chart.pointLabel(0, n - 1), DateTime::longTime(form->state.CycleTime));

        // The log counts the time since the recording began on the real clock.
        form->dataFiles->GraphSaveClick();
        const std::vector<int> elapsed = elapsedColumn();
        ASSERT_FALSE(elapsed.empty());
        for (std::size_t k = 1; k < elapsed.size(); ++k)
            EXPECT_LE(elapsed[k - 1], elapsed[k]) << k;
        EXPECT_NEAR(elapsed.back(), clock.monotonic - firstMonotonic, 1.5);

        // The table: the rows of the cycles in their order with their stamps as they were, the
        // newest cycle left out.
        const std::vector<double> stamps = tableStamps();
        ASSERT_EQ(int(stamps.size()), n - 1);
        int jumps = 0;
        for (std::size_t k = 1; k < stamps.size(); ++k) {
            const double step = (stamps[k] - stamps[k - 1]) * 86400;
            if (std::abs(step - c.jumpSeconds) < 10)
                ++jumps;
            else
                EXPECT_NEAR(step, 2, 0.01) << k;
        }
        EXPECT_EQ(jumps, 1);
        EXPECT_NEAR(stamps.back(), chart.pointStamp(n - 2), 1e-9);
        EXPECT_NEAR(stamps.back(), form->state.CycleTime - 2 * DateTime::kSecond, 1e-9);
        form->StopButtonClick();
    }
}
