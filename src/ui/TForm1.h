#pragma once
#include "AppServices.h"
#include "ChannelSetup.h"
#include "ConeProgram.h"
#include "ControlCycle.h"
#include "DataFiles.h"
#include "EnergyMeter.h"
#include "EventLog.h"
#include "EventSoundPlayer.h"
#include "Executor.h"
#include "DelayedStart.h"
#include "FaultSupervisor.h"
#include "FiringForecast.h"
#include "FiringResume.h"
#include "FiringStateFile.h"
#include "FiringStateKeeper.h"
#include "FrameLink.h"
#include "Guard.h"
#include "Guardian.h"
#include "HelpPages.h"
#include "IniFile.h"
#include "KeepAwake.h"
#include "KilnState.h"
#include "LivePage.h"
#include "MqttClient.h"
#include "LoadDuringFiring.h"
#include "MessageTable.h"
#include "ModelCheck.h"
#include "QtTranslations.h"
#include "OvenFile.h"
#include "Poller.h"
#include "PortManager.h"
#include "Previews.h"
#include "ProgramEditor.h"
#include "ProgramFile.h"
#include "ProgramFolders.h"
#include "CommandLine.h"
#include "LastLogKeeper.h"
#include "ProgramTable.h"
#include "Regulator.h"
#include "ServiceCommands.h"
#include "Simulator.h"
#include "SleepInhibitor.h"
#include "CyclePacer.h"
#include "CycleReportBuilder.h"
#include "StuckHeaterWatch.h"
#include "TForm2.h"
#include "TemperatureChart.h"
#include "TuneDialog.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class HistoryPage;
class HistoryRecorder;
struct FiringFacts;
class QTextBrowser;
class QTimer;
class QWidget;
class LivePageGroup;
class MqttSettingsBox;
class Panel;
class RadioGroup;
class SpinButton;
class StringGrid;

