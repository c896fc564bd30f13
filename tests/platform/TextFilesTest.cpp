#include "IniFile.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(TextCodec, DetectsBomUtf8AndWindows1251)
{
    TextEncoding e{};
    EXPECT_EQ(TextCodec::decode(QByteArray("\xEF\xBB\xBFK=\xD0\x9F", 7), &e), QString::fromUtf8("K=П"));
    EXPECT_EQ(e, TextEncoding::Utf8Bom);
    EXPECT_EQ(TextCodec::decode(QByteArray("\xD0\x9F"), &e), QString::fromUtf8("П"));
    EXPECT_EQ(e, TextEncoding::Utf8);
    EXPECT_EQ(TextCodec::decode(QByteArray("\xCF\xF0\xE8"), &e), QString::fromUtf8("При"));
    EXPECT_EQ(e, TextEncoding::Windows1251);
    // Writing: Windows-1251 when it fits, UTF-8 otherwise, the BOM kept.
    EXPECT_EQ(TextCodec::encode(QString::fromUtf8("При °C")), QByteArray("\xCF\xF0\xE8 \xB0" "C"));
    EXPECT_EQ(TextCodec::encode(QString::fromUtf8("Ω")), QByteArray("\xCE\xA9"));
    EXPECT_EQ(TextCodec::encode("a", TextEncoding::Utf8Bom), QByteArray("\xEF\xBB\xBF" "a"));
}

TEST(TextCodec, ReadsOnlyRegularFilesOfAFewMegabytes)
{
    QTemporaryDir dir;
    const QString fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    {
        QFile big(dir.path() + "/big");  // sparse: no disk taken
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(TextCodec::kMaxFileBytes + 1));
    }
    const struct {
        QString path;
        const char* error;
    } cases[] = {
        {fifo, "not a file but a FIFO"},
        {"/dev/zero", "not a file but a device"},
        {dir.path(), "not a file but a folder"},
        {dir.path() + "/big", "the file is larger than 64 MiB"},
        {dir.path() + "/missing", "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString text = "old", error;
        EXPECT_FALSE(TextCodec::readFile(c.path, text, nullptr, &error));
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(error, c.error);
        // An INI file reads a missing file as empty and names every other failure.
        IniFile ini;
        ini.writeString("S", "k", "v");
        const QString missing = c.path.endsWith("/missing") ? "" : "Cannot read the file " + c.path + ": " + c.error;
        try {
            EXPECT_FALSE(ini.load(c.path));
            EXPECT_EQ(missing, "");
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), missing);
        }
        EXPECT_FALSE(ini.hasKey("S", "k"));
    }
}

TEST(TextCodec, AtomicWriteReplacesOnlyRegularFilesAndKeepsTheirPermissions)
{
    QTemporaryDir dir;
    const QString fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QDir().mkpath(dir.path() + "/folder");
    const struct {
        QString path;
        const char* error;
    } refused[] = {
        {dir.path() + "/missing/x.txt", "No such file or directory"},
        {fifo, "not a file but a FIFO"},
        {dir.path() + "/folder", "not a file but a folder"},
    };
    for (const auto& c : refused) {
        try {
            TextCodec::writeFileAtomic(c.path, "x");
            ADD_FAILURE() << "written: " << c.path.toStdString();
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), "Cannot write the file " + c.path + ": " + c.error);
        }
    }
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo(dir.path() + "/folder").isDir());

    const QString file = dir.path() + "/x.txt", link = dir.path() + "/link.txt";
    TextCodec::writeFileAtomic(file, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(file, link));
    TextCodec::writeFileAtomic(link, "new");  // through the link, into the file it names
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(file), "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);  // no leftovers
}

