#include "IniFile.h"

#include "Numbers.h"

#include <QFileInfo>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

// A value as an error text quotes it: control characters as \xNN, so that a NUL byte of a
// damaged file does not cut the text short before the key it names.
QString shown(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += "\\x" + QString::number(c.unicode(), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

}  // namespace

IniFile::IniFile(Quoting quoting) : quoting_(quoting) {}

bool IniFile::load(const QString& path)
{
    QString text;
    QString error;
    TextEncoding enc = TextEncoding::Windows1251;
    bool ok = TextCodec::readFile(path, text, &enc, &error);
    try {
        loadFromText(text);
    } catch (const std::exception& e) {  // too large to hold: nothing is kept
        loadFromText(QString());
        ok = false;
        error = QString::fromUtf8(e.what());
    }
    encoding_ = ok ? enc : TextEncoding::Windows1251;
    // Only a missing file reads as an empty one; what is there but cannot be read (a FIFO,
    // a folder, a file without read permission) is named, not taken for "no keys".
    if (!ok && (QFileInfo::exists(path) || QFileInfo(path).isSymLink()))
        throw std::runtime_error(QString("Cannot read the file %1: %2").arg(path, error).toStdString());
    return ok;
}

namespace {

bool isHeader(QStringView line) { return line.startsWith('[') && line.endsWith(']'); }

// Slots an index takes for `count` names: a power of two, at most half of them used.
std::size_t slotsFor(std::size_t count)
{
    std::size_t n = 8;
    while (n < count * 2)
        n *= 2;
    return n;
}

}  // namespace

void IniFile::checkMemory(std::size_t lines, std::size_t sections, qsizetype characters) const
{
    const std::size_t chars = std::size_t(characters);
    const std::size_t need = chars * sizeof(QChar) + lines * sizeof(Line) + sections * sizeof(Piece) +
                             (slotsFor(lines) + slotsFor(sections)) * sizeof(quint32);
    const std::size_t limit = std::max(chars * kMemoryPerCharacter, kMemoryFloor);
    if (need > limit)
        throw std::runtime_error(QString("%1 sections and %2 lines in %3 characters: holding them would take "
                                         "%4 MiB, more than %5 times the size of the file")
                                     .arg(sections)
                                     .arg(lines)
                                     .arg(characters)
                                     .arg(double(need) / (1 << 20), 0, 'f', 1)
                                     .arg(kMemoryPerCharacter)
                                     .toStdString());
}

void IniFile::loadFromText(const QString& text)
{
    std::size_t lineCount = 0, sectionCount = 0;
    TextCodec::forEachLine(text, [&](QStringView raw) {
        const QStringView line = raw.trimmed();
        if (isHeader(line))
            ++sectionCount;
        else if (!line.isEmpty())
            ++lineCount;
    });
    checkMemory(lineCount, sectionCount, text.size());  // before anything is held
    if (quint64(text.size()) >= kPreamble)
        throw std::runtime_error("the text is too long");

    text_ = text;  // shared, not copied: every name and value is a piece of it
    sections_.clear();
    lines_.clear();
    sectionIndex_.clear();
    keyIndex_.clear();
    sections_.reserve(sectionCount);
    lines_.reserve(lineCount);
    sectionIndex_.reserve(sectionCount);
    keyIndex_.reserve(lineCount);
    quint32 current = kPreamble;
    TextCodec::forEachLine(text_, [&](QStringView raw) {
        const QStringView line = raw.trimmed();
        if (isHeader(line)) {
            current = addSection(pieceOf(line.sliced(1, line.size() - 2).trimmed()));
            return;
        }
        const qsizetype eq = line.indexOf('=');
        Line l;
        l.place = current;
        if (current != kPreamble && !line.startsWith(';') && eq > 0) {
            l.place |= kEntryBit;
            l.key = pieceOf(line.first(eq).trimmed());
            QStringView value = line.sliced(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.sliced(1, value.size() - 2);
            l.value = pieceOf(value);
        } else {
            if (line.isEmpty())
                return;  // blank lines are laid out anew on writing
            l.value = pieceOf(raw);
        }
        addLine(l);
    });
}

IniFile::Piece IniFile::pieceOf(QStringView part) const
{
    return Piece{quint32(part.data() - text_.constData()), quint32(part.size())};
}

IniFile::Piece IniFile::store(QStringView text)
{
    if (quint64(text_.size()) + quint64(text.size()) >= kPreamble)
        throw std::runtime_error("the settings have grown too long");
    const Piece p{quint32(text_.size()), quint32(text.size())};
    text_ += text;
    return p;
}

std::size_t IniFile::memoryBytes() const
{
    return std::size_t(text_.capacity()) * sizeof(QChar) + lines_.capacity() * sizeof(Line) +
           sections_.capacity() * sizeof(Piece) + sectionIndex_.bytes() + keyIndex_.bytes();
}

QString IniFile::quoted(const QString& value) const
{
    if (quoting_ == Quoting::None || value.isEmpty())
        return value;
    // Any white space the reader trims counts: a tab or a no-break space at an edge too.
    const bool blankEdge = value.front().isSpace() || value.back().isSpace();
    const bool quoteEdges = value.size() >= 2 && value.startsWith('"') && value.endsWith('"');
    const bool singleQuote = value == "\"";
    if (blankEdge || quoteEdges || singleQuote)
        return '"' + value + '"';
    return value;
}

QString IniFile::toText() const
{
    // The lines of each section in the order they came, by a counting sort on the section.
    std::vector<quint32> firstOf(sections_.size() + 2, 0);
    const auto slot = [this](const Line& l) {
        const quint32 s = l.place & ~kEntryBit;
        return s == kPreamble ? 0 : std::size_t(s) + 1;
    };
    for (const Line& l : lines_)
        ++firstOf[slot(l) + 1];
    for (std::size_t i = 1; i < firstOf.size(); ++i)
        firstOf[i] += firstOf[i - 1];
    std::vector<quint32> order(lines_.size());
    {
        std::vector<quint32> next(firstOf.begin(), firstOf.end() - 1);
        for (quint32 i = 0; i < lines_.size(); ++i)
            order[next[slot(lines_[i])]++] = i;
    }
    QString out;
    const auto line = [&out](QStringView text) {
        out += text;
        out += QLatin1String("\r\n");
    };
    const auto linesOf = [&](std::size_t group) {
        for (quint32 k = firstOf[group]; k < firstOf[group + 1]; ++k) {
            const Line& l = lines_[order[k]];
            if (l.place & kEntryBit) {
                out += view(l.key);
                out += '=';
                line(quoted(string(l.value)));
            } else {
                line(view(l.value));
            }
        }
    };
    linesOf(0);
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        if (s > 0)
            out += QLatin1String("\r\n");
        out += '[';
        out += view(sections_[s]);
        line(u"]");
        linesOf(s + 1);
    }
    out += QLatin1String("\r\n");
    return out;
}

void IniFile::save(const QString& path) const { TextCodec::writeFileAtomic(path, TextCodec::encode(toText(), encoding_)); }

std::size_t IniFile::hashOf(QStringView name, std::size_t seed)
{
    // FNV-1a over the case-folded code points, the folding QString::compare applies.
    std::size_t h = 14695981039346656037ULL ^ seed;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = name[i].unicode();
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < n && name[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), name[++i].unicode());
            c = QChar::toCaseFolded(c);
        }
        h = (h ^ c) * 1099511628211ULL;
    }
    return h;
}

