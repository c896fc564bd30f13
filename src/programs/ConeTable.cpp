#include "ConeTable.h"

#include "Numbers.h"
#include "TextCodec.h"

#include <QStringList>

namespace {

bool isConeName(const QString& name)
{
    if (name.isEmpty() || name.size() > 3)
        return false;
    for (QChar c : name)
        if (!c.isDigit())
            return false;
    return true;
}

bool readEnd(const QString& text, int& value)
{
    return Numbers::parseWhole(text, value) && value >= ConeTable::kLowestEnd && value <= ConeTable::kHighestEnd;
}

}  // namespace

ConeTable ConeTable::Load(const QString& path)
{
    ConeTable table;
    table.path_ = path;
    QString text;
    if (!TextCodec::readFile(path, text)) {
        table.fail(Problem::Unreadable);
        return table;
    }
    const QStringList lines = TextCodec::splitLines(text);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("cone", Qt::CaseInsensitive))
            continue;
        if (!table.readLine(line)) {
            table.fail(Problem::BadLine, i + 1, line);
            return table;
        }
    }
    if (table.cones_.empty())
        table.fail(Problem::NoCones);
    return table;
}

bool ConeTable::readLine(const QString& line)
{
    const QStringList fields = line.split(',');
    if (fields.size() != 3)
        return false;
    Cone cone;
    cone.name = fields[0].trimmed();
    if (!isConeName(cone.name) || find(cone.name) || !readEnd(fields[1].trimmed(), cone.endAt60) ||
        !readEnd(fields[2].trimmed(), cone.endAt150))
        return false;
    cones_.push_back(cone);
    return true;
}

void ConeTable::fail(Problem problem, int lineNumber, const QString& text)
{
    cones_.clear();
    problem_ = problem;
    badLineNumber_ = lineNumber;
    badLine_ = text;
}

const Cone* ConeTable::find(const QString& name) const
{
    for (const Cone& c : cones_)
        if (c.name == name)
            return &c;
    return nullptr;
}

QString ConeTable::ErrorText(const MessageSource& texts) const
{
    switch (problem_) {
    case Problem::None:
        return QString();
    case Problem::Unreadable:
        return texts.LS("ConeFileUnreadable") + path_;
    case Problem::NoCones:
        return texts.LS("ConeFileEmpty") + path_;
    case Problem::BadLine:
        break;
    }
    return texts.LS("ConeFileBadLine") + QString::number(badLineNumber_) + " (" + path_ + "): " + badLine_;
}
