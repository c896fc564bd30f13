#pragma once
#include "Services.h"

#include <QString>

// What a file dialog is opened with. The window owns one per dialog and fills it from the
// language; the file classes open their dialogs with it. A filter is
// "Description|*.ext|Other|*.x".
struct FileDialogSpec {
    QString filter;
    QString title;
    QString defaultExt;

    // The chosen file, or empty when cancelled.
    QString open(Dialogs& dialogs, const QString& folder, const QString& fileName) const
    {
        return dialogs.openFile(title, filter, defaultExt, folder, fileName);
    }
    QString save(Dialogs& dialogs, const QString& folder, const QString& fileName) const
    {
        return dialogs.saveFile(title, filter, defaultExt, folder, fileName);
    }
};
