#include "IniFile.h"

#include "Numbers.h"

#include <stdexcept>

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
    Section* current = nullptr;
    for (const QString& raw : TextCodec::splitLines(text)) {
        const QString line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            sections_.push_back(Section{line.mid(1, line.size() - 2).trimmed(), {}});
            current = &sections_.back();
            continue;
        }
        const int eq = line.indexOf('=');
        Line l;
        if (!line.startsWith(';') && eq > 0) {
            l.isEntry = true;
            l.key = line.left(eq).trimmed();
            QString value = line.mid(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            l.value = value;
        } else {
            if (line.isEmpty())
                continue;  // blank lines are laid out anew on writing
            l.value = raw;
        }
        if (current)
            current->lines.push_back(l);
        else
            preamble_.push_back(raw);
    }
}

QString IniFile::quoted(const QString& value) const
{
    if (quoting_ == Quoting::None || value.isEmpty())
        return value;
    const bool blankEdge = value.startsWith(' ') || value.endsWith(' ');
    const bool quoteEdges = value.size() >= 2 && value.startsWith('"') && value.endsWith('"');
    const bool singleQuote = value == "\"";
    if (blankEdge || quoteEdges || singleQuote)
        return '"' + value + '"';
    return value;
}

QString IniFile::toText() const
{
    QString out;
    for (const QString& l : preamble_)
        out += l + "\r\n";
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        if (s > 0)
            out += "\r\n";
        out += '[' + sections_[s].name + "]\r\n";
        for (const Line& l : sections_[s].lines)
            out += (l.isEntry ? l.key + '=' + quoted(l.value) : l.value) + "\r\n";
    }
    out += "\r\n";
    return out;
}

void IniFile::save(const QString& path) const { TextCodec::writeFileAtomic(path, TextCodec::encode(toText(), encoding_)); }

IniFile::Section* IniFile::findSection(const QString& name)
{
    for (Section& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
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
    for (const Line& l : s->lines)
        if (l.isEntry && l.key.compare(key, Qt::CaseInsensitive) == 0)
            return &l;
    return nullptr;
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
    if (!s) {
        sections_.push_back(Section{section, {}});
        s = &sections_.back();
    }
    for (Line& l : s->lines)
        if (l.isEntry && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = value;
            return;
        }
    Line l;
    l.isEntry = true;
    l.key = key;
    l.value = value;
    s->lines.push_back(l);
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
        throw std::runtime_error(QString("'%1' is not a valid whole number (key %2)").arg(l->value, key).toStdString());
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
        throw std::runtime_error(QString("'%1' is not a valid boolean value (key %2)").arg(l->value, key).toStdString());
    return n != 0;
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? "TRUE" : "FALSE");
}
