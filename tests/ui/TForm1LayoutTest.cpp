#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "TestServices.h"
#include <QTemporaryDir>
#include "SpinButton.h"
#include "TForm1.h"
#include "HistoryPage.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

bool monospaced(const QFont& font)
{
    const QFontMetrics m(font);
    return m.horizontalAdvance("iiii") == m.horizontalAdvance("MMMM");
}

struct Control {
    const char* name;
    QObject* member;
};
#define C(m) Control{#m, form.m}

// Each control is the member of its name, carries that name, is the only object of that
// name in the window and is of the expected kind.
void expectKind(TForm1& form, const char* kind, const std::vector<Control>& controls)
{
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.member, nullptr);
        EXPECT_EQ(c.member->objectName(), QString::fromLatin1(c.name));
        EXPECT_TRUE(c.member->inherits(kind)) << c.member->metaObject()->className() << " is no " << kind;
        EXPECT_EQ(form.findChildren<QObject*>(QString::fromLatin1(c.name)).size(), 1);
        EXPECT_EQ(form.findChild<QObject*>(QString::fromLatin1(c.name)), c.member);
    }
}

class TForm1Layout : public ::testing::Test {
protected:
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    QTemporaryDir dir;
    void SetUp() override
    {
        // A program folder as the build lays it out, so the window comes up as on a first start.
        for (const char* name : {"English.lng", "term.ini"})
            QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name);
        form = std::make_unique<TForm1>(AppServices{clock, random, dialogs, sound, powerOff, dir.path()});
    }
    void showOn(QWidget* page)
    {
        form->show();
        if (auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget()))
            tabs->setCurrentWidget(page);
        QApplication::processEvents();
    }
    std::unique_ptr<TForm1> form;
};

