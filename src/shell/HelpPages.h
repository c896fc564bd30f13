#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QString>

class QTextBrowser;

// The help pages of the current language in the help viewer: the folder Help/<HelpFolder>
// of the program folder (or of the shared folder, page by page), where HelpFolder is the
// language's own text for it.
class HelpPages {
public:
    static inline const QString kStartPage = "Help.htm";
    static inline const QString kHardwarePage = "Hardware.htm";
    static inline const QString kMaterialsPage = "Materials.htm";

    HelpPages(const KilnState& state, const MessageSource& texts, QTextBrowser* viewer);

    QString Folder() const;
    // The file of a page: the program folder's, else the shared folder's.
    QString PageFile(const QString& page) const;
    // Shows a page of the folder; a missing one shows its name on an otherwise empty page.
    void Show(const QString& page);
    void Back();
    void Forward();

private:
    const KilnState& state_;
    const MessageSource& texts_;
    QTextBrowser* viewer_;
};