// The main window. The constructor only builds the controls; every control is a public
// member named like its objectName, which is also its key in the settings and language files.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(AppServices services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Window geometry at creation.
    static constexpr int kClientWidth = 802;
    static constexpr int kClientHeight = 558;
    static constexpr int kMinOuterWidth = 790;
    static constexpr int kMinOuterHeight = 592;
    static constexpr int kProgramPanelHeight = 49;
    static constexpr int kStatusPanelHeight = 34;
    static constexpr int kWorkPanelWidth = 129;
    static constexpr int kProgramPanelWidth = 211;
    static constexpr int kOvenPanelWidth = 201;

    // Gives each status indicator panel the width of its caption plus 6 px; the status
    // layout keeps them packed from the right edge, 4 px apart and 5 px from the edge.
    void packStatusIndicators();
    // Shares the rest of the status row among the status texts by the longest text each
    // shows in the loaded language (in a smaller font where they need more than there is).
    void shareStatusTexts();
    // Gives the program texts the width of the longest text each shows in the loaded
    // language and the font in force.
    void roomForProgramTexts();
    // The smallest window size grows where a large system font needs more room than the
    // creation layout gives.
    void fitWindowToContents();
    void fitSidePanels();

    // ---- Program panel (top) ----
    QGroupBox* ProgramPanel = nullptr;
    QLabel* ProgramState = nullptr;
    QLabel* ProgramLineNumber = nullptr;
    QLabel* ProgramTime = nullptr;
    QLabel* ProgramForecast = nullptr;  // the countdown of a delayed start, or the end forecast
    QPushButton* StartAtButton = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* PrevButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* PauseButton = nullptr;

    // ---- Status panel ----
    QGroupBox* StatusPanel = nullptr;
    QLabel* StatusInside = nullptr;
    QLabel* StatusPower = nullptr;
    QLabel* StatusTarget = nullptr;
    QLabel* StatusOutside = nullptr;
    Panel* Panel4 = nullptr;
    Panel* Panel7 = nullptr;
    Panel* Panel8 = nullptr;
    Panel* Panel31 = nullptr;
    Panel* Panel9 = nullptr;
    QLabel* ControllerIndicator = nullptr;
    QLabel* ThermocoupleIndicator = nullptr;
    QLabel* PhaseIndicator = nullptr;
    QLabel* SensorIndicator = nullptr;
    QLabel* ProgramIndicator = nullptr;

    // ---- Main page control ----
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabWork = nullptr;
    QWidget* TabEditProgram = nullptr;
    QWidget* TabOven = nullptr;
    QWidget* TabOptions = nullptr;
    QWidget* TabLog = nullptr;
    QWidget* TabHelp = nullptr;
    QWidget* TabDebug = nullptr;

    // ---- Work page ----
    Panel* Panel2 = nullptr;
    QGroupBox* InsideT = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox15 = nullptr;
    QCheckBox* CheckBox16 = nullptr;
    QCheckBox* CheckBox17 = nullptr;
    QCheckBox* CheckBox18 = nullptr;
    QCheckBox* CheckBox19 = nullptr;
    QCheckBox* CheckBox20 = nullptr;
    QCheckBox* CheckBox21 = nullptr;
    Panel* Panel22 = nullptr;
    Panel* Panel23 = nullptr;
    Panel* Panel24 = nullptr;
    Panel* Panel25 = nullptr;
    Panel* Panel29 = nullptr;
    Panel* Panel28 = nullptr;
    Panel* Panel27 = nullptr;
    Panel* Panel26 = nullptr;
    QGroupBox* PIDGraph = nullptr;
    QCheckBox* CheckBox8 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    QCheckBox* CheckBox10 = nullptr;
    QCheckBox* CheckBox11 = nullptr;
    Panel* Panel21 = nullptr;
    Panel* Panel20 = nullptr;
    Panel* Panel18 = nullptr;
    Panel* Panel19 = nullptr;
    QGroupBox* GeneralData = nullptr;
    QCheckBox* CheckBox13 = nullptr;
    QCheckBox* CheckBox12 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    Panel* Panel17 = nullptr;
    Panel* Panel16 = nullptr;
    Panel* Panel15 = nullptr;
    Panel* Panel30 = nullptr;
    QGroupBox* GraphButtons = nullptr;
    QPushButton* GraphSave = nullptr;
    QPushButton* GraphClear = nullptr;
    QGroupBox* WattMeter = nullptr;
    QLabel* WPower = nullptr;
    QLabel* WEnergy = nullptr;
    QLabel* WCost = nullptr;
    QLineEdit* CurPower = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QCustomPlot* Chart1 = nullptr;

    // ---- Program entry page ----
    Panel* Panel1 = nullptr;
    QLabel* KProgram = nullptr;
    StringGrid* Prog = nullptr;
    Panel* Panel3 = nullptr;  // button bar under the grid
    QPushButton* KProgLoad = nullptr;
    QPushButton* KProgSave = nullptr;
    QPushButton* KProgClear = nullptr;
    QPushButton* KProgCone = nullptr;  // a program for a pyrometric cone
    QCustomPlot* Chart2 = nullptr;

    // ---- Kiln page ----
    Panel* Panel6 = nullptr;
    Panel* Panel5 = nullptr;  // file buttons bar
    QPushButton* OvenSave = nullptr;
    QPushButton* OvenLoad = nullptr;
    QGroupBox* OvenGraph = nullptr;
    QPushButton* OvenProgram = nullptr;
    QPushButton* OvenModel = nullptr;
    QPushButton* OvenClear = nullptr;
    QPushButton* TC_Graph = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabHeater = nullptr;
    QWidget* TabThermoCouple = nullptr;
    QWidget* TabRegulator = nullptr;
    QWidget* TabSheet1 = nullptr;
    QCustomPlot* Chart3 = nullptr;

    // Heater page
    QGroupBox* HMathModel = nullptr;
    QLabel* Label7 = nullptr;  // "R:"
    QLabel* Label8 = nullptr;  // "P:"
    QLabel* Label9 = nullptr;  // "I:"
    QLineEdit* MODEL_R = nullptr;
    QLineEdit* MODEL_P = nullptr;
    QLineEdit* MODEL_I = nullptr;
    SpinButton* SpinButton4 = nullptr;  // MODEL_I
    SpinButton* SpinButton5 = nullptr;  // MODEL_R
    SpinButton* SpinButton6 = nullptr;  // MODEL_P
    QPushButton* HModelCalc = nullptr;
    QPushButton* HModelRun = nullptr;
    QPushButton* FitButton = nullptr;  // fits MODEL_P, MODEL_I, MODEL_R to a firing
    QGroupBox* HeaterMaximum = nullptr;
    QLabel* HMaxPower = nullptr;
    QLabel* HMaxTemperature = nullptr;
    QLineEdit* HeaterPower = nullptr;
    QLineEdit* MAXTEMP = nullptr;
    QLabel* HModelPower = nullptr;
    QLineEdit* MODELPOWER = nullptr;
    QLabel* Label32 = nullptr;  // "%"

    // Thermocouple page
    QLabel* Label38 = nullptr;  // channel
    QComboBox* TC_Index = nullptr;
    QLabel* Label12 = nullptr;  // name
    QLineEdit* TC_Name = nullptr;
    RadioGroup* ThermoCoupleType = nullptr;
    QGroupBox* CalibrationBox = nullptr;
    QLabel* Label25 = nullptr;  // zero point column heading
    QLabel* Label26 = nullptr;  // gain point column heading
    QLineEdit* TERM_Z = nullptr;
    QLineEdit* TERM_ZT = nullptr;
    QLineEdit* TERM_K = nullptr;
    QLineEdit* TERM_KT = nullptr;
    QPushButton* ReadCalibrationButton = nullptr;
    QPushButton* WriteCalibrationButton = nullptr;

    // Regulator page
    RadioGroup* PowerRegulation = nullptr;
    QGroupBox* PIDRegulator = nullptr;
    QLabel* Label6 = nullptr;  // "P:"
    QLabel* Label4 = nullptr;  // "I:"
    QLabel* Label5 = nullptr;  // "D:"
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    SpinButton* SpinButton1 = nullptr;  // PID_P
    SpinButton* SpinButton2 = nullptr;  // PID_I
    SpinButton* SpinButton3 = nullptr;  // PID_D
    QPushButton* TuneButton = nullptr;  // tunes the PID factors on the model
    QSlider* ManualPower = nullptr;
    QLabel* Label28 = nullptr;  // "100"
    QLabel* Label29 = nullptr;  // "50"
    QLabel* Label48 = nullptr;  // "0"
    RadioGroup* PID_CORR = nullptr;
    QCheckBox* Fan1_Check = nullptr;
    QCheckBox* Fan2_Check = nullptr;

    // Thermocouple type table (tab not shown)
    StringGrid* TCgrid = nullptr;

    // ---- Settings page ----
    QGroupBox* Misc = nullptr;
    QCheckBox* RealTime = nullptr;
    QLabel* Price = nullptr;
    QLineEdit* EnergyCost = nullptr;
    QCheckBox* READCALIBRATION = nullptr;
    QGroupBox* DeviceBox = nullptr;
    QPushButton* PortSelect = nullptr;
    QRadioButton* InterfaceType = nullptr;
    QRadioButton* SimButton = nullptr;
    QLabel* Label37 = nullptr;  // "x" before the speed factor
    QLineEdit* SIM_SPEED = nullptr;
    QGroupBox* ShutDown = nullptr;
    QLabel* SDControllerDisconnect = nullptr;
    QLineEdit* PWR_DELAY = nullptr;
    QLabel* Minutes1 = nullptr;
    QLabel* SDTemperatureUnreachable = nullptr;
    QLineEdit* IMPOSSIBLE = nullptr;
    QLabel* Minutes2 = nullptr;
    QLabel* TemperatureRange = nullptr;
    QLineEdit* DEV = nullptr;
    QLabel* Label47 = nullptr;  // unit beside DEV
    QLabel* Emergency = nullptr;
    QCheckBox* ShutDownCrash = nullptr;
    QLabel* NormalShutdown = nullptr;
    QCheckBox* ShutDownNormal = nullptr;
    QLabel* SDResumeLimit = nullptr;
    QLineEdit* RESUME_LIMIT = nullptr;  // hours within which an interrupted firing is offered
    QLabel* Hours1 = nullptr;
    QGroupBox* EventSounds = nullptr;
    QLineEdit* WAV1 = nullptr;
    QLineEdit* WAV2 = nullptr;
    QLineEdit* WAV3 = nullptr;
    QLineEdit* WAV4 = nullptr;
    QLineEdit* WAV5 = nullptr;
    QLineEdit* WAV6 = nullptr;
    QPushButton* Button14 = nullptr;  // "..." for WAV1, tag 1
    QPushButton* Button19 = nullptr;  // WAV2, tag 2
    QPushButton* Button22 = nullptr;  // WAV3, tag 3
    QPushButton* Button21 = nullptr;  // WAV4, tag 4
    QPushButton* Button25 = nullptr;  // WAV5, tag 5
    QPushButton* Button28 = nullptr;  // WAV6, tag 6
    QPushButton* Sound1 = nullptr;
    QPushButton* Sound2 = nullptr;
    QPushButton* Sound3 = nullptr;
    QPushButton* Sound4 = nullptr;
    QPushButton* Sound5 = nullptr;
    QPushButton* Alarm = nullptr;
    RadioGroup* Scale = nullptr;
    QGroupBox* Language = nullptr;
    QRadioButton* English = nullptr;
    QRadioButton* Russian = nullptr;
    QRadioButton* Other = nullptr;
    QLineEdit* OtherLang = nullptr;

    // ---- Log page ----
    QPlainTextEdit* Memo3 = nullptr;

    // ---- Help page ----
    Panel* Panel10 = nullptr;
    QPushButton* HelpProgram = nullptr;
    QPushButton* HelpBack = nullptr;
    QPushButton* HelpForward = nullptr;
    QPushButton* InternetSite = nullptr;
    QPushButton* HelpHardware = nullptr;
    QPushButton* HelpMaterials = nullptr;
    QTextBrowser* WebBrowser1 = nullptr;

    // ---- Service page (tab not shown) ----
    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QPushButton* Button2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* Label10 = nullptr;  // address
    QLabel* Label44 = nullptr;  // length
    QLabel* Label43 = nullptr;  // data
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button20 = nullptr;      // dump RAM
    QPushButton* DumpNVButton = nullptr;  // dump NV
    QPushButton* Button23 = nullptr;      // read NV register
    QPushButton* Button5 = nullptr;       // write RAM
    QPushButton* Button15 = nullptr;      // write NV
    QPushButton* Button24 = nullptr;      // write NV register
    StringGrid* DebugGrid = nullptr;
    QLabel* Label1 = nullptr;   // controller tick
    QLabel* Label2 = nullptr;   // mains frequency
    QLabel* Label3 = nullptr;   // mains duty
    QLabel* Label13 = nullptr;  // last thermocouple sum
    QLabel* Label45 = nullptr;  // lost cycles

    // ---- Timers (created stopped) ----
    QTimer* InterfaceTimer = nullptr;
    QTimer* HardwareTimer = nullptr;
    QTimer* BreakTimer = nullptr;
    QTimer* ShutDownTimer = nullptr;
    QTimer* FlashTimer = nullptr;
    QTimer* TLogTimer = nullptr;

    // ---- File dialogs (built-in texts, replaced by the language's where it has them) ----
    FileDialogSpec OpenDialog1;  // program, load
    FileDialogSpec SaveDialog1;  // program, save
    FileDialogSpec OpenDialog2;  // oven configuration, load
    FileDialogSpec SaveDialog2;  // oven configuration, save
    FileDialogSpec OpenDialog3;  // sound file

