// Draws the History tab comparing two firings of the shipped program on the simulated kiln,
// the second with its heater gain down by a fifth, into a PNG for the README. Run it under
// Xvfb, for example:
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/tests/window/history_screenshot
//     build/Fornaxel docs/screenshots/history.png English -style Fusion   (one line)
// Arguments: program folder (copied, never changed), picture, language.
#include "TestFiles.h"
#include "TForm1.h"

#include "DrivenWindow.h"
#include "HistoryPage.h"
#include "HistoryRecorder.h"
#include "HistoryStore.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The shipped program to its end, then a few hours of cooling.
void fire(TForm1& form, WindowServices& services)
{
    for (int i = 0; i < 5; ++i)
        form.InterfaceTimerTimer();
    form.StartButtonClick();
    for (int i = 0; i < 30000 && form.state.ProgState != Finished && form.state.ProgState != BreakDown; ++i) {
        services.clock.advance(2);
        form.InterfaceTimerTimer();
        if (i % 500 == 0)
            QApplication::processEvents();
    }
    for (int i = 0; i < 3600; ++i) {
        services.clock.advance(2);
        form.InterfaceTimerTimer();
    }
    // Cool to the room for the next firing.
    services.clock.advance(86400);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s program-folder picture.png [language]\n", argv[0]);
        return 2;
    }
    QTemporaryDir folder;
    if (!folder.isValid() || !copyFolder(args[1], folder.path())) {
        std::fprintf(stderr, "cannot copy the program folder %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString language = args.size() > 3 ? args[3] : "English";
    WindowServices services;
    services.random.fallback = -1;
    services.clock.value = 46000 + 8.0 / 24;
    {
        TForm1 form(services.app(folder.path()));
        restoreWithoutTimers(form);
        fire(form, services);
        form.closeUnattended();
    }
    TForm1 form(services.app(folder.path()));
    form.show();
    restoreWithoutTimers(form);
    form.LangSet(language);
    // Elements that have lost a fifth of their power.
    form.MODEL_P->setText(QString::number(form.MODEL_P->text().replace(',', '.').toDouble() * 0.8));
    fire(form, services);
    form.history->flush();
    form.PageControl1->setCurrentWidget(form.TabHistory);
    QApplication::processEvents();
    form.TabHistory->reload();
    form.TabHistory->table->selectAll();
    HistoryStore store(folder.path() + "/Data/firings.sqlite", "screenshot");
    store.openForReading();
    for (const FiringSummary& f : store.list())
        std::printf("firing %lld: %s, model P %s, peak %.1f, %.0f s, %s\n", f.id, qPrintable(f.figures.startKiln.toString(Qt::ISODate)),
                    qPrintable(f.facts.modelP), f.figures.peak, f.figures.seconds,
                    f.figures.heatingRate ? qPrintable(QString::number(*f.figures.heatingRate, 'f', 1)) : "no rate");
    QApplication::processEvents();
    if (!form.grab().save(args[2])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    form.closeUnattended();
    return 0;
}
