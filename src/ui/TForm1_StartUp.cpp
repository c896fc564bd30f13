// Creation, start-up restore, language switching, the timers' handlers and the close.
#include "TForm1.h"

#include "AppInfo.h"
#include "CaptionEntries.h"
#include "Pid.h"
#include "TextCodec.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <exception>
#include <stdexcept>
#include <qcustomplot.h>
#include <utility>

namespace {
const QString kSection = "TForm1";
}

// A folder given by the caller wins; without one, this executable's folders.
ProgramFolders TForm1::foldersFor(const AppServices& services)
{
    if (services.folders)
        return services.appFolder.isEmpty() ? *services.folders : services.folders->withProgramFolder(services.appFolder);
    return services.appFolder.isEmpty() ? ProgramFolders::forThisProgram() : ProgramFolders::portableAt(services.appFolder);
}

void TForm1::FormCreate()
{
    SettingsApplied = false;
    GetAppInfo(state);
    state.AppFolder = folders_.programFolder();
    state.SharedFolder = folders_.portable() ? QString() : folders_.sharedFolder();
    texts.setFolder(state.AppFolder, state.SharedFolder);
    firingState->setDataFolder(state.AppFolder + "/Data");
    keepLastLogOfUncleanEnd();
    try {
        settings.load(state.AppFolder + "/term.ini");
    } catch (const std::exception& e) {  // the defaults then, and the operator told why
        services_.dialogs.showError(QString::fromUtf8(e.what()));
    }
    texts.LangInit();
    link->Hard_init();
    PidReset(state.Pid);
    simulator->ModelInit();
    cycle->InitState();  // clock, hand-over flags and the device records (after the model)
    faults->ShutdownCountdown = 30;
    regulator->PowerRegulationClick();
    // Nothing may be started before the first cycle with data: without a connection the
    // link is never supervised. The control cycle enables Start from then on.
    StartButton->setEnabled(false);
}

QString TForm1::DeviceNameStr() const { return state.deviceName(); }

// Start-up, once the window is shown: the placement, the stored control values (a value that
// fails stops that list silently), then the steps that bring the device, the port, the
// program and the kiln into force and start the timers.
void TForm1::FormStorage1RestorePlacement()
{
    if (storedFormVersionUsable()) {
        restoreWindowPlacement();
        applyStoredControls();
    }
    state.Temps.TempScale = std::max(0, Scale->itemIndex());
    LangCorr();
    channels->ReadCalibrationTemp(settings.readString(kSection, "TCAL", "100"));
    state.PolThreshold = storedNumber("POL", 5);
    const SimulatorTiming timing = SimulatorTiming::read(SIM_SPEED);
    state.SimSpeed = timing.SimSpeed;
    state.SimStep = 2.0 / 86400;
    state.InterfaceMode = InterfaceType->isChecked() ? 0 : 1;
    readCalibrationAtStart();
    faults->Caption = "Fornaxel - " + DeviceNameStr();
    setWindowTitle(faults->Caption);
    log->TLogStart();
    logKeptLastLog();
    restorePort();
    if (state.simulated()) {
        HardwareTimer->setInterval(timing.HardwareInterval);
        InterfaceTimer->setInterval(timing.InterfaceInterval);
        cyclePacer.setInterval(SimulatorTiming::kControllerInterfaceMs / 1000.0 / timing.SimSpeed);
    } else {
        HardwareTimer->setInterval(SimulatorTiming::kControllerHardwareMs);
        InterfaceTimer->setInterval(SimulatorTiming::kControllerInterfaceMs);
    }
    const QString programName = settings.readString(kSection, "PROGRAM", state.AppFolder + "/Prog/Prog1.prg");
    try {
        programFile->SetFileName(programName);
        programFile->Load(programName);
    } catch (const std::exception& e) {
        services_.dialogs.showError(QString::fromUtf8(e.what()));
    }
    editor->SetProgChanged(false);
    executor->Prog_init();
    const QString ovenName = settings.readString(kSection, "OVEN", state.AppFolder + "/Oven/Oven1.ovn");
    ovenFile->SetFileName(ovenName);
    ovenFile->LoadAtStartUp(ovenName);
    log->TLogX("PID: P=" + PID_P->text() + "; I=" + PID_I->text() + "; D=" + PID_D->text());
    if (state.simulated())
        log->TLogLS("LogModel", ": P=" + MODEL_P->text() + "; R=" + MODEL_R->text() + "; I=" + MODEL_I->text());
    startTimers();
    for (QCheckBox* box : {CheckBox1, CheckBox6, CheckBox7, CheckBox12, CheckBox13, CheckBox15, CheckBox16, CheckBox17,
                           CheckBox18, CheckBox19, CheckBox20, CheckBox21})
        chart->SetSeriesVisible(tagOf(box), box->isChecked());
    for (Panel* panel : {Panel15, Panel16, Panel17, Panel18, Panel19, Panel20, Panel21, Panel22, Panel23, Panel24,
                         Panel25, Panel26, Panel27, Panel28, Panel29, Panel30})
        chart->ApplyPanelColor(panel);
    chart->Redraw();
    fillTypeTable();
    showVisibleTab(settings.readInteger(kSection, "PageControl1_TabIndex", 0));
    previews->DrawTestProgram();
    ovenFile->SetOvenChanged(false);
    startLivePage();
    SettingsApplied = true;
}

