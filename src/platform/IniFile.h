#pragma once
#include "TextCodec.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// An INI file held in memory: sections and key lines in file order, names matched without
// regard to letter case, unknown keys and comment lines kept on rewrite, CR LF line ends.
class IniFile {
public:
    enum class Quoting {
        None,      // values written as they are
        Program,   // values beginning or ending with white space, or quoted, are written in quotes
    };

    explicit IniFile(Quoting quoting = Quoting::None);

    // Reads the file; a missing file is an empty file (returns false).
    bool load(const QString& path);
    void loadFromText(const QString& text);
    // Writes the whole file atomically; throws std::runtime_error on failure.
    void save(const QString& path) const;
    QString toText() const;

    bool hasKey(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    void writeString(const QString& section, const QString& key, const QString& value);

    // Missing key: the fallback. A value that is no whole number (an empty value counts as
    // 0) throws std::runtime_error naming the value.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    void writeInteger(const QString& section, const QString& key, int value);

    // TRUE/YES/Y and FALSE/NO/N in any case, otherwise an integer (non-zero is true).
    bool readBool(const QString& section, const QString& key, bool fallback) const;
    void writeBool(const QString& section, const QString& key, bool value);

    TextEncoding encoding() const { return encoding_; }

private:
    struct Line {
        QString key;    // empty for a comment or blank line
        QString value;  // raw text for a comment line
        bool isEntry = false;
    };
    // A section or key name, equal to another without regard to letter case.
    struct Name {
        QString text;
        friend bool operator==(const Name& a, const Name& b)
        {
            return a.text.compare(b.text, Qt::CaseInsensitive) == 0;
        }
        friend std::size_t qHash(const Name& n, std::size_t seed) { return n.hash(seed); }
        std::size_t hash(std::size_t seed) const;
    };
    // The first occurrence of a name is the one read and written; the lines keep the
    // file's order for writing.
    using Index = QHash<Name, std::size_t>;
    struct Section {
        QString name;
        std::vector<Line> lines;
        Index keys;  // key -> position in lines
    };

    Section& addSection(const QString& name);
    static void addLine(Section& section, Line line);
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    const Line* findLine(const QString& section, const QString& key) const;
    QString quoted(const QString& value) const;

    Quoting quoting_;
    TextEncoding encoding_ = TextEncoding::Windows1251;
    std::vector<QString> preamble_;
    std::vector<Section> sections_;
    Index sectionIndex_;  // section name -> position in sections_
};
