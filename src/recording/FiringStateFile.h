#pragma once
#include "FiringSnapshot.h"

#include <QString>

class IniFile;

// The firing state as a small INI file in the Data folder (Data/firing.state), numbers in
// a form that reads back the same under any locale. Written atomically: a crash mid-write
// leaves the last whole record.
class FiringStateFile : public FiringRecord {
public:
    static inline const QString kSection = "Firing";
    static inline const QString kFileName = "firing.state";
    static inline const QString kSetAsideSuffix = ".bad";
    // What a stored number may be (°C; days); a record with anything else is damaged.
    static constexpr double kLowestTemp = -273.15;
    static constexpr double kHighestTemp = 3000;
    static constexpr double kLongestLine = 366;

    explicit FiringStateFile(QString dataFolder = QString());
    void setDataFolder(const QString& folder) { folder_ = folder; }

    void write(const FiringSnapshot& snapshot) override;
    Found read(FiringSnapshot& snapshot, QString& error) const override;
    void remove() override;
    void setAside() override;

    QString path() const;

    static QString toText(const FiringSnapshot& snapshot);
    // Throws std::runtime_error naming the key that is missing or does not hold a valid value:
    // a temperature outside kLowestTemp..kHighestTemp, a date-time outside what
    // DateTime::plausible allows, a line time longer than kLongestLine either way.
    static FiringSnapshot fromText(const QString& text);

private:
    QString folder_;
};
