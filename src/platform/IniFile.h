#pragma once
#include "TextCodec.h"

#include <QStringView>
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

    // Reads the file; a missing file is an empty file (returns false). A file that is there
    // but cannot be read (no regular file, no permission, too large) throws
    // std::runtime_error naming it and the reason, the content then being empty.
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

    // What the file held in memory takes, in bytes (its text, its lines and its indexes).
    std::size_t memoryBytes() const;
    // A text is refused when holding it would take more than this many times its length in
    // characters (every character is at least a byte of the file), and more than kMemoryFloor.
    static constexpr std::size_t kMemoryPerCharacter = 10;
    static constexpr std::size_t kMemoryFloor = 1 << 20;

private:
    // A piece of text_.
    struct Piece {
        quint32 start = 0;
        quint32 length = 0;
    };
    // One line of the file that is kept: an entry, a comment or a line before any section.
    struct Line {
        Piece key;     // empty for a comment line
        Piece value;   // the raw text for a comment line
        quint32 place = 0;  // the section's position and, in the top bit, whether it is an entry
    };
    static constexpr quint32 kEntryBit = 0x80000000u;
    static constexpr quint32 kPreamble = 0x7FFFFFFFu;  // the lines before the first section

    // Positions of the first section of a name, or of the first line of a key in its section;
    // open addressing over hashes of the case-folded names, so that a million sections cost
    // a few bytes each rather than a table each.
    class Index {
    public:
        void clear() { slots_.clear(); count_ = 0; }
        void reserve(std::size_t count);
        std::size_t bytes() const { return slots_.capacity() * sizeof(quint32); }
        // The position stored under a name equal to the one `matches` accepts, or -1.
        template <class Matches>
        qint64 find(std::size_t hash, Matches&& matches) const;
        // Stores a position for a name not yet present.
        template <class HashOf>
        void insert(std::size_t hash, quint32 position, HashOf&& hashOf);

    private:
        std::vector<quint32> slots_;  // position + 1; 0 is empty
        std::size_t count_ = 0;
    };

    static std::size_t hashOf(QStringView name, std::size_t seed = 0);
    QStringView view(Piece p) const { return QStringView(text_).sliced(p.start, p.length); }
    QString string(Piece p) const { return view(p).toString(); }
    Piece store(QStringView text);
    Piece pieceOf(QStringView part) const;  // a part of text_ as a piece
    std::size_t keyHash(quint32 section, QStringView key) const;

    quint32 addSection(Piece name);
    void addLine(Line line);
    qint64 findSection(QStringView name) const;
    const Line* findLine(const QString& section, const QString& key) const;
    Line* findLine(const QString& section, const QString& key)
    {
        return const_cast<Line*>(static_cast<const IniFile*>(this)->findLine(section, key));
    }
    QString quoted(const QString& value) const;
    void checkMemory(std::size_t lines, std::size_t sections, qsizetype characters) const;

    Quoting quoting_;
    TextEncoding encoding_ = TextEncoding::Windows1251;
    QString text_;  // every name and value: the file's text, then what was written since
    std::vector<Piece> sections_;  // the names, in file order
    std::vector<Line> lines_;      // in file order, then the lines written since
    Index sectionIndex_;
    Index keyIndex_;  // (section, key) -> position in lines_
};
