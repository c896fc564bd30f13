// Every shipped language file holds every message key the program looks up and a caption for
// every captioned control of the window.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "MessageTable.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The keys the sources look up: LS("…"), TLogLS("…", …), the supervisor's breakDown("…", …),
// the window's dialog texts text("…", …) and the executor's state table {"…", Colors::…}.
QSet<QString> keysInSources()
{
    static const QRegularExpression use(
        R"re((?:\bLS|TLogLS|breakDown|\btext)\("([A-Za-z][A-Za-z0-9_]*)"|\{"([A-Za-z][A-Za-z0-9_]*)", Colors::)re");
    QSet<QString> keys;
    QDirIterator it(QString(FORNAXEL_SOURCE_DIR) + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (const QRegularExpressionMatch& m : use.globalMatch(text))
            keys.insert(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
    }
    return keys;
}

bool captioned(const QWidget* w)
{
    // Parts of Qt's own widgets (tab bar scroll buttons, the arrows of a spin button) are
    // not the window's controls.
    if (w->objectName().front().isLower() || qobject_cast<const QTabBar*>(w->parentWidget()))
        return false;
    if (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
        qobject_cast<const QGroupBox*>(w) || qobject_cast<const Panel*>(w))
        return true;
    const auto* tabs = w->parentWidget() ? qobject_cast<const QTabWidget*>(w->parentWidget()->parentWidget()) : nullptr;
    return tabs && tabs->indexOf(const_cast<QWidget*>(w)) >= 0;
}

QStringList shippedLanguages()
{
    QStringList names;
    for (const QFileInfo& f : QDir(FORNAXEL_DATA_DIR).entryInfoList({"*.lng"}, QDir::Files, QDir::Name))
        names << f.completeBaseName();
    return names;
}

}  // namespace

TEST(LanguageFiles, EveryKeyAndEveryCaptionedControlHasAnEntry)
{
    QTemporaryDir dir;
    WindowServices services;
    TForm1 form(services.app(dir.path()));
    QStringList controls;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && captioned(w))
            controls << w->objectName();
    const QSet<QString> keys = keysInSources();
    ASSERT_GT(keys.size(), 50);
    ASSERT_GE(shippedLanguages().size(), 2);
    for (const QString& language : shippedLanguages()) {
        MessageTable table;
        table.setFolder(FORNAXEL_DATA_DIR);
        table.LoadLng(language);
        QSet<QString> names;
        for (const QString& line : table.lines())
            names.insert(MessageTable::lineName(line).toLower());
        QStringList missing;
        for (const QString& key : keys)
            if (!names.contains(key.toLower()))
                missing << key;
        for (const QString& control : controls)
            if (!names.contains(control.toLower()))
                missing << control;
        missing.sort();
        EXPECT_TRUE(missing.isEmpty()) << language.toStdString() << " lacks: " << missing.join(", ").toStdString();
    }
}
