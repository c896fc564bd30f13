#pragma once
#include "Texts.h"

#include <QMap>
#include <QStringList>

// Message texts for tests: a key maps to "<key>" unless a text is set for it.
class FakeTexts : public MessageSource {
public:
    QMap<QString, QString> texts;
    QString LS(const QString& key) const override { return texts.value(key, "<" + key + ">"); }
};

// Collects log entries as "key|value" (TLogLS) or the text (TLogX).
class RecordingLog : public EventLogWriter {
public:
    QStringList entries;
    void TLogX(const QString& text) override { entries << text; }
    void TLogLS(const QString& key, const QString& value) override { entries << key + "|" + value; }
    // The keys of the TLogLS entries, in order.
    QStringList keys() const
    {
        QStringList out;
        for (const QString& e : entries)
            if (e.contains('|'))
                out << e.section('|', 0, 0);
        return out;
    }
};