// Before this run writes its own log: the one of a run that did not end in order (its firing
// record or its instance lock left behind) is kept under its time.
void TForm1::keepLastLogOfUncleanEnd()
{
    if (services_.lastRunUnclean || QFileInfo::exists(firingState->path()))
        keptLog_ = LastLogKeeper::keep(state.AppFolder + "/Data");
}

void TForm1::logKeptLastLog()
{
    if (!keptLog_.path.isEmpty())
        log->TLogLS("LogLastLogKept", keptLog_.path);
    else if (!keptLog_.error.isEmpty())
        log->TLogLS("LogLastLogNotKept", keptLog_.error);
}

// Through the same loads as the Load buttons; one that fails is reported like theirs and the
// next file is still loaded.
void TForm1::LoadFilesAtStart()
{
    for (const CommandLine::File& file : std::exchange(filesAtStart_, {}))
        guardedCall([&] { loadFileAtStart(file); });
}

void TForm1::loadFileAtStart(const CommandLine::File& file)
{
    // A missing file would load as the defaults, silently replacing the stored one.
    QString text, error;
    if (!TextCodec::readFile(file.path, text, nullptr, &error))
        throw std::runtime_error(QString("Cannot open %1: %2").arg(file.path, error).toStdString());
    if (file.kind == CommandLine::Kind::Program)
        programFile->LoadChosen(file.path);
    else
        ovenFile->LoadChosen(file.path);
}

void TForm1::startTimers()
{
    HardwareTimer->start();
    InterfaceTimer->start();
    FlashTimer->start();
}

void TForm1::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (restored_)
        return;
    restored_ = true;
    guardedCall([&] { FormStorage1RestorePlacement(); });
    LoadFilesAtStart();
    // Asked once the window is up, so the operator sees the kiln behind the question.
    QTimer::singleShot(0, this, [this] { guardedCall([&] { OfferResume(); }); });
}

void TForm1::LangSet(const QString& name)
{
    texts.LoadLng(name);
    qtTexts.use(QtTranslations::localeOf(texts, name));
    ApplyCaptionEntries(this, texts);
    LangCorr();
}

