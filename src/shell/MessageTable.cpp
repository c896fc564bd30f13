#include "MessageTable.h"

#include "ProgramFolders.h"
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
    const QString path = ProgramFolders::readable(folder_, shared_, fileNameFor(name));
    QString text;
    QString error;
    if (!TextCodec::readFile(path, text, nullptr, &error))
        throw std::runtime_error(QString("Cannot open the language file %1: %2").arg(path, error).toStdString());
    lines_ = TextCodec::splitLines(text);
    first_.clear();
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const qsizetype eq = lines_[i].indexOf('=');
        if (eq < 0)
            continue;
        const QString name = lines_[i].left(eq).toCaseFolded();
        if (!first_.contains(name))  // the first line of a name wins
            first_.insert(name, i);
    }
}

QString MessageTable::LS(const QString& key) const
{
    // Case folding is what a comparison without regard to case applies.
    const auto it = first_.constFind(key.toCaseFolded());
    if (it == first_.cend())
        return "?? " + key + " ??";
    const QString& line = lines_[*it];
    const QString value = line.mid(line.indexOf('=') + 1);
    QString text = value.size() < 2 ? QString() : value.mid(1, value.size() - 2);
    text.replace('\\', "\r\n");
    return text;
}
