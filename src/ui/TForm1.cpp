#include "TForm1.h"

#include "ColourScheme.h"
#include "HistoryPage.h"
#include "HistoryRecorder.h"
#include "LayoutHelpers.h"
#include "Widgets.h"

#include <QFontDatabase>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace layout {

QFont fixedFont()
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics m(f);
    if (m.horizontalAdvance("iiii") != m.horizontalAdvance("MMMM")) {
        f = QFont("Monospace");
        f.setStyleHint(QFont::TypeWriter);
    }
    return f;
}

void styleChart(QCustomPlot* chart)
{
    chart->setBackground(Qt::white);
    chart->setMinimumSize(200, 150);
    chart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    chart->legend->setVisible(false);
    chart->xAxis2->setVisible(false);
    chart->yAxis2->setVisible(false);
}

}  // namespace layout

TForm1::TForm1(AppServices services, QWidget* parent)
    : QMainWindow(parent), services_(services), folders_(foldersFor(services))
{
    setObjectName("TForm1");
    // Before any control exists, so that the colours chosen from the palette are this one's.
    ColourScheme::followEnvironment();
    buildWindow();
    buildTimers();
    buildDialogs();
    createSubsystems();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1()
{
    if (log)
        log->setListener({});
}

void TForm1::buildWindow()
{
    auto* central = new QWidget(this);
    central->setObjectName("TForm1Client");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    buildProgramPanel();
    buildStatusPanel();
    buildPageControl();

    layout->addWidget(ProgramPanel);
    layout->addWidget(StatusPanel);
    layout->addWidget(PageControl1, 1);
    setCentralWidget(central);

    // Group titles sit in the frame line, as on the classic desktop, which keeps the two
    // narrow panels at the top readable at their fixed heights.
    setStyleSheet("QGroupBox { border: 1px solid palette(mid); border-radius: 3px;"
                  " margin-top: 7px; padding-top: 6px; }"
                  "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                  " left: 5px; padding: 0px; }");

    // The outer size includes the title bar and the frame, which the window system adds to
    // the client area; allow the usual 8 x 34 px for them.
    setMinimumSize(kMinOuterWidth - 8, kMinOuterHeight - 34);
    resize(kClientWidth, kClientHeight);
    fitWindowToContents();
}

void TForm1::fitSidePanels()
{
    // The usual widths, or what the titles, captions and table headings need in the language
    // and the font in force. The size hint would ask room for long values too; the minimum
    // is what keeps every text whole.
    const std::pair<QWidget*, int> panels[] = {{Panel2, kWorkPanelWidth}, {Panel1, kProgramPanelWidth}};
    for (const auto& [panel, usual] : panels) {
        const QMargins margins = panel->layout()->contentsMargins();
        int need = usual;
        for (QObject* child : panel->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            const bool hiddenForGood = w && w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
            if (w && !hiddenForGood)
                need = std::max(need, w->minimumSizeHint().width() + margins.left() + margins.right());
        }
        panel->setFixedWidth(need);
    }
}

void TForm1::fitWindowToContents()
{
    fitSidePanels();
    setMinimumSize(QSize(kMinOuterWidth - 8, kMinOuterHeight - 34).expandedTo(centralWidget()->minimumSizeHint()));
}

void TForm1::buildPageControl()
{
    UI_NEW(PageControl1, QTabWidget);
    buildWorkPage();
    buildProgramPage();
    buildOvenPage();
    buildOptionsPage();
    buildLogPage();
    buildHistoryPage();
    buildHelpPage();
    buildDebugPage();

    PageControl1->addTab(TabWork, "Работа");
    PageControl1->addTab(TabEditProgram, "Ввод программы");
    PageControl1->addTab(TabOven, "Печь");
    PageControl1->addTab(TabOptions, "Настройка");
    PageControl1->addTab(TabLog, "Лог");
    PageControl1->addTab(TabHelp, "Справка");
    // After the tabs the settings file numbers, so that a stored tab number keeps its tab.
    PageControl1->addTab(TabHistory, "История");
    PageControl1->addTab(TabDebug, "Отладка");
    // The service page is built but never offered.
    PageControl1->setTabVisible(PageControl1->indexOf(TabDebug), false);
    PageControl1->setCurrentWidget(TabWork);
}

void TForm1::buildTimers()
{
    const auto timer = [this](QTimer*& member, const char* name, int interval) {
        member = new QTimer(this);
        member->setObjectName(QString::fromLatin1(name));
        member->setInterval(interval);
    };
    timer(InterfaceTimer, "InterfaceTimer", 2000);
    timer(HardwareTimer, "HardwareTimer", 100);
    timer(BreakTimer, "BreakTimer", 10 * 60 * 1000);
    timer(ShutDownTimer, "ShutDownTimer", 1000);
    timer(FlashTimer, "FlashTimer", 1000);
    timer(TLogTimer, "TLogTimer", 1000);
}

void TForm1::buildDialogs()
{
    // The built-in texts, each replaced by the loaded language's where it has one.
    const auto text = [this](const char* key, const QString& builtIn) {
        for (const QString& line : texts.lines())
            if (MessageTable::lineName(line).compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                return texts.LS(key);
        return builtIn;
    };
    const QString programs = text("KilningPrograms", "Программы обжига (*.prg)|*.prg");
    OpenDialog1 = {programs, text("LoadKilningProgram", "Загрузить программу обжига"), "prg"};
    SaveDialog1 = {programs, text("SaveKilningProgram", "Сохранить программу обжига"), "prg"};
    const QString ovens = text("OvenConfigurations", "Конфигурации печи (*.ovn)|*.ovn");
    OpenDialog2 = {ovens, text("LoadOvenConfiguration", "Загрузить конфигурацию печи"), "ovn"};
    SaveDialog2 = {ovens, text("SaveOvenConfiguration", "Сохранить конфигурацию печи"), "ovn"};
    OpenDialog3 = {text("SoundFiles", "Звуковые файлы (*.wav)|*.wav|Все файлы (*.*)|*.*"),
                   text("SoundFile", "Звуковой файл"), "wav"};
}
