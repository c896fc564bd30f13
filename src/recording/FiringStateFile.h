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

    explicit FiringStateFile(QString dataFolder = QString());
    void setDataFolder(const QString& folder) { folder_ = folder; }

    void write(const FiringSnapshot& snapshot) override;
    Found read(FiringSnapshot& snapshot, QString& error) const override;
    void remove() override;
    void setAside() override;

    QString path() const;

    static QString toText(const FiringSnapshot& snapshot);
    // Throws std::runtime_error naming the key that is missing or does not hold a valid value.
    static FiringSnapshot fromText(const QString& text);

private:
    QString folder_;
};
