#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <stdexcept>

namespace TextCodec {

bool hasBom(TextEncoding e)
{
    return e == TextEncoding::Utf8Bom || e == TextEncoding::Utf16LeBom || e == TextEncoding::Utf16BeBom;
}

QString decode(const QByteArray& bytes, TextEncoding* detected)
{
    auto report = [&](TextEncoding e) {
        if (detected)
            *detected = e;
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        report(TextEncoding::Utf8Bom);
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        report(TextEncoding::Utf16LeBom);
        QStringDecoder dec(QStringConverter::Utf16LE);
        return dec(bytes.mid(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        report(TextEncoding::Utf16BeBom);
        QStringDecoder dec(QStringConverter::Utf16BE);
        return dec(bytes.mid(2));
    }
    {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = utf8(bytes);
        if (!utf8.hasError()) {
            bool ascii = true;
            for (char c : bytes)
                if (static_cast<unsigned char>(c) >= 0x80) {
                    ascii = false;
                    break;
                }
            report(ascii ? TextEncoding::Windows1251 : TextEncoding::Utf8);
            return text;
        }
    }
    report(TextEncoding::Windows1251);
    QStringDecoder cp1251("windows-1251");
    return cp1251(bytes);
}

QByteArray encode(const QString& text, TextEncoding preferred)
{
    switch (preferred) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LeBom: {
        QStringEncoder enc(QStringConverter::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(enc(text));
    }
    case TextEncoding::Utf16BeBom: {
        QStringEncoder enc(QStringConverter::Utf16BE);
        return QByteArray("\xFE\xFF") + QByteArray(enc(text));
    }
    default:
        break;
    }
    QStringEncoder cp1251("windows-1251", QStringConverter::Flag::Stateless);
    QByteArray bytes = cp1251(text);
    if (!cp1251.hasError()) {
        // The encoder replaces what it cannot map; a round trip tells whether all fitted.
        QStringDecoder back("windows-1251");
        if (QString(back(bytes)) == text)
            return bytes;
    }
    return text.toUtf8();
}

bool readFile(const QString& path, QString& text, TextEncoding* detected, QString* error)
{
    text.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    // A device or a runaway file (a program path pointing at /dev/zero) must not take the
    // program's memory: every file it reads is far smaller.
    const QByteArray bytes = f.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        if (error)
            *error = QString("the file is larger than %1 MiB").arg(kMaxFileBytes / (1024 * 1024));
        return false;
    }
    text = decode(bytes, detected);
    return true;
}

void writeFileAtomic(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error(QString("Cannot write the file %1: %2").arg(path, f.errorString()).toStdString());
    if (f.write(bytes) != bytes.size() || !f.commit())
        throw std::runtime_error(QString("Cannot write the file %1: %2").arg(path, f.errorString()).toStdString());
}

void writeUtf8FileAtomic(const QString& path, const QString& text) { writeFileAtomic(path, text.toUtf8()); }

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

}  // namespace TextCodec
