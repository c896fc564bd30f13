// Creates the subsystems over the window's controls and binds every control to its handler.
#include "TForm1.h"

#include "SpawnedGuardian.h"
#include "SpinButton.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <qcustomplot.h>

void TForm1::createSubsystems()
{
    log = std::make_unique<EventLog>(state, texts, Memo3, TLogTimer, &services_.clock);
    program = std::make_unique<ProgramTable>(*Prog, state.Temps);

    FaultSupervisorView fv;
    fv.Panel8 = Panel8;
    fv.ShutDownCrash = ShutDownCrash;
    fv.ShutDownTimer = ShutDownTimer;
    FaultSupervisorHooks fh;
    fh.CloseMainWindow = [this] { close(); };
    // The window's own title, which the task bar shows: the application's display name would
    // not retitle a window already shown, and dialogs opened later would carry it frozen.
    fh.SetTitle = [this](const QString& title) { setWindowTitle(title); };
    fh.CutManualPower = [this] { return regulator->CutManualPower(); };
    fh.SoundAlarm = [this] { PlaySound(6); };
    faults = std::make_unique<FaultSupervisor>(state, texts, *log, services_.powerOff, fv, fh);
    Form2 = std::make_unique<TForm2>();
    Form2->setHandlers([this] { faults->ShutdownNow(); }, [this] { faults->CancelShutdown(); });
    faults->setDialog(Form2.get());

    RegulatorView rv;
    rv.PowerRegulation = PowerRegulation;
    rv.ManualPower = ManualPower;
    rv.PID_P = PID_P;
    rv.PID_I = PID_I;
    rv.PID_D = PID_D;
    rv.PID_CORR = PID_CORR;
    rv.Fan1_Check = Fan1_Check;
    rv.Fan2_Check = Fan2_Check;
    rv.Label28 = Label28;
    rv.Label29 = Label29;
    rv.Label48 = Label48;
    rv.PIDRegulator = PIDRegulator;
    regulator = std::make_unique<Regulator>(state, rv);

    simulator = std::make_unique<Simulator>(state, services_.random, *log, SimulatorView{MODEL_P, MODEL_I, MODEL_R});
    meter = std::make_unique<EnergyMeter>(state, *regulator, EnergyMeterView{HeaterPower, EnergyCost});

    TemperatureChartView cv;
    cv.Chart1 = Chart1;
    cv.RealTime = RealTime;
    cv.PID_P = PID_P;
    cv.PID_I = PID_I;
    cv.PID_D = PID_D;
    cv.findCheckBox = [this](const QString& name) { return findChild<QCheckBox*>(name); };
    chart = std::make_unique<TemperatureChart>(state, services_.dialogs, cv);

    editor = std::make_unique<ProgramEditor>(state, texts, *log, services_.dialogs, ProgramEditorView{Prog, Chart2, MAXTEMP});
    programFile = std::make_unique<ProgramFile>(state, *log, services_.dialogs, Prog, *editor, OpenDialog1, SaveDialog1);

    PreviewsView pv;
    pv.Chart3 = Chart3;
    pv.MODEL_P = MODEL_P;
    pv.MODEL_I = MODEL_I;
    pv.MODEL_R = MODEL_R;
    pv.MODELPOWER = MODELPOWER;
    pv.PID_P = PID_P;
    pv.PID_I = PID_I;
    pv.PID_D = PID_D;
    pv.PID_CORR = PID_CORR;
    PreviewsHooks ph;
    ph.setOvenChanged = [this] {
        if (ovenFile)
            ovenFile->SetOvenChanged(true);
    };
    ph.ovenFileName = [this] { return ovenFile ? ovenFile->FileName() : QString(); };
    previews = std::make_unique<Previews>(state, texts, *program, pv, ph);

    OvenFileView ov{MODEL_I, MODEL_P, MODEL_R, HeaterPower, MAXTEMP, PID_P, PID_I, PID_D, PID_CORR};
    OvenFileHooks oh;
    oh.SetChartTitle = [this](const QString& title) { previews->SetTitle(title); };
    ovenFile = std::make_unique<OvenFile>(state, *log, services_.dialogs, ov, OpenDialog2, SaveDialog2, oh);
    loadGuard = std::make_unique<LoadDuringFiring>(state, texts, services_.dialogs);
    programFile->MayLoad = [this](const QString& path) { return loadGuard->MayLoadProgram(path); };
    ovenFile->MayLoad = [this](const QString& path) { return loadGuard->MayLoadOven(path); };

    ExecutorView ev;
    ev.ProgramState = ProgramState;
    ev.ProgramLineNumber = ProgramLineNumber;
    ev.ProgramTime = ProgramTime;
    ev.DEV = DEV;
    ev.IMPOSSIBLE = IMPOSSIBLE;
    ev.ShutDownNormal = ShutDownNormal;
    ev.PageControl1 = PageControl1;
    ExecutorHooks eh;
    eh.PlaySound = [this](int n) { PlaySound(n); };
    eh.DrawProg = [this] { return editor->DrawProg(); };
    eh.AddLineMark = [this](double x, double y, const QString& label) { chart->AddLineMark(x, y, label); };
    eh.LineMarkCount = [this] { return chart->LineMarkCount(); };
    eh.ProgramFileName = [this] { return programFile->FileName(); };
    executor = std::make_unique<Executor>(state, *program, texts, *log, ev, *faults, eh);
    delayedStart = std::make_unique<DelayedStart>(state, *executor, texts, *log, services_.dialogs,
                                                  DelayedStartView{StartButton, StartAtButton},
                                                  [this] { return regulator->isManual(); });
    firingForecast = std::make_unique<FiringForecast>(
        state, *program, texts, *log, FiringForecastView{ProgramForecast, DEV, IMPOSSIBLE, MODEL_P, MODEL_I, MODEL_R},
        [this] { return delayedStart->Countdown(); },
        [this] { return forecastNotice(); });

    ControlCycleView v;
    v.Panel4 = Panel4;
    v.Panel7 = Panel7;
    v.Panel8 = Panel8;
    v.Panel31 = Panel31;
    v.Panel9 = Panel9;
    v.StatusOutside = StatusOutside;
    v.StatusInside = StatusInside;
    v.StatusTarget = StatusTarget;
    v.StatusPower = StatusPower;
    v.MAXTEMP = MAXTEMP;
    v.PWR_DELAY = PWR_DELAY;
    v.CurPower = CurPower;
    v.Edit9 = Edit9;
    v.Edit10 = Edit10;
    v.Label1 = Label1;
    v.Label2 = Label2;
    v.Label3 = Label3;
    v.Label45 = Label45;
    v.BreakTimer = BreakTimer;
    v.StartButton = StartButton;
    v.ManualPower = ManualPower;
    ControlCycleSteps steps;
    steps.Sim_Work = [this] { simulator->Sim_Work(); };
    steps.ExecProgram = [this] {
        resume->ContinueOnData();
        executor->ExecProgram();
    };
    steps.Calc = [this] { meter->Calc(); };
    steps.WatchHeater = [this] { heaterWatch->WatchHeater(); };
    steps.DrawGraph = [this] { chart->DrawGraph(); };
    steps.ManualMode = [this] { return regulator->isManual(); };
    steps.PortReopen = [this] { port->PortReopen(); };
    steps.CheckDelayedStart = [this] { delayedStart->CheckDelayedStart(); };
    // The firing record keeps a delayed start across a restart.
    scheduledStart = [this] { return delayedStart->schedule().pending() ? delayedStart->schedule().at() : 0.0; };
    restoreScheduledStart = [this](double at) { delayedStart->Restore(at); };
    steps.ShowForecast = [this] { firingForecast->ShowForecast(); };
    steps.CycleDone = [this](bool withData) {
        port->PortRetry();
        guardian->Heartbeat();
        followKeepAwake();
        reportCycle(withData);
    };
    cycle = std::make_unique<ControlCycle>(state, services_.clock, texts, *log, v, steps);
    createLink();
    createDataFiles();
    createThermocouples();
    createSafeguards();
    createResume();
    createOutward();
}