private:
    void buildWindow();
    void buildProgramPanel();
    void buildStatusPanel();
    void buildPageControl();
    void buildWorkPage();
    void buildProgramPage();
    void buildOvenPage();
    void buildHeaterPage();
    void buildThermoCouplePage();
    void buildRegulatorPage();
    void buildThermocoupleTablePage();
    void buildOptionsPage();
    void buildLogPage();
    void buildHelpPage();
    void buildDebugPage();
    void buildTimers();
    void buildDialogs();

    // ====================================================================================
    // Subsystems and handlers.
    // ====================================================================================
public:
    // ---- Kiln state and subsystems (created after the controls) ----
    KilnState state;
    MessageTable texts;
    QtTranslations qtTexts;  // Qt's own buttons and dialogs in the same language
    IniFile settings;
    std::unique_ptr<EventLog> log;
    std::unique_ptr<ProgramTable> program;
    std::unique_ptr<FaultSupervisor> faults;
    std::unique_ptr<Regulator> regulator;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<EnergyMeter> meter;
    std::unique_ptr<TemperatureChart> chart;
    std::unique_ptr<ProgramEditor> editor;
    std::unique_ptr<ProgramFile> programFile;
    std::unique_ptr<Previews> previews;
    std::unique_ptr<OvenFile> ovenFile;
    std::unique_ptr<LoadDuringFiring> loadGuard;  // asks before a load replaces a running firing's program or kiln
    std::unique_ptr<Executor> executor;
    std::unique_ptr<DelayedStart> delayedStart;
    std::unique_ptr<FiringForecast> firingForecast;
    std::unique_ptr<ControlCycle> cycle;
    std::unique_ptr<PortManager> port;
    std::unique_ptr<FrameLink> link;
    std::unique_ptr<Poller> poller;
    std::unique_ptr<ServiceCommands> service;
    std::unique_ptr<TForm2> Form2;  // the shutdown dialog, a window of its own
    // Thermocouple set-up: the channel page and its curve on the kiln chart.
    std::unique_ptr<ChannelSetup> channels;
    void createThermocouples();
    void connectThermocouples();
    bool SettingsApplied = false;

    // ---- Safeguards: a guardian process for the port, the sleep lock, the stuck-heater watch ----
    std::unique_ptr<Guardian> guardian;
    std::unique_ptr<KeepAwake> keepAwake;
    std::unique_ptr<StuckHeaterWatch> heaterWatch;
    CyclePacer cyclePacer;

    // ---- Start-up and close ----
    void FormCreate();
    void FormStorage1RestorePlacement();
    void LangSet(const QString& name);
    void LangCorr();
    // The language buttons: English and Russian stay ticked when clicked; "Other" only once
    // its language has loaded.
    void LanguageClick(QRadioButton* button, const QString& name);
    void OtherClick();
    void PlaySound(int n);
    QString DeviceNameStr() const;

    // ---- Handlers ----
    void InterfaceTimerTimer();
    void FlashTimerTimer();
    void BreakTimerTimer();
    void ShutDownTimerTimer();
    void TLogTimerTimer();
    void StartButtonClick();
    void StartAtButtonClick();
    void StopButtonClick();
    void PauseButtonClick();
    void PrevButtonClick();
    void NextButtonClick();
    void HardwareTimerTimer();
    void PortSelectClick();
    void ShowServicePage();
    void RestartRequired();
    void FormStorage1SavePlacement();
    // The orderly close without questions, for a signal from the system.
    void closeUnattended();

    // ---- Event sounds and help pages ----
    std::unique_ptr<EventSoundPlayer> sounds;
    std::unique_ptr<HelpPages> help;
    void StopPlayer();
    void Button14Click(const QObject* sender);
    void HelpProgramClick();
    void HelpHardwareClick();
    void HelpMaterialsClick();
    void HelpBackClick();
    void RxSpeedButton5Click();  // HelpForward

