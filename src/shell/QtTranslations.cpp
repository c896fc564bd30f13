#include "QtTranslations.h"

#include "MessageTable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

QtTranslations::QtTranslations(QString folder)
    : folder_(folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : std::move(folder))
{
}

QtTranslations::~QtTranslations() { remove(); }

void QtTranslations::remove()
{
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
    current_.clear();
}

bool QtTranslations::use(const QString& locale)
{
    if (locale == current_ && (translator_ || locale.isEmpty()))
        return !locale.isEmpty();
    remove();
    if (locale.isEmpty())
        return false;
    auto translator = std::make_unique<QTranslator>();
    // A missing or unreadable file is no error: the buttons simply stay English.
    if (!translator->load("qtbase_" + locale, folder_))
        return false;
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
    current_ = locale;
    return true;
}

QString QtTranslations::localeOf(const MessageTable& texts, const QString& languageName)
{
    if (texts.has("QtTranslation"))
        return texts.LS("QtTranslation").trimmed();
    const QString base = QFileInfo(MessageTable::fileNameFor(languageName)).completeBaseName();
    if (base.compare("Russian", Qt::CaseInsensitive) == 0)
        return "ru";
    if (base.compare("Deutsch", Qt::CaseInsensitive) == 0 || base.compare("German", Qt::CaseInsensitive) == 0)
        return "de";
    return QString();
}
