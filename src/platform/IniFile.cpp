#include "IniFile.h"

#include "Numbers.h"

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
    TextEncoding enc = TextEncoding::Windows1251;
    const bool ok = TextCodec::readFile(path, text, &enc);
    loadFromText(text);
    encoding_ = ok ? enc : TextEncoding::Windows1251;
    return ok;
}

void IniFile::loadFromText(const QString& text)
{
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
    Section* current = nullptr;
    for (const QString& raw : TextCodec::splitLines(text)) {
        const QStringView line = QStringView(raw).trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            current = &addSection(line.sliced(1, line.size() - 2).trimmed().toString());
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        Line l;
        if (!line.startsWith(';') && eq > 0) {
            l.isEntry = true;
            l.key = line.first(eq).trimmed().toString();
            QStringView value = line.sliced(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.sliced(1, value.size() - 2);
            l.value = value.toString();
        } else {
            if (line.isEmpty())
                continue;  // blank lines are laid out anew on writing
            l.value = raw;
        }
        if (current)
            addLine(*current, std::move(l));
        else
            preamble_.push_back(raw);
    }
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
    QString out;
    const auto line = [&out](const QString& text) {
        out += text;
        out += QLatin1String("\r\n");
    };
    for (const QString& l : preamble_)
        line(l);
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        if (s > 0)
            out += QLatin1String("\r\n");
        line('[' + sections_[s].name + ']');
        for (const Line& l : sections_[s].lines) {
            if (l.isEntry) {
                out += l.key;
                out += '=';
            }
            line(l.isEntry ? quoted(l.value) : l.value);
        }
    }
    out += QLatin1String("\r\n");
    return out;
}

void IniFile::save(const QString& path) const { TextCodec::writeFileAtomic(path, TextCodec::encode(toText(), encoding_)); }

std::size_t IniFile::Name::hash(std::size_t seed) const
{
    const QString& name = text;
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

IniFile::Section& IniFile::addSection(const QString& name)
{
    if (!sectionIndex_.contains(Name{name}))  // a repeated name keeps the first
        sectionIndex_.insert(Name{name}, sections_.size());
    sections_.push_back(Section{name, {}, {}});
    return sections_.back();
}

void IniFile::addLine(Section& section, Line line)
{
    if (line.isEntry && !section.keys.contains(Name{line.key}))
        section.keys.insert(Name{line.key}, section.lines.size());
    section.lines.push_back(std::move(line));
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    const auto it = sectionIndex_.constFind(Name{name});
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    return const_cast<IniFile*>(this)->findSection(name);
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    const auto it = s->keys.constFind(Name{key});
    return it == s->keys.cend() ? nullptr : &s->lines[*it];
}

bool IniFile::hasKey(const QString& section, const QString& key) const { return findLine(section, key) != nullptr; }

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const Line* l = findLine(section, key);
    return l ? l->value : fallback;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section* s = findSection(section);
    if (!s)
        s = &addSection(section);
    const auto it = s->keys.constFind(Name{key});
    if (it != s->keys.cend()) {
        s->lines[*it].value = value;
        return;
    }
    addLine(*s, Line{key, value, true});
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return fallback;
    if (l->value.isEmpty())
        return 0;
    int v = 0;
    if (!Numbers::parseWhole(l->value, v))
        throw std::runtime_error(
            QString("'%1' is not a valid whole number (key %2)").arg(shown(l->value), key).toStdString());
    return v;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return fallback;
    const QString v = l->value.trimmed().toUpper();
    if (v == "TRUE" || v == "YES" || v == "Y")
        return true;
    if (v == "FALSE" || v == "NO" || v == "N")
        return false;
    int n = 0;
    if (!Numbers::parseWhole(v, n))
        throw std::runtime_error(
            QString("'%1' is not a valid boolean value (key %2)").arg(shown(l->value), key).toStdString());
    return n != 0;
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? "TRUE" : "FALSE");
}
