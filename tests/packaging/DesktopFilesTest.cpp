#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMap>
#include <QMimeDatabase>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

// The desktop entry, the MIME types, the AppStream entry and the icon are four files that only
// work together: a desktop offers Fornaxel for a .prg only when all of them name the same types,
// the same application id and the same program.
namespace {

const QString kPackaging = FORNAXEL_SOURCE_DIR "/packaging";
const QString kAppId = "org.fornaxel.Fornaxel";
const QString kProgramType = "application/x-fornaxel-program";
const QString kKilnType = "application/x-fornaxel-kiln";

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The [Desktop Entry] group as key → value, localised keys ("Name[ru]") as they stand.
QMap<QString, QString> desktopEntry()
{
    QMap<QString, QString> entry;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(readFile(kPackaging + "/" + kAppId + ".desktop")).split('\n')) {
        if (line.startsWith('['))
            inGroup = line == "[Desktop Entry]";
        else if (const qsizetype eq = line.indexOf('='); inGroup && eq > 0)
            entry.insert(line.left(eq), line.mid(eq + 1));
    }
    return entry;
}

QStringList sorted(QStringList list)
{
    list.removeAll(QString());
    list.sort();
    return list;
}

// The texts of every element of that name in an XML file, in document order.
QStringList elementTexts(const QString& path, const QString& element)
{
    QStringList texts;
    QXmlStreamReader xml(readFile(path));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element)
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return texts;
}

QStringList mimeTypesDefined()
{
    QStringList types;
    QXmlStreamReader xml(readFile(kPackaging + "/fornaxel-mime.xml"));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("mime-type"))
            types << xml.attributes().value("type").toString();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return types;
}

TEST(DesktopFilesTest, AllNameTheSameTypesProgramAndId)
{
    const auto desktop = desktopEntry();
    const QString metainfo = kPackaging + "/" + kAppId + ".metainfo.xml";
    const QStringList types = sorted(mimeTypesDefined());
    struct Row {
        const char* what;
        QStringList actual;
        QStringList expected;
    };
    const Row rows[] = {
        {"the types the MIME file defines", types, sorted({kProgramType, kKilnType})},
        {"the desktop entry's MimeType", sorted(desktop.value("MimeType").split(';')), types},
        {"the AppStream entry's media types", sorted(elementTexts(metainfo, "mediatype")), types},
        {"the desktop entry's Exec", {desktop.value("Exec")}, {"fornaxel %F"}},
        {"the desktop entry's TryExec", {desktop.value("TryExec")}, {"fornaxel"}},
        {"the AppStream entry's binary", elementTexts(metainfo, "binary"), {"fornaxel"}},
        {"the desktop entry's Icon", {desktop.value("Icon")}, {kAppId}},
        {"the icon drawn for it", {QFile::exists(kPackaging + "/" + kAppId + ".svg") ? kAppId : ""}, {kAppId}},
        {"the AppStream id", elementTexts(metainfo, "id"), {kAppId}},
        {"the AppStream launchable", elementTexts(metainfo, "launchable"), {kAppId + ".desktop"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.actual.join(' ').toStdString(), row.expected.join(' ').toStdString()) << row.what;
}

TEST(DesktopFilesTest, MenuTextsComeInEveryShippedLanguage)
{
    const auto desktop = desktopEntry();
    for (const char* key : {"Name", "GenericName", "Comment", "Keywords"})
        for (const char* lang : {"", "[ru]", "[de]"}) {
            const QString localised = QString(key) + lang;
            EXPECT_FALSE(desktop.value(localised).trimmed().isEmpty()) << localised.toStdString();
        }
}

// Qt's MIME database reads the XML the way the desktop's does; it is pointed at this one only.
class MimeTypesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = new QTemporaryDir;
        QDir(root_->path()).mkpath("share/mime/packages");
        QDir(root_->path()).mkpath("home");
        QFile::copy(kPackaging + "/fornaxel-mime.xml", root_->filePath("share/mime/packages/fornaxel.xml"));
        // Read when the database is first used in this process, which is below.
        qputenv("XDG_DATA_DIRS", root_->filePath("share").toUtf8());
        qputenv("XDG_DATA_HOME", root_->filePath("home").toUtf8());
    }
    static void TearDownTestSuite()
    {
        delete root_;
        root_ = nullptr;
    }
    static inline QTemporaryDir* root_ = nullptr;
};

TEST_F(MimeTypesTest, FilesOfBothKindsAreKnownByTheirNames)
{
    struct Row {
        const char* file;
        QString type;  // empty: neither of ours
    };
    const Row rows[] = {
        {"Prog1.prg", kProgramType},
        {"Cone 04, medium.prg", kProgramType},
        {"GLAZE1050.PRG", kProgramType},  // names written on other systems may come in capitals
        {"Oven1.ovn", kKilnType},
        {"STUDIO.OVN", kKilnType},
        {"lastlog.txt", ""},
        {"Prog1.prg.bak", ""},
        {"term.ini", ""},
    };
    const QMimeDatabase db;
    for (const Row& row : rows) {
        const QString type = db.mimeTypeForFile(row.file, QMimeDatabase::MatchExtension).name();
        if (row.type.isEmpty())
            EXPECT_TRUE(type != kProgramType && type != kKilnType) << row.file << " taken for " << type.toStdString();
        else
            EXPECT_EQ(type.toStdString(), row.type.toStdString()) << row.file;
    }
}

TEST_F(MimeTypesTest, ShippedFilesAreKnownByNameAndContents)
{
    const QMimeDatabase db;
    const QString data = FORNAXEL_SOURCE_DIR "/data/";
    for (const auto& [folder, type] : {std::pair{"Prog", kProgramType}, std::pair{"Oven", kKilnType}}) {
        // Text, so that a file manager offers an editor for it too.
        EXPECT_TRUE(db.mimeTypeForName(type).inherits("text/plain")) << type.toStdString();
        const QStringList names = QDir(data + folder).entryList(QDir::Files);
        EXPECT_FALSE(names.isEmpty()) << folder;
        for (const QString& name : names)
            EXPECT_EQ(db.mimeTypeForFile(data + folder + "/" + name).name().toStdString(), type.toStdString())
                << name.toStdString();
    }
}

TEST_F(MimeTypesTest, TypesAreDescribedInEveryShippedLanguage)
{
    const QMimeDatabase db;
    const QLocale before;
    for (const QString& type : {kProgramType, kKilnType}) {
        QStringList comments;
        for (const char* locale : {"en_GB", "ru_RU", "de_DE"}) {
            QLocale::setDefault(QLocale(locale));
            comments << db.mimeTypeForName(type).comment();
        }
        comments.removeDuplicates();
        EXPECT_EQ(comments.size(), 3) << type.toStdString() << ": " << comments.join(" | ").toStdString();
    }
    QLocale::setDefault(before);
}

}  // namespace