TEST_F(TForm1Layout, EveryControlExistsUnderItsNameAndKind)
{
    TForm1& form = *this->form;
    expectKind(form, "Panel",
               {C(Panel1),  C(Panel2),  C(Panel3),  C(Panel4),  C(Panel5),  C(Panel6),  C(Panel7),
                C(Panel8),  C(Panel9),  C(Panel10), C(Panel15), C(Panel16), C(Panel17), C(Panel18),
                C(Panel19), C(Panel20), C(Panel21), C(Panel22), C(Panel23), C(Panel24), C(Panel25),
                C(Panel26), C(Panel27), C(Panel28), C(Panel29), C(Panel30), C(Panel31)});
    expectKind(form, "QLabel",
               {C(WCost),
                C(WEnergy),
                C(WPower),
                C(KProgram),
                C(HModelPower),
                C(Label32),
                C(Label7),
                C(Label8),
                C(Label9),
                C(HMaxPower),
                C(HMaxTemperature),
                C(Label38),
                C(Label12),
                C(Label25),
                C(Label26),
                C(Label28),
                C(Label29),
                C(Label48),
                C(Label6),
                C(Label4),
                C(Label5),
                C(Price),
                C(Label37),
                C(SDControllerDisconnect),
                C(Minutes1),
                C(Minutes2),
                C(SDTemperatureUnreachable),
                C(Emergency),
                C(NormalShutdown),
                C(TemperatureRange),
                C(Label47),
                C(Label1),
                C(Label2),
                C(Label3),
                C(Label13),
                C(Label44),
                C(Label43),
                C(Label45),
                C(Label10),
                C(ProgramState),
                C(ProgramLineNumber),
                C(ProgramTime),
                C(StatusInside),
                C(StatusPower),
                C(StatusTarget),
                C(StatusOutside),
                C(ControllerIndicator),
                C(ThermocoupleIndicator),
                C(PhaseIndicator),
                C(ProgramIndicator),
                C(SensorIndicator)});
    expectKind(form, "QCheckBox",
               {C(CheckBox1), C(CheckBox4), C(CheckBox6), C(CheckBox7), C(CheckBox8), C(CheckBox9),
                C(CheckBox10), C(CheckBox11), C(CheckBox12), C(CheckBox13), C(CheckBox15), C(CheckBox16),
                C(CheckBox17), C(CheckBox18), C(CheckBox19), C(CheckBox20), C(CheckBox21), C(Fan1_Check),
                C(Fan2_Check), C(RealTime), C(READCALIBRATION), C(ShutDownCrash), C(ShutDownNormal)});
    expectKind(form, "QPushButton",
               {C(GraphSave), C(GraphClear), C(KProgLoad), C(KProgSave), C(KProgClear),
                C(OvenSave), C(OvenLoad), C(OvenProgram), C(OvenModel), C(OvenClear),
                C(TC_Graph), C(HModelCalc), C(HModelRun), C(ReadCalibrationButton), C(WriteCalibrationButton),
                C(PortSelect), C(Button14), C(Button19), C(Button21), C(Button22),
                C(Button25), C(Button28), C(Button2), C(Button20), C(DumpNVButton),
                C(Button5), C(Button15), C(Button23), C(Button24), C(PauseButton),
                C(NextButton), C(PrevButton), C(Sound1), C(Sound2), C(Sound3),
                C(Sound4), C(Sound5), C(Alarm), C(StartButton), C(StopButton),
                C(HelpProgram), C(HelpBack), C(HelpForward), C(InternetSite), C(HelpHardware),
                C(HelpMaterials)});
    expectKind(form, "QRadioButton", {C(InterfaceType), C(SimButton), C(English), C(Russian), C(Other)});
    expectKind(form, "QGroupBox",
               {C(InsideT), C(PIDGraph), C(GeneralData), C(GraphButtons), C(WattMeter), C(OvenGraph),
                C(HMathModel), C(HeaterMaximum), C(CalibrationBox), C(PIDRegulator), C(Misc), C(DeviceBox),
                C(ShutDown), C(EventSounds), C(Language), C(ProgramPanel), C(StatusPanel)});
    expectKind(form, "RadioGroup", {C(ThermoCoupleType), C(PowerRegulation), C(PID_CORR), C(Scale)});
    expectKind(form, "QLineEdit",
               {C(PID_P),   C(PID_I),      C(PID_D),     C(MODEL_P), C(MODEL_I),    C(MODEL_R),  C(HeaterPower),
                C(MAXTEMP), C(MODELPOWER), C(SIM_SPEED), C(EnergyCost), C(PWR_DELAY), C(IMPOSSIBLE), C(DEV),
                C(OtherLang), C(WAV1),     C(WAV2),      C(WAV3),    C(WAV4),       C(WAV5),     C(WAV6),
                C(CurPower), C(Edit9),     C(Edit10),    C(TC_Name), C(TERM_Z),     C(TERM_ZT),  C(TERM_K),
                C(TERM_KT), C(Edit2),      C(Edit3),     C(Edit4)});
    expectKind(form, "StringGrid", {C(Prog), C(TCgrid), C(DebugGrid)});
    expectKind(form, "QCustomPlot", {C(Chart1), C(Chart2), C(Chart3)});
    expectKind(form, "QPlainTextEdit", {C(Memo1), C(Memo2), C(Memo3)});
    expectKind(form, "QTextBrowser", {C(WebBrowser1)});
    expectKind(form, "QSlider", {C(ManualPower)});
    expectKind(form, "QComboBox", {C(TC_Index)});
    expectKind(form, "QTabWidget", {C(PageControl1), C(PageControl2)});
    expectKind(form, "SpinButton",
               {C(SpinButton1), C(SpinButton2), C(SpinButton3), C(SpinButton4), C(SpinButton5), C(SpinButton6)});
    expectKind(form, "QTimer",
               {C(InterfaceTimer), C(HardwareTimer), C(BreakTimer), C(ShutDownTimer), C(FlashTimer), C(TLogTimer)});

    // Tab sheets: the pages of the two page controls, in order, with their captions.
    const std::vector<std::pair<QWidget*, QString>> outer = {
        {form.TabWork, "Работа"}, {form.TabEditProgram, "Ввод программы"}, {form.TabOven, "Печь"},
        {form.TabOptions, "Настройка"}, {form.TabLog, "Лог"}, {form.TabHelp, "Справка"}, {form.TabHistory, "История"}, {form.TabDebug, "Отладка"}};
    ASSERT_EQ(form.PageControl1->count(), int(outer.size()));
    for (int i = 0; i < int(outer.size()); ++i) {
        EXPECT_EQ(form.PageControl1->widget(i), outer[i].first) << i;
        EXPECT_EQ(form.PageControl1->tabText(i), outer[i].second);
        EXPECT_EQ(form.PageControl1->isTabVisible(i), outer[i].first != form.TabDebug);
    }
    const std::vector<std::pair<QWidget*, QString>> inner = {{form.TabHeater, "Нагреватель"},
                                                             {form.TabThermoCouple, "Термопара"},
                                                             {form.TabRegulator, "Регулятор"},
                                                             {form.TabSheet1, "Термопары"}};
    ASSERT_EQ(form.PageControl2->count(), int(inner.size()));
    for (int i = 0; i < int(inner.size()); ++i) {
        EXPECT_EQ(form.PageControl2->widget(i), inner[i].first) << i;
        EXPECT_EQ(form.PageControl2->tabText(i), inner[i].second);
        EXPECT_EQ(form.PageControl2->isTabVisible(i), inner[i].first != form.TabSheet1);
    }
    for (QWidget* tab : {form.TabWork, form.TabEditProgram, form.TabOven, form.TabOptions, form.TabLog, form.TabHelp,
                         form.TabDebug, form.TabHeater, form.TabThermoCouple, form.TabRegulator, form.TabSheet1})
        EXPECT_EQ(form.findChildren<QWidget*>(tab->objectName()).size(), 1) << tab->objectName().toStdString();
}

