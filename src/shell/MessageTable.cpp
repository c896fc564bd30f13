#include "MessageTable.h"

#include "TextCodec.h"

#include <stdexcept>

QString MessageTable::fileNameFor(const QString& name)
{
    return name.contains(".lng", Qt::CaseSensitive) ? name : name + ".lng";
}

QString MessageTable::lineName(const QString& line)
{
    const int eq = line.indexOf('=');
    return eq < 0 ? QString() : line.left(eq);
}

void MessageTable::LoadLng(const QString& name)
{
    const QString path = folder_ + "/" + fileNameFor(name);
    QString text;
    QString error;
    if (!TextCodec::readFile(path, text, nullptr, &error))
        throw std::runtime_error(QString("Cannot open the language file %1: %2").arg(path, error).toStdString());
    lines_ = TextCodec::splitLines(text);
}

QString MessageTable::LS(const QString& key) const
{
    for (const QString& line : lines_) {
        const int eq = line.indexOf('=');
        if (eq < 0 || line.left(eq).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = line.mid(eq + 1);
        QString text = value.size() < 2 ? QString() : value.mid(1, value.size() - 2);
        text.replace('\\', "\r\n");
        return text;
    }
    return "?? " + key + " ??";
}