private:
    void connectSoundsAndHelp();
    void connectSounds();
    void connectHelpPage();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void createSubsystems();
    void connectHandlers();
    void connectWorkPage();
    void connectProgramPage();
    void connectOvenPage();
    void connectOptionsPage();
    void connectServicePage();
    void createLink();
    void createSafeguards();
    void followKeepAwake();
    void restorePort();
    bool storedFormVersionUsable() const;
    void applyStoredControls();
    void storedControlChanged(QWidget* control);
    void restoreLanguage(QRadioButton* button, const QString& name);
    void untickLanguagesBut(QRadioButton* keep);
    void restoreWindowPlacement();
    void saveWindowPlacement();
    void saveSettings();
    double storedNumber(const QString& key, double fallback) const;
    void fillTypeTable();
    int visibleTabIndex() const;
    void showVisibleTab(int n);
    void readCalibrationAtStart();
    void startTimers();
    // The close (TForm1_Close.cpp); false when the window stays open.
    bool closeSequence();
    void commitOpenEdits();
    bool confirmEndOfFiring();
    void offerUnsavedEdits();
    bool writeFiringFiles(bool quiet);
    void endSupervision(bool quiet);
    static ProgramFolders foldersFor(const AppServices& services);
    void keepLastLogOfUncleanEnd();
    void logKeptLastLog();
    void loadFileAtStart(const CommandLine::File& file);
    AppServices services_;
    ProgramFolders folders_;
    LastLogKeeper::Kept keptLog_;
    QList<CommandLine::File> filesAtStart_;
    std::unique_ptr<SerialPort> systemPort_;  // when the services bring none
    std::unique_ptr<GuardianProcess> systemGuardian_;
    std::unique_ptr<SleepInhibitor> systemInhibitor_;
    bool restored_ = false;
    bool closing_ = false;
    bool unattended_ = false;  // the system ends the program: no questions, no boxes
    bool mirrorFailing_ = false;  // the last mirror of the log failed and has been reported
    QRadioButton* languageTick_ = nullptr;  // the language button ticked before the latest click
    bool languageFallbackTold_ = false;     // once per start-up
    // Runs a handler under the standard error report.
    template <class F>
    void guardedCall(F&& f)
    {
        guarded(services_.dialogs, std::forward<F>(f));
    }
    // Runs a step whose failure is logged, not shown: no box may hold up an unattended close.
    template <class F>
    void quietly(F&& f)
    {
        try {
            std::forward<F>(f)();
        } catch (const std::exception& e) {
            log->TLogX(QString::fromUtf8(e.what()));
        }
    }

    // ---- Cone firing (TForm1_Cone.cpp) ----
