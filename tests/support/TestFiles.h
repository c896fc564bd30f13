#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

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