void TForm1::LangCorr()
{
    const QString unit = state.Temps.Deg();
    shareStatusTexts();
    roomForProgramTexts();
    fitWindowToContents();
    editor->SetHeaderRows();
    HMaxTemperature->setText(texts.LS("HMaxTemperature1") + unit);
    PortSelect->setText(texts.LS("Port") + port->PortName());
    chart->SetAxisTitles(texts.LS("C1LeftAxis") + unit, texts.LS("C1BottomAxis"));
    Chart2->yAxis->setLabel(texts.LS("C2LeftAxis") + unit);
    Chart2->xAxis->setLabel(texts.LS("C2BottomAxis"));
    Chart3->yAxis->setLabel(texts.LS("C3LeftAxis") + unit);
    Chart3->xAxis->setLabel(texts.LS("C3BottomAxis"));
    Label47->setText(unit);
    ThermoCoupleType->setItems(texts.LS("ThermoCoupleTypes").split("\r\n"));
    PowerRegulation->setItemText(1, texts.LS("PowerManual"));
    PID_CORR->setItems(texts.LS("PID_Corrs").split("\r\n"));
    buildDialogs();
    TC_Graph->setText(texts.LS("TabThermoCouple"));
    const QString help = ProgramFolders::readable(state.AppFolder, state.SharedFolder,
                                                  "Help/" + texts.LS("HelpFolder") + "/" + HelpPages::kStartPage);
    if (QFileInfo(help).isFile())  // a FIFO would hang the viewer
        WebBrowser1->setSource(QUrl::fromLocalFile(help));
    Chart1->replot(QCustomPlot::rpQueuedReplot);
    Chart2->replot(QCustomPlot::rpQueuedReplot);
    Chart3->replot(QCustomPlot::rpQueuedReplot);
}

void TForm1::PlaySound(int n) { sounds->PlaySound(n); }

// The simulator runs the cycles its speed asks for, a late tick included; the controller's
// cycle is the tick.
void TForm1::InterfaceTimerTimer()
{
    guardedCall([&] {
        const int cycles = state.simulated() ? cyclePacer.due(services_.clock.monotonicSeconds()) : 1;
        for (int k = 0; k < cycles && (k == 0 || (state.simulated() && InterfaceTimer->isActive())); ++k)
            cycle->WorkInterface();
    });
}
void TForm1::FlashTimerTimer() { guardedCall([&] { faults->FlashTimerTimer(); }); }
void TForm1::BreakTimerTimer() { guardedCall([&] { faults->BreakTimerTimer(); }); }
void TForm1::ShutDownTimerTimer() { guardedCall([&] { faults->ShutDownTimerTimer(); }); }
// A mirror that cannot be written is reported once, not again at every retry five seconds
// apart (each report a modal box over the last, while the firing goes on beneath); the log
// keeps every entry, and the next mirror that succeeds holds them all.
void TForm1::TLogTimerTimer()
{
    try {
        log->TLogTimerTimer();
        mirrorFailing_ = false;
    } catch (const std::exception& e) {
        if (!std::exchange(mirrorFailing_, true))  // set before the box: its event loop runs the timer
            services_.dialogs.showError(QString::fromUtf8(e.what()));
    }
}
void TForm1::StartButtonClick()
{
    guardedCall([&] {
        delayedStart->StartButtonClick();
        followKeepAwake();
        firingForecast->Show();
        keeper->Follow();
    });
}
void TForm1::StopButtonClick()
{
    guardedCall([&] {
        delayedStart->StopButtonClick();
        followKeepAwake();
        firingForecast->Show();
        keeper->Follow();
    });
}
void TForm1::StartAtButtonClick()
{
    guardedCall([&] {
        delayedStart->StartAtButtonClick();
        followKeepAwake();
        firingForecast->Show();
        keeper->Follow();
    });
}
void TForm1::PauseButtonClick()
{
    guardedCall([&] {
        executor->PauseButtonClick();
        keeper->Follow();
    });
}
void TForm1::PrevButtonClick()
{
    guardedCall([&] {
        executor->PrevButtonClick();
        keeper->Follow();
    });
}
void TForm1::NextButtonClick()
{
    guardedCall([&] {
        executor->NextButtonClick();
        keeper->Follow();
    });
}
