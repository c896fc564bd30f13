// Qt's own buttons follow the interface language: a German question gets "Ja"/"Nein".
#include "TForm1.h"

#include "DrivenWindow.h"
#include "QtTranslations.h"
#include "TestFiles.h"

#include <QAbstractButton>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString yesText() { return QCoreApplication::translate("QPlatformTheme", "&Yes"); }

QString messageBoxButton(QMessageBox::StandardButton which)
{
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    return box.button(which)->text();
}

bool qtHas(const char* locale)
{
    return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_" + locale + ".qm");
}

// A language file as shipped but without the line that names Qt's translation, as one kept
// from an older version would be.
void copyWithoutQtLine(const QString& from, const QString& to)
{
    QFile in(from);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray out;
    for (const QByteArray& line : in.readAll().split('\n'))
        if (!line.startsWith("QtTranslation="))
            out += line + '\n';
    out.chop(1);
    writeBytes(to, out);
}

struct QtLanguage : ::testing::Test, WindowServices {
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        if (!qtHas("de") || !qtHas("ru"))
            GTEST_SKIP() << "Qt's German or Russian translation (qt6-translations-l10n) is not installed";
        for (const char* name : {"English.lng", "Russian.lng", "Deutsch.lng"})
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name));
        copyWithoutQtLine(dir.path() + "/Russian.lng", dir.path() + "/OldRussian.lng");
        copyWithoutQtLine(dir.path() + "/English.lng", dir.path() + "/Klingon.lng");
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
    }
    void TearDown() override { form.reset(); }

    void choose(const QString& language)
    {
        if (language == "English")
            form->English->click();
        else if (language == "Russian")
            form->Russian->click();
        else {
            form->OtherLang->setText(language);
            form->Other->click();
        }
    }
};

}  // namespace

// Each step switches the language at run time; Qt's buttons follow, also back to English, and
// a file without its own line is English unless it is one of ours by name.
TEST_F(QtLanguage, StandardButtonsSpeakTheChosenLanguage)
{
    struct Step {
        const char* language;
        const char* yes;
        const char* no;
    };
    const Step steps[] = {
        {"Deutsch", "&Ja", "&Nein"},
        {"Russian", "&Да", "&Нет"},
        {"English", "&Yes", "&No"},
        {"Deutsch", "&Ja", "&Nein"},
        {"Klingon", "&Yes", "&No"},      // a third language Qt is not told about
        {"Russian", "&Да", "&Нет"},
        {"OldRussian", "&Yes", "&No"},   // no line, and no name of ours
        {"Deutsch", "&Ja", "&Nein"},
        {"Deutsch", "&Ja", "&Nein"},     // chosen again: still in place
        {"English", "&Yes", "&No"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.language);
        choose(s.language);
        EXPECT_EQ(yesText(), QString::fromUtf8(s.yes));
        EXPECT_EQ(messageBoxButton(QMessageBox::Yes), QString::fromUtf8(s.yes));
        EXPECT_EQ(messageBoxButton(QMessageBox::No), QString::fromUtf8(s.no));
    }
}

// The locale comes from the file's own line, or from the name of a shipped file.
TEST(QtTranslationsLocale, FromTheFileOrTheShippedName)
{
    QTemporaryDir dir;
    writeBytes(dir.path() + "/Named.lng", "x\r\nQtTranslation=\"fr\"\r\n");
    writeBytes(dir.path() + "/Empty.lng", "x\r\nqttranslation=\"\"\r\n");
    writeBytes(dir.path() + "/Russian.lng", "x\r\n");
    writeBytes(dir.path() + "/Deutsch.lng", "x\r\n");
    writeBytes(dir.path() + "/Other.lng", "x\r\n");
    const struct {
        const char* name;
        const char* locale;
    } cases[] = {{"Named", "fr"}, {"Empty", ""}, {"Russian", "ru"}, {"Russian.lng", "ru"},
                 {"Deutsch", "de"}, {"Other", ""}};
    MessageTable texts(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        texts.LoadLng(c.name);
        EXPECT_EQ(QtTranslations::localeOf(texts, c.name), QString::fromLatin1(c.locale));
    }
}

// A translation that is not installed is no error: Qt's texts stay English, and one installed
// before is taken away.
TEST(QtTranslationsFiles, AMissingFileLeavesEnglish)
{
    QTemporaryDir empty;
    QtTranslations missing(empty.path());
    EXPECT_FALSE(missing.use("de"));
    EXPECT_EQ(missing.current(), QString());
    EXPECT_EQ(yesText(), "&Yes");
    if (!qtHas("de"))
        GTEST_SKIP() << "Qt's German translation is not installed";
    QtTranslations installed;
    EXPECT_TRUE(installed.use("de"));
    EXPECT_EQ(yesText(), "&Ja");
    EXPECT_FALSE(installed.use("xx"));
    EXPECT_EQ(installed.current(), QString());
    EXPECT_EQ(yesText(), "&Yes");
}
