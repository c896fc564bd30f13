#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// The system's reason in English whatever the locale, so that a report reads the same on
// every machine and a caller can recognise it ("No space left on device").
QString systemError(int code)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const char* text = cLocale ? strerror_l(code, cLocale) : nullptr;
    return text ? QString::fromLocal8Bit(text) : QString("error %1").arg(code);
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a regular file";
}

QString notAFile(mode_t mode) { return "not a file but " + kindOf(mode); }

// A file descriptor closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Closes now, reporting what close reports (a delayed write error on some file systems).
    int release()
    {
        const int r = ::close(fd);
        fd = -1;
        return r;
    }
};

// Reads up to `limit` bytes; -1 with errno set on an error.
qint64 readUpTo(int fd, QByteArray& bytes, qint64 limit)
{
    bytes.clear();
    char buffer[65536];
    while (bytes.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::size_t(std::min<qint64>(sizeof buffer, limit - bytes.size())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes.size();
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, std::size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

// The folder's entry of a renamed file reaches the disk too; a folder that refuses is no
// failure of the file.
void syncFolder(const QByteArray& folder)
{
    Descriptor d{::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (d.fd >= 0)
        ::fsync(d.fd);
}

}  // namespace

bool readFile(const QString& path, QString& text, TextEncoding* detected, QString* error)
{
    text.clear();
    const auto failed = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    // A FIFO or a device is never opened: opening one can block for good or have effects.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return failed(systemError(errno));
    if (!S_ISREG(st.st_mode))
        return failed(notAFile(st.st_mode));
    Descriptor d{::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (d.fd < 0)
        return failed(systemError(errno));
    if (::fstat(d.fd, &st) != 0)  // what was opened, should the name have changed meanwhile
        return failed(systemError(errno));
    if (!S_ISREG(st.st_mode))
        return failed(notAFile(st.st_mode));
    // Every file the program reads is far smaller; a runaway one must not take its memory.
    const QString tooLarge = QString("the file is larger than %1 MiB").arg(kMaxFileBytes / (1024 * 1024));
    if (st.st_size > kMaxFileBytes)
        return failed(tooLarge);
    QByteArray bytes;
    if (readUpTo(d.fd, bytes, kMaxFileBytes + 1) < 0)
        return failed(systemError(errno));
    if (bytes.size() > kMaxFileBytes)
        return failed(tooLarge);  // it grew while being read
    text = decode(bytes, detected);
    return true;
}

// Written to a new file beside the old one, which replaces it only once every byte is known
// to be on the disk: a write, a flush or a close that fails (a full disk) leaves the old
// file as it was. QSaveFile is not used: it can miss a failed final flush of its buffer.
void writeFileAtomic(const QString& path, const QByteArray& bytes)
{
    const auto fail = [&path](const QString& why) {
        throw std::runtime_error(QString("Cannot write the file %1: %2").arg(path, why).toStdString());
    };
    const QFileInfo info(path);
    // Through a link, the file it names is replaced, not the link.
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old {};
    const bool exists = ::stat(targetName.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        fail(notAFile(old.st_mode));

    static std::atomic<unsigned> serial{0};
    const QFileInfo targetInfo(target);
    const QByteArray folder = QFile::encodeName(targetInfo.absolutePath());
    const QByteArray temp = QFile::encodeName(targetInfo.absolutePath() + "/." + targetInfo.fileName() + ".new-" +
                                              QString::number(::getpid()) + "-" + QString::number(serial++));
    // Without a name until it is complete, where the file system allows: a crash then leaves
    // nothing beside the target.
    Descriptor d{::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)};
    bool named = false;
    if (d.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        d.fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        named = d.fd >= 0;
    }
    if (d.fd < 0)
        fail(systemError(errno));
    const auto failAndRemove = [&](const QString& why) {
        if (named)
            ::unlink(temp.constData());
        fail(why);
    };
    if (exists)
        (void)::fchmod(d.fd, old.st_mode & 07777);  // the old file's permissions stay
    if (!writeAll(d.fd, bytes) || ::fsync(d.fd) != 0)
        failAndRemove(systemError(errno));
    struct stat written {};
    if (::fstat(d.fd, &written) != 0)
        failAndRemove(systemError(errno));
    if (written.st_size != bytes.size())
        failAndRemove(QString("only %1 of %2 bytes reached the disk").arg(written.st_size).arg(bytes.size()));
    if (!named) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(d.fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0 &&
            ::linkat(d.fd, "", AT_FDCWD, temp.constData(), AT_EMPTY_PATH) != 0)
            failAndRemove(systemError(errno));
        named = true;
    }
    if (d.release() != 0)
        failAndRemove(systemError(errno));
    if (::rename(temp.constData(), targetName.constData()) != 0)
        failAndRemove(systemError(errno));
    syncFolder(folder);
}

void writeUtf8FileAtomic(const QString& path, const QString& text) { writeFileAtomic(path, text.toUtf8()); }

QStringList splitLines(const QString& text)
{
    QStringList lines;
    forEachLine(text, [&](QStringView line) { lines << line.toString(); });
    return lines;
}

}  // namespace TextCodec
