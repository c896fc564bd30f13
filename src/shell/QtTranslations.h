#pragma once
#include <QString>
#include <memory>

class MessageTable;
class QTranslator;

// Qt's own texts (the buttons of message boxes and file dialogs, the context menus of edit
// fields) in the interface language: one translator of Qt's, swapped at every language change.
class QtTranslations {
public:
    // `folder` holds Qt's qtbase_*.qm files; by default Qt's own translations folder.
    explicit QtTranslations(QString folder = QString());
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // Puts Qt's translation for `locale` ("ru", "de") in place of the one before. An empty
    // locale, or one whose file is not installed, leaves Qt's texts in English: false then.
    bool use(const QString& locale);
    // The locale in force; empty while Qt speaks English.
    QString current() const { return current_; }

    // The locale a loaded language file asks for under "QtTranslation"; a file without that
    // line (one kept from an older version) gets the locale of the shipped file of its name.
    static QString localeOf(const MessageTable& texts, const QString& languageName);

private:
    void remove();

    QString folder_;
    QString current_;
    std::unique_ptr<QTranslator> translator_;
};
