#pragma once
#include "Services.h"

#include <QColor>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <deque>

// A clock the test sets. `value` is the wall clock, `monotonic` the steady reading; the
// two can be set apart to model a clock change.
class FakeClock : public Clock {
public:
    double value = 45000.5;
    double monotonic = 1000;
    double now() const override { return value; }
    double monotonicSeconds() const override { return monotonic; }
    // Real time passes: both readings move on.
    void advance(double seconds)
    {
        value += seconds / 86400;
        monotonic += seconds;
    }
};

// Scripted random numbers; when the script runs out, a fixed value in range.
class FakeRandom : public Random {
public:
    std::deque<int> script;
    int fallback = -1;  // -1: the middle of the range
    int calls = 0;
    int uniform(int count) override
    {
        ++calls;
        if (!script.empty()) {
            const int v = script.front();
            script.pop_front();
            return v;
        }
        return fallback < 0 ? count / 2 : fallback % count;
    }
};

// Noise as the real generator gives it, but repeatable.
class LcgRandom : public Random {
public:
    int uniform(int count) override
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return int((state_ >> 33) % unsigned(count));
    }

private:
    unsigned long long state_ = 12345;
};

// Answers dialogs from a script and records what was asked.
class FakeDialogs : public Dialogs {
public:
    bool yesNoAnswer = true;
    QString fileAnswer;  // empty = cancel
    QColor colorAnswer;  // invalid = cancel
    QStringList asked;   // "yesno:title|text", "message:title|text", "error:text", "open:title", "save:title", "color"
    QStringList errors;
    QString lastFilter;  // of the last file dialog
    QString lastDefaultExt;

    QStringList answeredNo;  // a question whose text contains one of these is answered No
    bool askYesNo(const QString& title, const QString& text) override
    {
        asked << "yesno:" + title + "|" + text;
        for (const QString& part : answeredNo)
            if (text.contains(part))
                return false;
        return yesNoAnswer;
    }
    void showMessage(const QString& title, const QString& text) override { asked << "message:" + title + "|" + text; }
    void showError(const QString& text) override
    {
        asked << "error:" + text;
        errors << text;
    }
    QString openFile(const QString& title, const QString& filter, const QString& ext, const QString&,
                     const QString&) override
    {
        asked << "open:" + title;
        lastFilter = filter;
        lastDefaultExt = ext;
        return fileAnswer;
    }
    QString saveFile(const QString& title, const QString& filter, const QString& ext, const QString&,
                     const QString&) override
    {
        asked << "save:" + title;
        lastFilter = filter;
        lastDefaultExt = ext;
        return fileAnswer;
    }
    QColor chooseColor(const QColor& initial) override
    {
        asked << "color";
        return colorAnswer.isValid() ? colorAnswer : initial;
    }
    QString portAnswer;  // empty = cancel
    QStringList portsOffered;
    QString portPreselected;
    int portPickerOpenMs = 0;  // the picker stays open this long, the message loop running
    QString choosePort(const QString& title, const QStringList& lines, const QStringList& ports,
                       const QString& current) override
    {
        asked << "port:" + title + "|" + lines.join("|");
        portsOffered = ports;
        portPreselected = current;
        if (portPickerOpenMs > 0) {
            QEventLoop open;
            QTimer::singleShot(portPickerOpenMs, &open, &QEventLoop::quit);
            open.exec();
        }
        return portAnswer;
    }
    double startTimeAnswer = 0;  // 0 = cancel
    double startTimeOffered = 0;
    double chooseStartTime(const QString& title, const QStringList& lines, double initial) override
    {
        asked << "starttime:" + title + "|" + lines.join("|");
        startTimeOffered = initial;
        return startTimeAnswer;
    }
};

class FakeSoundPlayer : public SoundPlayer {
public:
    QStringList played;
    int stops = 0;
    void play(const QString& path) override { played << path; }
    void stop() override { ++stops; }
};

// Records power-off requests; never powers anything off.
class RecordingPowerOff : public PowerOff {
public:
    int requests = 0;
    void requestPowerOff() override { ++requests; }
};
