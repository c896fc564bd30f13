#pragma once
#include <QColor>
#include <QString>
#include <QStringList>

// The seams between the program and the outside world. Tests replace each of them.

// Two readings of time. The wall clock stamps entries, labels and file names; it may jump
// when the system clock is set or daylight saving changes. The monotonic reading never
// jumps, so lengths of time are measured with it.
class Clock {
public:
    virtual ~Clock() = default;
    // The local wall clock, as a date-time number (days since 1899-12-30).
    virtual double now() const = 0;
    // Seconds from an arbitrary origin, steadily increasing.
    virtual double monotonicSeconds() const = 0;
};

// Uniform pseudo-random integers.
class Random {
public:
    virtual ~Random() = default;
    // A uniform integer in 0 .. count - 1.
    virtual int uniform(int count) = 0;
};

// Message boxes and the standard file, colour and error dialogs.
// Filters are written as "Description|*.ext|Other|*.x".
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    virtual void showMessage(const QString& title, const QString& text) = 0;
    // The application's standard error report.
    virtual void showError(const QString& text) = 0;
    // Empty result: cancelled.
    virtual QString openFile(const QString& title, const QString& filter, const QString& defaultExt,
                             const QString& folder, const QString& fileName) = 0;
    virtual QString saveFile(const QString& title, const QString& filter, const QString& defaultExt,
                             const QString& folder, const QString& fileName) = 0;
    // Returns the chosen colour, or `initial` when cancelled.
    virtual QColor chooseColor(const QColor& initial) = 0;
    // The port picker: a title, two lines of explanation, the detected ports (`current`
    // preselected, else the first) in a list that also takes a typed device path. Empty result:
    // cancelled.
    virtual QString choosePort(const QString& title, const QStringList& lines, const QStringList& ports,
                               const QString& current) = 0;
    // A date and a time to the minute, offered from `initial` (both date-time numbers, days
    // since 1899-12-30), under a title and lines of explanation. 0: cancelled.
    virtual double chooseStartTime(const QString& title, const QStringList& lines, double initial) = 0;
};

// Plays a sound file in the background.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& path) = 0;
    virtual void stop() = 0;
};

// Asks the operating system to power the computer off 30 s from now, without waiting.
class PowerOff {
public:
    virtual ~PowerOff() = default;
    virtual void requestPowerOff() = 0;
};
