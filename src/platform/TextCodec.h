#pragma once
#include <QByteArray>
#include <QString>
#include <QStringView>

// One codec for every text file the program reads or writes.
// Reading: a byte-order mark decides; otherwise valid UTF-8 is UTF-8; otherwise Windows-1251.
// Writing: Windows-1251 when every character fits (byte-compatible with files written on the
// original platform), otherwise UTF-8; a file read with a byte-order mark is written back with it.
enum class TextEncoding { Windows1251, Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom };

namespace TextCodec {

QString decode(const QByteArray& bytes, TextEncoding* detected = nullptr);

// Encodes `text`. With a BOM encoding the same encoding is used; otherwise Windows-1251 when
// it fits, else UTF-8.
QByteArray encode(const QString& text, TextEncoding preferred = TextEncoding::Windows1251);

bool hasBom(TextEncoding e);

constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

// Reads a whole text file. Returns false (and leaves `text` empty) when it cannot be opened,
// is no regular file (a FIFO, a device or a folder is never opened: "not a file but a FIFO")
// or holds more than kMaxFileBytes.
bool readFile(const QString& path, QString& text, TextEncoding* detected = nullptr, QString* error = nullptr);

// Replaces a file atomically with the given bytes: a crash mid-write leaves the old file or
// the new one, and so does a write that fails (a full disk), which is only reported once
// every byte is known to be on the disk. Throws std::runtime_error naming the file and the
// system's reason in English ("... : No space left on device"); a target that exists but is
// no regular file is refused the same way.
void writeFileAtomic(const QString& path, const QByteArray& bytes);

// The files only people read (the log copies and the data tables) are UTF-8 without a
// byte-order mark, which is what terminals, editors and other tools here expect. Atomic and
// throwing like writeFileAtomic.
void writeUtf8FileAtomic(const QString& path, const QString& text);

// Calls `each` with every line of `text`, split at CR LF, bare LF or bare CR, as a view into it.
template <class Each>
void forEachLine(QStringView text, Each&& each)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        each(text.sliced(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        each(text.sliced(start));
}

// Splits text at CR LF, bare LF or bare CR.
QStringList splitLines(const QString& text);

}  // namespace TextCodec