std::size_t IniFile::keyHash(quint32 section, QStringView key) const
{
    return hashOf(key, std::size_t(section) * 0x9E3779B97F4A7C15ULL);
}

void IniFile::Index::reserve(std::size_t count)
{
    if (slotsFor(count) > slots_.size())
        slots_.assign(slotsFor(count), 0);  // only ever called on an empty index
}

template <class Matches>
qint64 IniFile::Index::find(std::size_t hash, Matches&& matches) const
{
    if (slots_.empty())
        return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i] != 0; i = (i + 1) & mask)
        if (matches(slots_[i] - 1))
            return slots_[i] - 1;
    return -1;
}

template <class HashOf>
void IniFile::Index::insert(std::size_t hash, quint32 position, HashOf&& hashOf)
{
    if ((count_ + 1) * 2 > slots_.size()) {
        std::vector<quint32> old = std::move(slots_);
        slots_.assign(slotsFor(count_ + 1), 0);
        const std::size_t mask = slots_.size() - 1;
        for (const quint32 s : old) {
            if (s == 0)
                continue;
            std::size_t i = hashOf(s - 1) & mask;
            while (slots_[i] != 0)
                i = (i + 1) & mask;
            slots_[i] = s;
        }
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i] != 0)
        i = (i + 1) & mask;
    slots_[i] = position + 1;
    ++count_;
}

