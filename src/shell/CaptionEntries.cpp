#include "CaptionEntries.h"

#include "MessageTable.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QSet>
#include <QTabWidget>

namespace {

// A tab sheet takes its caption as the tab's text.
bool captionTab(QWidget* w, const QString& caption)
{
    auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr);
    const int index = tabs ? tabs->indexOf(w) : -1;
    if (index < 0)
        return false;
    tabs->setTabText(index, caption);
    return true;
}

void caption(QWidget* w, QString text)
{
    text.replace("\r\n", "\n");
    if (captionTab(w, text))
        return;
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
    else if (auto* panel = qobject_cast<Panel*>(w); panel && panel->label() && panel->label()->objectName().isEmpty())
        panel->setCaption(text);  // an indicator's named label carries its own entry
}

}  // namespace

void ApplyCaptionEntries(QWidget* root, const MessageTable& texts)
{
    QHash<QString, QWidget*> byName;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !byName.contains(w->objectName().toLower()))
            byName.insert(w->objectName().toLower(), w);
    // A control's first entry gives its caption: later lines of the same name change nothing.
    QSet<const QWidget*> captioned;
    for (const QString& line : texts.lines()) {
        const QString name = MessageTable::lineName(line);
        QWidget* w = byName.value(name.toLower());
        if (w && !captioned.contains(w)) {
            captioned.insert(w);
            caption(w, texts.LS(name));
        }
    }
}
