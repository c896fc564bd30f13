// Draws the Work tab of a firing on the simulated kiln into a PNG, for the README. The real
// window on the real platform plugin, driven cycle by cycle as the end-to-end tests drive it,
// so that hours of firing take seconds. Run it under Xvfb, for example:
//   xvfb-run -a env QT_QPA_PLATFORM=xcb FORNAXEL_PALETTE=dark build/tests/window/window_screenshot
//     build/Fornaxel docs/screenshots/work-dark.png English 7200 -style Fusion   (one line)
// Arguments: program folder (copied, never changed), picture, language, cycles of 2 s; the
// environment's FORNAXEL_SHOT_TAB names another tab to show, e.g. TabOptions or, inside it,
// TabRegulator; FORNAXEL_SHOT_PRESS names a button to press before the picture, e.g. OvenModel.
#include "TestFiles.h"
#include "TForm1.h"

#include "DrivenWindow.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

// Brings a tab to the front, and every tab that holds it: a tab's page sits in the tab widget's
// stack, so its tab widget is its grandparent.
static void showTab(QWidget* tab)
{
    for (QWidget* w = tab; w && w->parentWidget(); w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget()->parentWidget()); tabs && tabs->indexOf(w) >= 0)
            tabs->setCurrentWidget(w);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s program-folder picture.png [language] [cycles]\n", argv[0]);
        return 2;
    }
    QTemporaryDir folder;
    if (!folder.isValid() || !copyFolder(args[1], folder.path())) {
        std::fprintf(stderr, "cannot copy the program folder %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString language = args.size() > 3 ? args[3] : "English";
    const int cycles = args.size() > 4 ? args[4].toInt() : 7200;

    WindowServices services;
    services.random.fallback = -1;
    services.clock.value = 46000 + 20.0 / 24;  // an evening start, 20:00
    TForm1 form(services.app(folder.path()));
    form.show();
    restoreWithoutTimers(form);
    form.LangSet(language);
    form.PageControl1->setCurrentWidget(form.TabWork);
    for (int i = 0; i < 5; ++i)
        form.InterfaceTimerTimer();
    form.StartButtonClick();
    for (int i = 0; i < cycles; ++i) {
        services.clock.advance(2);
        form.InterfaceTimerTimer();
        if (i % 200 == 0)
            QApplication::processEvents();
    }
    // Another tab than Work, by its object name (TabOptions, TabHistory, TabRegulator, ...).
    if (auto* tab = form.findChild<QWidget*>(qEnvironmentVariable("FORNAXEL_SHOT_TAB")))
        showTab(tab);
    if (auto* button = form.findChild<QPushButton*>(qEnvironmentVariable("FORNAXEL_SHOT_PRESS")))
        button->click();
    QApplication::processEvents();
    if (!form.grab().save(args[2])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    form.closeUnattended();
    return 0;
}