qint64 IniFile::findSection(QStringView name) const
{
    return sectionIndex_.find(hashOf(name), [&](quint32 s) {
        return view(sections_[s]).compare(name, Qt::CaseInsensitive) == 0;
    });
}

quint32 IniFile::addSection(Piece name)
{
    if (sections_.size() >= kPreamble)
        throw std::runtime_error("too many sections");
    const auto position = quint32(sections_.size());
    sections_.push_back(name);
    if (findSection(view(name)) < 0)  // a repeated name keeps the first
        sectionIndex_.insert(hashOf(view(name)), position, [this](quint32 s) { return hashOf(view(sections_[s])); });
    return position;
}

void IniFile::addLine(Line line)
{
    const auto position = quint32(lines_.size());
    lines_.push_back(line);
    if (!(line.place & kEntryBit))
        return;
    const quint32 section = line.place & ~kEntryBit;
    const auto sameKey = [&](quint32 i) {
        return lines_[i].place == line.place && view(lines_[i].key).compare(view(line.key), Qt::CaseInsensitive) == 0;
    };
    const std::size_t hash = keyHash(section, view(line.key));
    if (keyIndex_.find(hash, sameKey) >= 0)
        return;  // the first line of a key is the one read and written
    keyIndex_.insert(hash, position, [this](quint32 i) {
        return keyHash(lines_[i].place & ~kEntryBit, view(lines_[i].key));
    });
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const qint64 s = findSection(section);
    if (s < 0)
        return nullptr;
    const quint32 place = quint32(s) | kEntryBit;
    const qint64 i = keyIndex_.find(keyHash(quint32(s), key), [&](quint32 l) {
        return lines_[l].place == place && view(lines_[l].key).compare(key, Qt::CaseInsensitive) == 0;
    });
    return i < 0 ? nullptr : &lines_[std::size_t(i)];
}

bool IniFile::hasKey(const QString& section, const QString& key) const { return findLine(section, key) != nullptr; }

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const Line* l = findLine(section, key);
    return l ? string(l->value) : fallback;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (Line* l = findLine(section, key)) {
        l->value = store(value);
        return;
    }
    qint64 s = findSection(section);
    if (s < 0)
        s = addSection(store(section));
    Line l;
    l.place = quint32(s) | kEntryBit;
    l.key = store(key);
    l.value = store(value);
    addLine(l);
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const Line* line = findLine(section, key);
    if (!line)
        return fallback;
    const QString value = string(line->value);
    if (value.isEmpty())
        return 0;
    int v = 0;
    if (!Numbers::parseWhole(value, v))
        throw std::runtime_error(
            QString("'%1' is not a valid whole number (key %2)").arg(shown(value), key).toStdString());
    return v;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    const Line* line = findLine(section, key);
    if (!line)
        return fallback;
    const QString value = string(line->value);
    const QString v = value.trimmed().toUpper();
    if (v == "TRUE" || v == "YES" || v == "Y")
        return true;
    if (v == "FALSE" || v == "NO" || v == "N")
        return false;
    int n = 0;
    if (!Numbers::parseWhole(v, n))
        throw std::runtime_error(
            QString("'%1' is not a valid boolean value (key %2)").arg(shown(value), key).toStdString());
    return n != 0;
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? "TRUE" : "FALSE");
}