TEST_F(TForm1Layout, BuiltInCaptionsAndInitialTexts)
{
    TForm1& f = *form;
    const std::vector<std::pair<QLineEdit*, QString>> fields = {
        {f.PID_P, "1"},         {f.PID_I, "1"},          {f.PID_D, "1"},      {f.MODEL_P, "0,02"},
        {f.MODEL_I, "0,005"},   {f.MODEL_R, "0,003"},    {f.HeaterPower, "1000"}, {f.MAXTEMP, "1100"},
        {f.MODELPOWER, "20"},   {f.SIM_SPEED, "10"},     {f.EnergyCost, "1"}, {f.PWR_DELAY, "10"},
        {f.IMPOSSIBLE, "30"},   {f.DEV, "10"},           {f.OtherLang, "Deutsch"}, {f.WAV1, "APPLAUSE.WAV"},
        {f.WAV2, "CASHREG.WAV"}, {f.WAV3, "CHIMES.WAV"}, {f.WAV4, "DRUMROLL.WAV"}, {f.WAV5, "REMINDER.WAV"},
        {f.WAV6, "EXPLODE.WAV"}, {f.TERM_Z, "90"},       {f.TERM_ZT, "25,5"}, {f.TERM_K, "130"},
        {f.TERM_KT, "100"},     {f.TC_Name, ""},         {f.Edit2, "0000"},   {f.Edit3, "100"},
        {f.Edit4, "00"}};
    for (const auto& [field, text] : fields)
        EXPECT_EQ(field->text(), text) << field->objectName().toStdString();
    for (QLineEdit* e : {f.HeaterPower, f.MAXTEMP, f.CurPower, f.Edit9, f.Edit10, f.TERM_Z, f.TERM_ZT, f.TERM_K,
                         f.TERM_KT})
        EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
    for (QLineEdit* e : {f.PID_P, f.MODEL_P, f.MODELPOWER, f.SIM_SPEED, f.DEV, f.WAV1, f.OtherLang, f.TC_Name})
        EXPECT_FALSE(e->isReadOnly()) << e->objectName().toStdString();

    EXPECT_EQ(f.ProgramPanel->title(), " Программа ");
    EXPECT_EQ(f.StatusPanel->title(), " Статус ");
    EXPECT_EQ(f.InsideT->title(), " t в печи ");
    EXPECT_EQ(f.HMathModel->title(), " Математическая модель");
    EXPECT_EQ(f.Scale->title(), " Шкала температуры ");
    EXPECT_EQ(f.StartButton->text(), "Старт");
    EXPECT_EQ(f.PrevButton->text(), "Пред.");
    EXPECT_EQ(f.NextButton->text(), "След.");
    EXPECT_EQ(f.PortSelect->text(), "Порт:");
    EXPECT_EQ(f.SimButton->text(), "Симулятор, ускорение");
    EXPECT_EQ(f.READCALIBRATION->text(), "Считывать калибровку из контроллера");
    EXPECT_EQ(f.TC_Graph->text(), "Термопара");
    EXPECT_EQ(f.Price->text(), "Цена, руб за 1 кВт*час");
    EXPECT_EQ(f.Alarm->text(), "Авария");
    EXPECT_EQ(f.Sound3->text(), "Звук 3");
    EXPECT_EQ(f.HelpForward->text(), "Вперед");
    // A caption with a line break in it shows as two lines.
    EXPECT_EQ(f.HModelPower->text(), "Мощность при\nпостроении модели");
    const QStringList indicators = {"Controller", "Thermocouple", "Phase", "Sensor", "Program"};
    const QList<Panel*> panels = {f.Panel4, f.Panel7, f.Panel8, f.Panel31, f.Panel9};
    const QList<QLabel*> labels = {f.ControllerIndicator, f.ThermocoupleIndicator, f.PhaseIndicator,
                                   f.SensorIndicator, f.ProgramIndicator};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(panels[i]->label(), labels[i]);
        EXPECT_EQ(labels[i]->text(), indicators[i]);
        EXPECT_EQ(panels[i]->color(), Colors::Grey);
    }

    EXPECT_EQ(f.Scale->items(), QStringList({"°C", "°F", "K", "°Ra", "°R"}));
    EXPECT_EQ(f.Scale->itemIndex(), 0);
    EXPECT_EQ(f.PowerRegulation->items(), QStringList({"PID", "Ручная"}));
    EXPECT_EQ(f.PowerRegulation->itemIndex(), 0);
    EXPECT_EQ(f.PID_CORR->items(), QStringList({"Нет", "Малая", "Большая"}));
    EXPECT_EQ(f.PID_CORR->itemIndex(), 1);
    EXPECT_EQ(f.ThermoCoupleType->items(), QStringList({"ТХА (K)", "ТПП10 (S)", "ТПП13 (R)", "ТПР (B)", "MAX31855K",
                                                        "MAX31855S", "Линейная"}));
    EXPECT_EQ(f.ThermoCoupleType->itemIndex(), 1);
    ASSERT_EQ(f.TC_Index->count(), 8);
    EXPECT_EQ(f.TC_Index->itemText(0), "1 ");
    EXPECT_EQ(f.TC_Index->itemText(7), "8");
    EXPECT_EQ(f.TC_Index->currentIndex(), 0);

    EXPECT_EQ(f.ManualPower->orientation(), Qt::Vertical);
    EXPECT_EQ(f.ManualPower->minimum(), 0);
    EXPECT_EQ(f.ManualPower->maximum(), 100);
    EXPECT_EQ(f.ManualPower->tickInterval(), 10);
    EXPECT_EQ(f.ManualPower->value(), 100);
    EXPECT_EQ(f.Label28->text(), "100");
    EXPECT_EQ(f.Label29->text(), "50");
    EXPECT_EQ(f.Label48->text(), "0");
    EXPECT_FALSE(f.Fan1_Check->isChecked());
    EXPECT_FALSE(f.Fan1_Check->isEnabled());
    EXPECT_FALSE(f.Fan2_Check->isEnabled());

    // Language and device: nothing chosen but the simulator.
    EXPECT_FALSE(f.English->isChecked());
    EXPECT_FALSE(f.Russian->isChecked());
    EXPECT_FALSE(f.Other->isChecked());
    EXPECT_FALSE(f.InterfaceType->isChecked());
    EXPECT_TRUE(f.SimButton->isChecked());
    EXPECT_TRUE(f.RealTime->isChecked());
    EXPECT_FALSE(f.ShutDownCrash->isChecked());
    EXPECT_FALSE(f.ShutDownNormal->isChecked());
    EXPECT_FALSE(f.READCALIBRATION->isChecked());

    // Sound buttons carry the sound number.
    const QList<QPushButton*> tests = {f.Sound1, f.Sound2, f.Sound3, f.Sound4, f.Sound5, f.Alarm};
    const QList<QPushButton*> choosers = {f.Button14, f.Button19, f.Button22, f.Button21, f.Button25, f.Button28};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(tagOf(tests[n - 1]), n);
        EXPECT_EQ(tagOf(choosers[n - 1]), n);
        EXPECT_EQ(choosers[n - 1]->text(), "...");
    }

    EXPECT_TRUE(f.Memo3->isReadOnly());
    EXPECT_TRUE(monospaced(f.Memo3->font()));
    EXPECT_NE(f.Memo3->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(TForm1Layout, SeriesSwitchesAndColourPanels)
{
    TForm1& f = *form;
    struct Series {
        QCheckBox* box;
        int series;
        bool checked;
        Panel* panel;
        int panelTag;
        QColor colour;
        QString caption;
    };
    const QColor green(0, 128, 0);
    const QPalette pal = QApplication::palette();
    const std::vector<Series> all = {
        {f.CheckBox6, 0, true, f.Panel15, 6, QColor(0, 255, 0), "t снаружи"},
        {f.CheckBox8, 1, false, f.Panel21, 8, QColor(0, 0, 255), "P"},
        {f.CheckBox9, 2, false, f.Panel20, 9, QColor(255, 0, 255), "I"},
        {f.CheckBox10, 3, false, f.Panel18, 10, pal.color(QPalette::WindowText), "D"},
        {f.CheckBox13, 4, true, f.Panel17, 13, QColor(255, 0, 0), "Мощность"},
        {f.CheckBox12, 5, true, f.Panel16, 12, QColor(255, 128, 0), "t - задание"},
        {f.CheckBox11, 6, false, f.Panel19, 11, QColor(255, 255, 0), "Y"},
        {f.CheckBox7, 7, true, f.Panel22, 7, green, "1"},
        {f.CheckBox15, 8, true, f.Panel23, 15, green, "2"},
        {f.CheckBox16, 9, true, f.Panel24, 16, green, "3"},
        {f.CheckBox17, 10, false, f.Panel25, 17, green, "4"},
        {f.CheckBox18, 11, false, f.Panel29, 18, green, "5"},
        {f.CheckBox19, 12, false, f.Panel28, 19, green, "6"},
        {f.CheckBox20, 13, false, f.Panel27, 20, green, "7"},
        {f.CheckBox21, 14, false, f.Panel26, 21, green, "8"},
        {f.CheckBox1, 16, true, f.Panel30, 1, pal.color(QPalette::ToolTipBase), "Строки"},
    };
    for (const Series& s : all) {
        SCOPED_TRACE(s.box->objectName().toStdString());
        EXPECT_EQ(tagOf(s.box), s.series);
        EXPECT_EQ(s.box->isChecked(), s.checked);
        EXPECT_EQ(s.box->text(), s.caption);
        EXPECT_EQ(tagOf(s.panel), s.panelTag);
        // The panel's tag is the number in its switch's name.
        EXPECT_EQ(QString::number(s.panelTag), s.box->objectName().mid(QString("CheckBox").size()));
        EXPECT_EQ(s.panel->color(), s.colour);
    }
    // The regulator-term switches stay hidden; the others sit in their groups.
    for (QCheckBox* b : {f.CheckBox8, f.CheckBox9, f.CheckBox10, f.CheckBox11})
        EXPECT_TRUE(f.PIDGraph->isAncestorOf(b));
    for (QCheckBox* b : {f.CheckBox7, f.CheckBox15, f.CheckBox21})
        EXPECT_TRUE(f.InsideT->isAncestorOf(b));
    for (QCheckBox* b : {f.CheckBox6, f.CheckBox12, f.CheckBox13, f.CheckBox1})
        EXPECT_TRUE(f.GeneralData->isAncestorOf(b));
}

TEST_F(TForm1Layout, ProgramGridTimersAndDialogs)
{
    TForm1& f = *form;
    EXPECT_EQ(f.Prog->rows(), 201);
    EXPECT_EQ(f.Prog->colCount(), 5);
    EXPECT_EQ(f.Prog->fixedRows(), 2);
    EXPECT_EQ(f.Prog->fixedCols(), 1);
    EXPECT_TRUE(monospaced(f.Prog->font()));
    EXPECT_EQ(f.Prog->cell(4, 1), "A  B");
    EXPECT_EQ(f.DebugGrid->colCount(), 4);
    EXPECT_EQ(f.DebugGrid->rows(), 8);
    EXPECT_EQ(f.DebugGrid->cell(3, 0), "A/F/F/T");
    EXPECT_EQ(f.DebugGrid->cell(0, 7), "7");

    // Nothing runs until start-up switches it on.
    for (QTimer* t : {f.InterfaceTimer, f.HardwareTimer, f.BreakTimer, f.ShutDownTimer, f.FlashTimer, f.TLogTimer}) {
        EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
        EXPECT_EQ(t->parent(), &f);
    }
    EXPECT_EQ(f.ShutDownTimer->interval(), 1000);
    EXPECT_EQ(f.FlashTimer->interval(), 1000);
    EXPECT_EQ(f.TLogTimer->interval(), 1000);

    EXPECT_EQ(f.OpenDialog1.filter, "Программы обжига (*.prg)|*.prg");
    EXPECT_EQ(f.OpenDialog1.title, "Загрузить программу обжига");
    EXPECT_EQ(f.SaveDialog1.filter, f.OpenDialog1.filter);
    EXPECT_EQ(f.SaveDialog1.title, "Сохранить программу обжига");
    EXPECT_EQ(f.OpenDialog1.defaultExt, "prg");
    EXPECT_EQ(f.OpenDialog2.defaultExt, "ovn");
    EXPECT_EQ(f.SaveDialog2.defaultExt, "ovn");
    EXPECT_TRUE(f.OpenDialog2.filter.endsWith("|*.ovn"));
    EXPECT_EQ(f.OpenDialog3.defaultExt, "wav");
}

TEST_F(TForm1Layout, HiddenPagesAndControlsStayHiddenWhenShown)
{
    showOn(form->TabWork);
    TForm1& f = *form;
    EXPECT_EQ(f.PageControl1->currentWidget(), f.TabWork);
    EXPECT_EQ(f.PageControl2->currentWidget(), f.TabThermoCouple);
    EXPECT_TRUE(f.InsideT->isVisible());
    EXPECT_FALSE(f.PIDGraph->isVisible());
    EXPECT_TRUE(f.StartButton->isVisible());
    EXPECT_FALSE(f.PauseButton->isVisible());
    showOn(f.TabOven);
    f.PageControl2->setCurrentWidget(f.TabHeater);
    QApplication::processEvents();
    EXPECT_TRUE(f.MODEL_P->isVisible());
    EXPECT_FALSE(f.HModelCalc->isVisible());
    EXPECT_FALSE(f.HModelRun->isVisible());
    // The service page's controls exist but are never on screen through a tab.
    EXPECT_FALSE(f.PageControl1->isTabVisible(f.PageControl1->indexOf(f.TabDebug)));
    EXPECT_FALSE(f.DebugGrid->isVisible());
}

TEST_F(TForm1Layout, WindowGeometry)
{
    TForm1& f = *form;
    f.show();
    QApplication::processEvents();
    EXPECT_EQ(f.size(), QSize(802, 558));
    EXPECT_EQ(f.ProgramPanel->height(), 49);
    EXPECT_EQ(f.StatusPanel->height(), 34);
    EXPECT_EQ(f.ProgramPanel->geometry().top(), 0);
    EXPECT_EQ(f.StatusPanel->geometry().top(), 49);
    EXPECT_EQ(f.PageControl1->geometry().top(), 83);
    EXPECT_EQ(f.PageControl1->geometry().bottom(), 557);
    EXPECT_EQ(f.ProgramPanel->width(), 802);
    // Everything fits at the creation size and at the smallest size.
    EXPECT_LE(f.minimumSizeHint().width(), f.minimumWidth());
    EXPECT_LE(f.minimumSizeHint().height(), f.minimumHeight());
    EXPECT_LE(f.minimumWidth(), 802);
    EXPECT_LE(f.minimumHeight(), 558);

    showOn(f.TabWork);
    EXPECT_EQ(f.Panel2->width(), 129);
    EXPECT_EQ(f.Chart1->geometry().left(), f.Panel2->geometry().right() + 1);
    showOn(f.TabEditProgram);
    EXPECT_EQ(f.Panel1->width(), 211);
    showOn(f.TabOven);
    EXPECT_EQ(f.Panel6->width(), 201);
    showOn(f.TabLog);
    EXPECT_GE(f.Memo3->width(), f.TabLog->width() - 2);
    EXPECT_GE(f.Memo3->height(), f.TabLog->height() - 2);
}

// The captions of every shipped language file.
class TForm1Languages : public TForm1Layout, public ::testing::WithParamInterface<std::string> {};

std::vector<std::string> shippedLanguages()
{
    std::vector<std::string> names;
    for (const QString& file : QDir(FORNAXEL_DATA_DIR).entryList({"*.lng"}, QDir::Files))
        names.push_back(QFileInfo(file).completeBaseName().toStdString());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Shipped, TForm1Languages, ::testing::ValuesIn(shippedLanguages()),
                         [](const auto& info) { return info.param; });

// Every visible caption on every page, and the status texts with their longest values, are
// shown whole at the creation size.
TEST_P(TForm1Languages, NoCaptionIsClipped)
{
    TForm1& f = *form;
    const QString language = QString::fromStdString(GetParam());
    QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + language + ".lng", dir.path() + "/" + language + ".lng");
    f.show();  // the start-up restore, which applies the first-start settings
    for (QTimer* t : {f.InterfaceTimer, f.HardwareTimer, f.FlashTimer})
        t->stop();
    f.LangSet(language);
    const QString reading = f.state.Temps.TermSdeg(1100);
    f.StatusInside->setText(f.texts.LS("StatusInside") + reading);
    f.StatusTarget->setText(f.texts.LS("StatusTarget") + reading);
    f.StatusOutside->setText(f.texts.LS("StatusOutside") + reading);
    f.StatusPower->setText(f.texts.LS("StatusPower") + ":100 %");
    f.ProgramLineNumber->setText(f.texts.LS("ProgramLineNumber") + "200");
    f.ProgramTime->setText(f.texts.LS("ProgramTime") + "23:59:59");
    const QStringList states{"ProgStopped", "ProgRunning", "ProgWaiting", "ProgPaused", "ProgFinished", "ProgBreakDown"};
    const auto longer = [&](const QString& a, const QString& b) {
        return f.ProgramState->fontMetrics().horizontalAdvance(f.texts.LS(a)) <
               f.ProgramState->fontMetrics().horizontalAdvance(f.texts.LS(b));
    };
    f.ProgramState->setText(f.texts.LS("ProgramState") + f.texts.LS(*std::max_element(states.begin(), states.end(), longer)));
    const auto checkPage = [&](QWidget* page) {
        SCOPED_TRACE(page->objectName().toStdString());
        showOn(page);
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            const QString name = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
            if (auto* b = qobject_cast<QCheckBox*>(w); b || qobject_cast<QRadioButton*>(w)) {
                EXPECT_GE(w->width(), w->sizeHint().width()) << name.toStdString();
            } else if (auto* p = qobject_cast<QPushButton*>(w)) {
                const int need = p->fontMetrics().horizontalAdvance(p->text()) +
                                 (p->icon().isNull() ? 0 : p->iconSize().width() + 4);
                EXPECT_GE(p->width(), need + 4) << name.toStdString();
            } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap()) {
                for (const QString& line : l->text().split('\n'))
                    EXPECT_GE(l->contentsRect().width(), l->fontMetrics().horizontalAdvance(line))
                        << name.toStdString();
            } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
                // The title starts 5 px in and sits in the frame line.
                EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()) + 6) << name.toStdString();
            }
        }
    };
    checkPage(f.TabWork);
    checkPage(f.TabEditProgram);
    checkPage(f.TabOptions);
    checkPage(f.TabHelp);
    for (QWidget* inner : {f.TabHeater, f.TabThermoCouple, f.TabRegulator}) {
        showOn(f.TabOven);
        f.PageControl2->setCurrentWidget(inner);
        QApplication::processEvents();
        checkPage(f.TabOven);
    }
    // The panels above the pages, with the longest countdown or end forecast under the texts.
    for (const QString& below :
         {QString(), f.texts.LS("StartCountdown") + "123:59:59 (23:59)",
          f.texts.LS("ForecastEndAfter") + "23:59" + f.texts.LS("ForecastWaitUnknown"),
          f.texts.LS("ForecastEnd") + "23:59" + f.texts.LS("ForecastLeft") + "123:59"}) {
        f.ProgramForecast->setText(below);
        f.ProgramForecast->setVisible(!below.isEmpty());
        checkPage(f.ProgramPanel);
    }
    EXPECT_EQ(f.ProgramPanel->height(), 49);
    checkPage(f.StatusPanel);
    for (QWidget* w : {static_cast<QWidget*>(f.ProgramState), static_cast<QWidget*>(f.ProgramForecast),
                       static_cast<QWidget*>(f.StatusInside),
                       static_cast<QWidget*>(f.StatusOutside), static_cast<QWidget*>(f.ProgramIndicator),
                       static_cast<QWidget*>(f.StartButton), static_cast<QWidget*>(f.NextButton)})
        EXPECT_GE(w->height(), w->fontMetrics().height()) << w->objectName().toStdString();
    // The program table's headings show whole, beside the scroll bar.
    showOn(f.TabEditProgram);
    int total = 0;
    for (int c = 0; c < f.Prog->colCount(); ++c) {
        total += f.Prog->columnWidth(c);
        for (int r = 0; r < 2; ++r)
            EXPECT_GE(f.Prog->columnWidth(c), QFontMetrics(f.Prog->font()).horizontalAdvance(f.Prog->cell(c, r)) + 6)
                << c << "," << r;
    }
    EXPECT_LE(total, f.Prog->viewport()->width());
    // The inner page control shows its three tabs whole.
    for (int i = 0; i < 3; ++i) {
        const QTabBar* bar = f.PageControl2->tabBar();
        EXPECT_LE(bar->tabRect(i).right(), bar->width()) << i;
        EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i))) << i;
    }
}

