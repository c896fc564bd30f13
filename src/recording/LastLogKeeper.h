#pragma once
#include <QString>

// After a run that did not end in order, its Data/lastlog.txt is the account of what happened;
// it is kept as lastlog-<yyyyMMdd-HHmmss of its modification time>.txt before the new run
// writes its own. A kept log is never overwritten: a second one of the same second gets "-2".
class LastLogKeeper {
public:
    static inline const QString kLastLog = "lastlog.txt";

    struct Kept {
        QString path;   // the kept log; empty when there was none to keep
        QString error;  // why it could not be kept (it is then left as it was)
    };

    static Kept keep(const QString& dataFolder);
    static QString keptName(const QString& dataFolder, const QString& stamp, int attempt);
};
