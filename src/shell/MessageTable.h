#pragma once
#include "Texts.h"

#include <QHash>
#include <QStringList>

// The message table: the lines of the chosen language file, in file order, looked up by the
// name before their first "=" without regard to letter case. The first line of a name wins.
class MessageTable : public MessageSource {
public:
    explicit MessageTable(QString folder = ".") : folder_(std::move(folder)) {}

    // Language files are read from `folder`, or from `sharedFolder` where `folder` has none.
    void setFolder(const QString& folder, const QString& sharedFolder = QString())
    {
        folder_ = folder;
        shared_ = sharedFolder;
    }

    // Creates the empty table.
    void LangInit()
    {
        lines_.clear();
        first_.clear();
    }
    // Reads the language file of `name` ("English" reads English.lng in the program folder,
    // else in the shared folder; a name that already contains ".lng" is used as given). Throws std::runtime_error when
    // the file cannot be opened, leaving the previous table in force.
    void LoadLng(const QString& name);
    QString LS(const QString& key) const override;
    // Whether the table has a line of that name (compared without regard to case).
    bool has(const QString& key) const { return first_.contains(key.toCaseFolded()); }

    static QString fileNameFor(const QString& name);
    // The name of a line: the text before its first "="; empty for a line without one.
    static QString lineName(const QString& line);
    const QStringList& lines() const { return lines_; }

private:
    QString folder_;
    QString shared_;
    QStringList lines_;
    // The case-folded name of a line -> the position of its first line, so that a lookup
    // costs the same in a file of any length.
    QHash<QString, qsizetype> first_;
};