public:
    // Opens the cone dialog over the window; what it chooses goes to ConeProgramChosen.
    void KProgConeClick();
    // Puts the program for `choice` into the program table.
    void ConeProgramChosen(const ConeChoice& choice);

    // ---- Fitting the model and tuning the regulator (TForm1_Fit.cpp) ----
public:
    void FitButtonClick();
    void FitFactorsChosen(const ModelFactors& f);
    void TuneButtonClick();
    void TuneFactorsChosen(const PidFactors& f);

private:
    TuneDialog::Inputs tuneInputs() const;

public:
    // ---- The folders and the files named on the command line ----
    // Files named on the command line, loaded at start after the stored ones (before the
    // window is shown).
    void OpenAtStart(const QList<CommandLine::File>& files) { filesAtStart_ = files; }
    // Done once the stored settings are in force, before an interrupted firing is offered.
    void LoadFilesAtStart();
    // Where the program reads and writes; resolved before anything is built.
    const ProgramFolders& folders() const { return folders_; }

    // ---- Picking up an interrupted firing (TForm1_Resume.cpp) ----
public:
    std::unique_ptr<FiringStateFile> firingState;
    std::unique_ptr<FiringStateKeeper> keeper;
    std::unique_ptr<FiringResume> resume;
    // A delayed start's date-time (0: none) and its restoring at start-up.
    std::function<double()> scheduledStart;
    std::function<void(double)> restoreScheduledStart;
    // The last step of start-up: an interrupted firing is offered for resuming.
    void OfferResume();