// The controller holds the last power it was sent: a guardian process switches it off when the
// program dies or hangs, the computer is kept from suspending during a firing, and a heater that
// keeps heating with no power sent is reported.
void TForm1::createSafeguards()
{
    GuardianProcess* process = services_.guardian;
    if (!process) {
        systemGuardian_ = std::make_unique<SpawnedGuardian>(folders_.guardianPath());
        process = systemGuardian_.get();
    }
    const SerialPort& serial = services_.serialPort ? *services_.serialPort : *systemPort_;
    guardian = std::make_unique<Guardian>(state, *port, serial, *process, texts, *log);
    SleepInhibitor* inhibitor = services_.sleepInhibitor;
    if (!inhibitor) {
        systemInhibitor_ = std::make_unique<LogindSleepInhibitor>();
        inhibitor = systemInhibitor_.get();
    }
    keepAwake = std::make_unique<KeepAwake>(*inhibitor, *log, texts);
    heaterWatch = std::make_unique<StuckHeaterWatch>(state, *faults, StuckHeaterView{MODEL_I, MODEL_R});
}

namespace {
// Calls `f` when Enter is pressed in an edit field; the key itself is not consumed.
class EnterFilter : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> f) : QObject(parent), f_(std::move(f)) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                f_();
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> f_;
};

