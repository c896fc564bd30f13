#pragma once
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

// Copies every file below `from` into `to`, keeping the sub-folders; false when one fails.
inline bool copyFolder(const QString& from, const QString& to)
{
    const QDir source(QDir(from).absolutePath());
    QDirIterator it(source.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + "/" + source.relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(file, target))
            return false;
    }
    return true;
}

// Whole-file reads and writes for tests that check bytes on disk.
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// The settings of a window that works with the controller on `port`.
inline void writeControllerSettings(const QString& folder, const QString& port)
{
    writeBytes(folder + "/term.ini", "[TForm1]\r\nInterfaceType_Checked=TRUE\r\nPort_Path=" + port.toUtf8() + "\r\n");
}
