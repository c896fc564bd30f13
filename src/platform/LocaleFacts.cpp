#include "LocaleFacts.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
LocaleFacts& facts()
{
    static LocaleFacts value = LocaleFacts::fromSystem();
    return value;
}
}  // namespace

LocaleFacts LocaleFacts::fromSystem()
{
    const QLocale locale = QLocale::system();
    LocaleFacts f;
    f.decimalSeparator = locale.decimalPoint().isEmpty() ? QChar('.') : locale.decimalPoint().at(0);
    f.thousandSeparator = locale.groupSeparator().isEmpty() ? QChar(',') : locale.groupSeparator().at(0);
    QString longTime = locale.timeFormat(QLocale::LongFormat);
    // The long time format without its time-zone part.
    longTime.remove(QRegularExpression("\\s*t+\\s*"));
    longTime = longTime.trimmed();
    if (longTime.isEmpty())
        longTime = "HH:mm:ss";
    f.longTimeFormat = longTime;
    f.timeSeparator = ':';
    for (QChar c : longTime) {
        if (!c.isLetter() && c != '\'') {
            f.timeSeparator = c;
            break;
        }
    }
    return f;
}

const LocaleFacts& LocaleFacts::current() { return facts(); }

void LocaleFacts::setCurrent(const LocaleFacts& value) { facts() = value; }

ScopedLocaleFacts::ScopedLocaleFacts(const LocaleFacts& value) : saved_(LocaleFacts::current())
{
    LocaleFacts::setCurrent(value);
}

ScopedLocaleFacts::~ScopedLocaleFacts() { LocaleFacts::setCurrent(saved_); }