void onEnter(QLineEdit* field, std::function<void()> f) { field->installEventFilter(new EnterFilter(field, std::move(f))); }
}  // namespace

// The sleep lock is held from the moment a start is scheduled.
void TForm1::followKeepAwake() { keepAwake->Follow(state.ProgState, delayedStart->schedule().pending()); }

void TForm1::connectHandlers()
{
    connect(InterfaceTimer, &QTimer::timeout, this, [this] { InterfaceTimerTimer(); });
    connect(FlashTimer, &QTimer::timeout, this, [this] { FlashTimerTimer(); });
    connect(BreakTimer, &QTimer::timeout, this, [this] { BreakTimerTimer(); });
    connect(ShutDownTimer, &QTimer::timeout, this, [this] { ShutDownTimerTimer(); });
    connect(TLogTimer, &QTimer::timeout, this, [this] { TLogTimerTimer(); });
    connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
    connect(StartAtButton, &QPushButton::clicked, this, [this] { StartAtButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { PauseButtonClick(); });
    connect(PrevButton, &QPushButton::clicked, this, [this] { PrevButtonClick(); });
    connect(NextButton, &QPushButton::clicked, this, [this] { NextButtonClick(); });
    connectWorkPage();
    connectProgramPage();
    connectOvenPage();
    connectOptionsPage();
    connectServicePage();
    connectDataFiles();
    connectThermocouples();
    connectSoundsAndHelp();
}

void TForm1::connectWorkPage()
{
    for (QCheckBox* box : {CheckBox1, CheckBox6, CheckBox7, CheckBox8, CheckBox9, CheckBox10, CheckBox11, CheckBox12,
                           CheckBox13, CheckBox15, CheckBox16, CheckBox17, CheckBox18, CheckBox19, CheckBox20, CheckBox21})
        connect(box, &QCheckBox::clicked, this, [this, box] { guardedCall([&] { chart->CheckBox6Click(box); }); });
    for (Panel* panel : {Panel15, Panel16, Panel17, Panel18, Panel19, Panel20, Panel21, Panel22, Panel23, Panel24,
                         Panel25, Panel26, Panel27, Panel28, Panel29, Panel30})
        connect(panel, &Panel::clicked, this, [this, panel] { guardedCall([&] { chart->Panel15Click(panel); }); });
    connect(RealTime, &QCheckBox::clicked, this, [this] { guardedCall([&] { chart->RealTimeClick(); }); });
}

void TForm1::connectProgramPage()
{
    connect(Prog, &StringGrid::cellEdited, this,
            [this](int c, int r) { guardedCall([&] { editor->ProgSetEditText(c, r); }); });
    connect(Prog, &StringGrid::rowMoved, this, [this](int f, int t) { guardedCall([&] { editor->ProgRowMoved(f, t); }); });
    connect(Prog, &StringGrid::enterPressed, this, [this] { guardedCall([&] { editor->ProgKeyPress(13); }); });
    connect(Prog, &StringGrid::focusLeft, this, [this] { guardedCall([&] { editor->ProgExit(); }); });
    connect(Prog, &StringGrid::mouseDown, this,
            [this](Qt::MouseButton b, int, int) { guardedCall([&] { editor->ProgMouseDown(b); }); });
    connect(KProgClear, &QPushButton::clicked, this, [this] { guardedCall([&] { editor->KProgClearClick(); }); });
    connect(KProgCone, &QPushButton::clicked, this, [this] { guardedCall([&] { KProgConeClick(); }); });
    connect(KProgSave, &QPushButton::clicked, this, [this] { guardedCall([&] { programFile->KProgSaveClick(); }); });
    connect(KProgLoad, &QPushButton::clicked, this, [this] { guardedCall([&] { programFile->KProgLoadClick(); }); });
}

void TForm1::connectOvenPage()
{
    for (QLineEdit* field : {MODEL_R, MODEL_P, MODEL_I, HeaterPower, MAXTEMP, TERM_K, TERM_Z, TERM_ZT, TERM_KT, PID_I,
                             PID_P, PID_D})
        connect(field, &QLineEdit::textChanged, this, [this] { guardedCall([&] { previews->MODEL_PChange(); }); });
    connect(PID_CORR, &RadioGroup::itemClicked, this, [this] { guardedCall([&] { previews->MODEL_PChange(); }); });
    connect(OvenModel, &QPushButton::clicked, this, [this] { guardedCall([&] { previews->DrawModel(); }); });
    connect(OvenProgram, &QPushButton::clicked, this, [this] { guardedCall([&] { previews->DrawTestProgram(); }); });
    connect(OvenClear, &QPushButton::clicked, this, [this] { guardedCall([&] { previews->OvenClearClick(); }); });
    connect(FitButton, &QPushButton::clicked, this, [this] { guardedCall([&] { FitButtonClick(); }); });
    connect(TuneButton, &QPushButton::clicked, this, [this] { guardedCall([&] { TuneButtonClick(); }); });
    connect(OvenSave, &QPushButton::clicked, this, [this] { guardedCall([&] { ovenFile->OvenSaveClick(); }); });
    connect(OvenLoad, &QPushButton::clicked, this, [this] { guardedCall([&] { ovenFile->OvenLoadClick(); }); });
    for (QLineEdit* field : {MODEL_P, MODEL_I, MODEL_R, MODELPOWER})
        onEnter(field, [this] { guardedCall([&] { previews->DrawModel(); }); });
    for (QLineEdit* field : {PID_P, PID_I, PID_D})
        onEnter(field, [this] { guardedCall([&] { previews->DrawTestProgram(); }); });
    auto spin = [this](SpinButton* b, void (Previews::*up)(), void (Previews::*down)()) {
        connect(b, &SpinButton::upClicked, this, [this, up] { guardedCall([&] { (previews.get()->*up)(); }); });
        connect(b, &SpinButton::downClicked, this, [this, down] { guardedCall([&] { (previews.get()->*down)(); }); });
    };
    spin(SpinButton1, &Previews::SpinButton1UpClick, &Previews::SpinButton1DownClick);
    spin(SpinButton2, &Previews::SpinButton2UpClick, &Previews::SpinButton2DownClick);
    spin(SpinButton3, &Previews::SpinButton3UpClick, &Previews::SpinButton3DownClick);
    spin(SpinButton4, &Previews::SpinButton4UpClick, &Previews::SpinButton4DownClick);
    spin(SpinButton5, &Previews::SpinButton5UpClick, &Previews::SpinButton5DownClick);
    spin(SpinButton6, &Previews::SpinButton6UpClick, &Previews::SpinButton6DownClick);
    connect(PowerRegulation, &RadioGroup::itemClicked, this,
            [this] { guardedCall([&] { regulator->PowerRegulationClick(); }); });
}

void TForm1::connectOptionsPage()
{
    auto restartNotice = [this] { RestartRequired(); };
    connect(InterfaceType, &QRadioButton::clicked, this, restartNotice);
    connect(SimButton, &QRadioButton::clicked, this, restartNotice);
    connect(Scale, &RadioGroup::itemClicked, this, restartNotice);
    onEnter(SIM_SPEED, restartNotice);
    connect(English, &QRadioButton::clicked, this, [this] { guardedCall([&] { LanguageClick(English, "English"); }); });
    connect(Russian, &QRadioButton::clicked, this, [this] { guardedCall([&] { LanguageClick(Russian, "Russian"); }); });
    auto other = [this] { guardedCall([&] { OtherClick(); }); };
    connect(Other, &QRadioButton::clicked, this, other);
    onEnter(OtherLang, other);
    for (QPushButton* b : {Sound1, Sound2, Sound3, Sound4, Sound5, Alarm}) {
        const int n = b == Alarm ? 6 : QString(b->objectName()).remove("Sound").toInt();
        connect(b, &QPushButton::clicked, this, [this, n] { PlaySound(n); });
    }
}
