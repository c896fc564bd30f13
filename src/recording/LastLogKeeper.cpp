#include "LastLogKeeper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

QString LastLogKeeper::keptName(const QString& dataFolder, const QString& stamp, int attempt)
{
    const QString suffix = attempt < 2 ? QString() : "-" + QString::number(attempt);
    return QDir(dataFolder).filePath("lastlog-" + stamp + suffix + ".txt");
}

LastLogKeeper::Kept LastLogKeeper::keep(const QString& dataFolder)
{
    const QFileInfo log(QDir(dataFolder).filePath(kLastLog));
    if (!log.isFile())
        return {};
    const QString stamp = QLocale::c().toString(log.lastModified(), "yyyyMMdd-HHmmss");
    QFile file(log.filePath());
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString target = keptName(dataFolder, stamp, attempt);
        if (QFileInfo::exists(target))
            continue;
        // A rename keeps the file's time and never replaces a file that is there.
        if (file.rename(target))
            return {target, QString()};
        return {QString(), log.filePath() + ": " + file.errorString()};
    }
    return {QString(), log.filePath() + ": too many kept logs of the same second"};
}
