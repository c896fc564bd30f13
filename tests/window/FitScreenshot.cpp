// Draws the README's pictures of the fit and tune dialogs: a glaze firing of the emulator's
// richer kiln (not the program's own model, so the fit has something to find) is put into the
// history, fitted, applied, and the regulator tuned for the same program on the fitted model.
// Run it under Xvfb, for example:
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/tests/window/fit_screenshot data
//     docs/screenshots/kiln-fit.png docs/screenshots/kiln-tune.png English -style Fusion   (one line)
// Arguments: program folder (copied, never changed), the two pictures, language.
#include "TestFiles.h"
#include "TForm1.h"

#include "DrivenWindow.h"
#include "EmulatorFiring.h"
#include "FitDialog.h"
#include "HistoryStore.h"
#include "TuneDialog.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

namespace {

const char* kProgram = "Glaze1050";

void recordFiring(const QString& path, const std::vector<FiredCycle>& cycles)
{
    HistoryStore store(path, "screenshot-writer");
    store.openForWriting(nullptr);
    FiringFacts facts;
    facts.program = QString(kProgram) + ".prg";
    facts.kilnFile = "Oven1.ovn";
    facts.unit = TemperatureScale::unitText(0);
    FiringFigures figures;
    figures.startWall = QDateTime(QDate(2026, 11, 14), QTime(7, 30));
    figures.seconds = cycles.empty() ? 0 : cycles.back().seconds;
    std::vector<CurvePoint> curve;
    for (const FiredCycle& c : cycles) {
        CurvePoint p;
        p.seconds = c.seconds;
        p.kiln = c.kiln;
        p.setPoint = c.setPoint;
        p.power = c.power;
        p.outside = c.outside;
        curve.push_back(p);
        figures.peak = std::max(figures.peak, c.kiln);
    }
    const qint64 id = store.begin(facts, figures);
    store.appendCurve(id, curve);
    store.update(id, figures, Outcome::Finished, QString());
}

bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(300000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents();
        QThread::msleep(20);
    }
    QApplication::processEvents();
    return true;
}

bool save(QWidget* w, const QString& path)
{
    w->resize(780, 640);
    QApplication::processEvents();
    QThread::msleep(100);
    QApplication::processEvents();
    if (w->grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s program-folder fit.png tune.png [language]\n", argv[0]);
        return 2;
    }
    QTemporaryDir folder;
    if (!folder.isValid() || !copyFolder(args[1], folder.path())) {
        std::fprintf(stderr, "cannot copy the program folder %s\n", qPrintable(args[1]));
        return 1;
    }
    const QString language = args.size() > 4 ? args[4] : "English";

    // The shipped kiln's regulator, as Oven1.ovn gives it.
    const PidFactors shipped{10, 0.01, 200, 1};
    const auto kiln = MakeShippedKiln();
    FiringOptions options;
    options.coolMinutes = 360;
    const std::vector<FiredCycle> cycles = FireAgainst(*kiln, ShippedProgram(kProgram), shipped, options);
    QDir().mkpath(folder.path() + "/Data");
    recordFiring(folder.path() + "/Data/firings.sqlite", cycles);

    WindowServices services;
    TForm1 form(services.app(folder.path()));
    form.show();
    restoreWithoutTimers(form);
    form.LangSet(language);
    form.ovenFile->Load(folder.path() + "/Oven/Oven1.ovn");
    form.programFile->Load(folder.path() + "/Prog/" + kProgram + ".prg");
    form.PageControl1->setCurrentWidget(form.TabOven);

    form.FitButtonClick();
    auto* fit = form.findChild<FitDialog*>();
    fit->firings->setCurrentItem(fit->firings->topLevelItem(1));
    fit->startFit();
    if (!waitUntil([&] { return !fit->busy(); }))
        return 1;
    const FitResult& r = fit->outcome().result;
    std::printf("fit: verdict %d, P %.5g I %.5g R %.5g, rms %.2f, worst %.2f, %d evaluations\n", int(r.verdict),
                r.after.p, r.after.i, r.after.r, r.rms, r.worst, r.evaluations);
    if (!save(fit, args[2]))
        return 1;
    fit->apply->click();

    form.TuneButtonClick();
    auto* tune = form.findChild<TuneDialog*>();
    if (!waitUntil([&] { return tune->done(); }))
        return 1;
    const TuneResult& t = tune->outcome().result;
    std::printf("tune: P %.4g I %.4g D %.4g corr %d, ramp %.1f -> %.1f, overshoot %.1f -> %.1f\n", t.after.p, t.after.i,
                t.after.d, t.after.corr, t.beforeFigures.worstRampError, t.afterFigures.worstRampError,
                t.beforeFigures.worstOvershoot, t.afterFigures.worstOvershoot);
    if (!save(tune, args[3]))
        return 1;
    tune->closeButton->click();
    form.closeUnattended();
    return 0;
}