TEST(IniFile, KeepsOrderUnknownKeysAndQuotesBlankEdges)
{
    IniFile ini(IniFile::Quoting::Program);
    ini.loadFromText("[Other]\r\nx=1\r\n[TForm1]\r\n; note\r\nKeep = me \r\nOut1=\"A   \"\r\n");
    EXPECT_EQ(ini.readString("tform1", "OUT1", ""), "A   ");
    EXPECT_EQ(ini.readString("TForm1", "Keep", ""), "me");
    ini.writeString("TForm1", "Sound1", " ");
    ini.writeString("TForm1", "Keep", "\"q\"");
    EXPECT_EQ(ini.toText(), "[Other]\r\nx=1\r\n\r\n[TForm1]\r\n; note\r\nKeep=\"\"q\"\"\r\nOut1=\"A   \"\r\nSound1=\" \"\r\n\r\n");
    IniFile back(IniFile::Quoting::Program);
    back.loadFromText(ini.toText());
    EXPECT_EQ(back.readString("TForm1", "Keep", ""), "\"q\"");
    EXPECT_EQ(back.readString("TForm1", "Sound1", ""), " ");

    // Any white space the reader would trim is kept by quotes: a tab, a no-break space.
    for (const QString& value : {QString("\tA"), QString("B\t"), QString(QChar(0xA0)), QString("C") + QChar(0x2003)}) {
        IniFile one(IniFile::Quoting::Program);
        one.writeString("TForm1", "Out1", value);
        IniFile read(IniFile::Quoting::Program);
        read.loadFromText(one.toText());
        EXPECT_EQ(read.readString("TForm1", "Out1", "missing"), value) << value.toStdString();
    }
}

TEST(IniFile, NumbersAndBooleans)
{
    IniFile ini;
    ini.loadFromText("[TForm1]\nA=12\nB=\nC=1.5\nT=yes\nF=n\nN=0\nX=maybe\n");
    EXPECT_EQ(ini.readInteger("TForm1", "A", 0), 12);
    EXPECT_EQ(ini.readInteger("TForm1", "B", 5), 0);
    EXPECT_EQ(ini.readInteger("TForm1", "Missing", 5), 5);
    EXPECT_THROW(ini.readInteger("TForm1", "C", 0), std::runtime_error);
    EXPECT_TRUE(ini.readBool("TForm1", "T", false));
    EXPECT_FALSE(ini.readBool("TForm1", "F", true));
    EXPECT_FALSE(ini.readBool("TForm1", "N", true));
    EXPECT_THROW(ini.readBool("TForm1", "X", true), std::runtime_error);
    try {
        ini.readInteger("TForm1", "C", 0);
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString(e.what()).contains("'1.5'"));
    }
    // A control character of a damaged file is shown, not taken for the end of the text.
    ini.loadFromText(QString("[TForm1]\nZ=1") + QChar(0) + "\x1B\n");
    for (const bool boolean : {false, true}) {
        try {
            boolean ? (void)ini.readBool("TForm1", "Z", false) : (void)ini.readInteger("TForm1", "Z", 0);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString(e.what()).startsWith("'1\\x00\\x1B' is not a valid ")) << e.what();
            EXPECT_TRUE(QString(e.what()).endsWith(" (key Z)")) << e.what();
        }
    }
}

TEST(IniFile, FirstOccurrenceOfANameWinsInAnyCase)
{
    IniFile ini;
    ini.loadFromText(QString::fromUtf8("[Prog]\r\nTemp1=10\r\nTEMP1=20\r\nb=2\r\nКлюч=к\r\n[prog]\r\nc=3\r\nTemp1=30\r\n"));
    struct Case {
        const char* section;
        const char* key;
        const char* value;  // "-" for missing
    };
    const Case reads[] = {
        {"PROG", "temp1", "10"},
        {"prog", "B", "2"},
        {"prog", "КЛЮЧ", "к"},
        {"Prog", "c", "-"},  // only in the repeated section, which is never read
        {"Other", "b", "-"},
    };
    for (const Case& c : reads)
        EXPECT_EQ(ini.readString(c.section, QString::fromUtf8(c.key), "-"), QString::fromUtf8(c.value))
            << c.section << "/" << c.key;
    ini.writeString("pROG", "tEMP1", "11");
    ini.writeString("PROG", "New", "n");
    ini.writeString("Other", "k", "v");
    EXPECT_EQ(ini.toText(), QString::fromUtf8("[Prog]\r\nTemp1=11\r\nTEMP1=20\r\nb=2\r\nКлюч=к\r\nNew=n\r\n\r\n"
                                              "[prog]\r\nc=3\r\nTemp1=30\r\n\r\n[Other]\r\nk=v\r\n\r\n"));
    // Keys added one by one stay found, whatever the case they are asked in.
    for (int n = 1; n <= 300; ++n)
        ini.writeInteger("Other", "Key" + QString::number(n), n);
    for (int n = 1; n <= 300; ++n)
        ASSERT_EQ(ini.readInteger("OTHER", "kEY" + QString::number(n), 0), n);
    EXPECT_EQ(ini.readString("other", "K", ""), "v");
}