private:
    void createResume();
    bool loadProgramToResume(const QString& path);

    // ---- Firing data files (TForm1_DataFiles.cpp) ----
public:
    std::unique_ptr<DataFiles> dataFiles;

private:
    void createDataFiles();
    void connectDataFiles();

    // ---- The live page for a phone (TForm1_LivePage.cpp) ----
public:
    LivePageGroup* LivePageBox = nullptr;  // on the Options tab
    std::unique_ptr<LivePage> livePage;
    void LivePageApplyClick();

private:
    void createLivePage();
    void startLivePage();
    void runLivePage(const LivePageSettings& chosen);

    // ---- The firing history (TForm1_History.cpp) ----
public:
    HistoryPage* TabHistory = nullptr;
    std::unique_ptr<HistoryRecorder> history;  // outlives the observers' list it is in

private:
    void buildHistoryPage();
    QString historyFile() const;
    void createHistory();
    FiringFacts firingFacts() const;

    // ---- The kiln's model run alongside the firing (TForm1_ModelCheck.cpp) ----
public:
    std::unique_ptr<ModelCheck> modelCheck;  // outlives the observers' list it is in

private:
    void createModelCheck();
    QString forecastNotice() const;

    // ---- What reports the firing outward (TForm1_Outward.cpp) ----
public:
    // Declared last: gone before the subsystems whose entries and cycles they hear of.
    std::unique_ptr<CycleReportBuilder> reporter;
    std::unique_ptr<CycleObservers> observers;

private:
    void createOutward();
    void reportCycle(bool withData);

    // ---- Reporting to an MQTT broker (TForm1_Mqtt.cpp) ----
public:
    MqttSettingsBox* MqttBox = nullptr;
    // After the observers: gone, with its "offline" sent, before they are.
    std::unique_ptr<MqttClient> mqtt;
    void MqttApplyClick();
    void MqttCaChooseClick();

private:
    void createMqtt();
    void startMqtt();
};
