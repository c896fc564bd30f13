#pragma once
#include "CycleReport.h"

#include <QByteArray>
#include <QJsonObject>

// The kiln's state and its event entries as JSON, the same for the broker and the live page:
// numbers with a point whatever the locale, times in ISO 8601 with their offset, null for a
// temperature without a valid reading.
namespace StateJson {

QJsonObject state(const CycleReport& report, const QString& kilnName);
QJsonObject event(const EventEntry& entry);
QByteArray compact(const QJsonObject& object);
// "2026-12-10T21:05:00+01:00"; null for an invalid time.
QJsonValue time(const QDateTime& t);

}  // namespace StateJson
