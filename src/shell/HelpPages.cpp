#include "HelpPages.h"

#include "ProgramFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

HelpPages::HelpPages(const KilnState& state, const MessageSource& texts, QTextBrowser* viewer)
    : state_(state), texts_(texts), viewer_(viewer)
{
}

QString HelpPages::Folder() const { return state_.AppFolder + "/Help/" + texts_.LS("HelpFolder"); }

// Page by page: the operator's own copy of a page wins over the shipped one.
QString HelpPages::PageFile(const QString& page) const
{
    return ProgramFolders::readable(state_.AppFolder, state_.SharedFolder, "Help/" + texts_.LS("HelpFolder") + "/" + page);
}

void HelpPages::Show(const QString& page)
{
    const QString file = PageFile(page);
    if (QFileInfo(file).isFile())
        viewer_->setSource(QUrl::fromLocalFile(file));
    else
        viewer_->setHtml("<p>" + QDir::toNativeSeparators(file).toHtmlEscaped() + "</p>");
}

// The viewer keeps its own history; at either end these do nothing.
void HelpPages::Back() { viewer_->backward(); }
void HelpPages::Forward() { viewer_->forward(); }