// The indicators stay packed from the right edge whatever the length of their captions.
TEST_F(TForm1Layout, StatusIndicatorsPackFromTheRight)
{
    TForm1& f = *form;
    f.show();
    QApplication::processEvents();
    const QList<Panel*> order = {f.Panel4, f.Panel7, f.Panel8, f.Panel31, f.Panel9};
    const auto expectPacked = [&] {
        EXPECT_EQ(f.Panel9->geometry().right() + 1, f.StatusPanel->width() - 5);
        for (Panel* p : order)
            EXPECT_EQ(p->width(), p->label()->sizeHint().width() + 6) << p->objectName().toStdString();
        for (int i = 0; i + 1 < order.size(); ++i)
            EXPECT_EQ(order[i]->geometry().right() + 1 + 4, order[i + 1]->geometry().left()) << i;
        // The labels on the left never run under the indicators.
        EXPECT_LT(f.StatusOutside->geometry().right(), f.Panel4->geometry().left());
    };
    expectPacked();

    const int before = f.Panel4->width();
    f.ControllerIndicator->setText("ControllerControllerController");
    f.packStatusIndicators();
    f.StatusPanel->layout()->activate();
    EXPECT_GT(f.Panel4->width(), 2 * before);
    expectPacked();
}

TEST(SpinButtonTest, EmitsUpAndDown)
{
    SpinButton spin;
    int up = 0, down = 0;
    QObject::connect(&spin, &SpinButton::upClicked, [&] { ++up; });
    QObject::connect(&spin, &SpinButton::downClicked, [&] { ++down; });
    spin.upButton()->click();
    spin.upButton()->click();
    spin.downButton()->click();
    EXPECT_EQ(up, 2);
    EXPECT_EQ(down, 1);
    EXPECT_EQ(spin.upButton()->focusPolicy(), Qt::NoFocus);
}

}  // namespace
