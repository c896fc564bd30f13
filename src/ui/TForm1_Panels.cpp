// The program panel and the status panel across the top of the window.
#include "LayoutHelpers.h"
#include "Numbers.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <iterator>
#include <utility>

using namespace layout;

namespace {
// The status row: texts on the left, indicators packed from the right edge.
constexpr int kStatusFrame = 1;       // the group's frame line
constexpr int kStatusLeft = 6;        // inside the frame
constexpr int kStatusRight = 4;       // the indicators end 5 px inside the right edge
constexpr int kStatusSpacing = 4;     // between neighbours, and between the indicators
constexpr int kIndicatorsApart = 4;   // more room between the texts and the indicators
constexpr double kSmallestStatusPoints = 7;
constexpr int kIndicatorMargin = 6;   // an indicator is as wide as its caption and this
constexpr int kCaptionSlack = 2;      // a caption label's own width beyond its text
}  // namespace

namespace {
// A clock face for the button that starts the program later.
QIcon clockIcon(const QColor& ink)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1.4));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    return QIcon(pixmap);
}
}  // namespace

void TForm1::buildProgramPanel()
{
    UI_NEW(ProgramPanel, QGroupBox, " Программа ");
    ProgramPanel->setFixedHeight(kProgramPanelHeight);

    auto* lay = row(6);
    lay->setContentsMargins(8, 0, 6, 2);
    ProgramPanel->setLayout(lay);

    UI_NEW(ProgramState, QLabel, "Программа:");
    UI_NEW(ProgramLineNumber, QLabel, "Номер строки:");
    UI_NEW(ProgramTime, QLabel, "Время:");
    UI_NEW(ProgramForecast, QLabel);
    roomForProgramTexts();
    // The forecast takes what the texts above leave; its length never moves the buttons.
    ProgramForecast->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgramForecast->setVisible(false);
    // The state, line and time above, the countdown or the end forecast below them.
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(0);
    auto* top = row(6);
    top->addWidget(ProgramState);
    top->addWidget(ProgramLineNumber);
    top->addWidget(ProgramTime);
    top->addStretch(1);
    texts->addLayout(top);
    texts->addWidget(ProgramForecast);
    lay->addLayout(texts, 1);

    const auto button = [&](QPushButton*& member, const char* name, const QString& text, const QIcon& icon) {
        member = named<QPushButton>(QString::fromLatin1(name), text);
        member->setIcon(icon);
        member->setMinimumWidth(72);
        lay->addWidget(member);
    };
    const auto standard = [&](QStyle::StandardPixmap icon) { return style()->standardIcon(icon); };
    button(StartAtButton, "StartAtButton", "Старт в…", clockIcon(palette().color(QPalette::ButtonText)));
    button(StartButton, "StartButton", "Старт", standard(QStyle::SP_MediaPlay));
    button(StopButton, "StopButton", "Стоп", standard(QStyle::SP_MediaStop));
    button(PauseButton, "PauseButton", "Пауза", standard(QStyle::SP_MediaPause));
    button(PrevButton, "PrevButton", "Пред.", standard(QStyle::SP_MediaSeekBackward));
    button(NextButton, "NextButton", "След.", standard(QStyle::SP_MediaSeekForward));
    PauseButton->setVisible(false);
}

void TForm1::buildStatusPanel()
{
    UI_NEW(StatusPanel, QGroupBox, " Статус ");
    StatusPanel->setFixedHeight(kStatusPanelHeight);

    auto* lay = row(kStatusSpacing);
    lay->setContentsMargins(kStatusLeft, 0, kStatusRight, 2);
    StatusPanel->setLayout(lay);

    UI_NEW(StatusInside, QLabel, "В печи:");
    UI_NEW(StatusPower, QLabel, "Мощность:");
    UI_NEW(StatusTarget, QLabel, "Задание:");
    UI_NEW(StatusOutside, QLabel, "Снаружи:");
    // The four texts share what the indicators leave, in fixed proportions, so the row does
    // not jump with every new value and long indicator captions squeeze the texts, never
    // the indicators. The shares are the widths of the longest texts, here of the built-in
    // captions ("В печи: 1100.0 °C", "Мощность:100 %", ...), and of the language's once one
    // is applied (shareStatusTexts).
    const std::pair<QLabel*, int> shares[] = {{StatusInside, 110}, {StatusPower, 107}, {StatusTarget, 122},
                                              {StatusOutside, 110}};
    for (const auto& [label, share] : shares) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        lay->addWidget(label, share);
    }
    lay->addSpacing(kIndicatorsApart);

    const auto indicator = [&](Panel*& panel, const char* panelName, QLabel*& label, const char* labelName,
                               const QString& text) {
        panel = named<Panel>(QString::fromLatin1(panelName));
        label = named<QLabel>(QString::fromLatin1(labelName), text);
        panel->setLabel(label);
        panel->layout()->setContentsMargins(0, 0, 0, 0);
        panel->setColor(Colors::Grey);
        lay->addWidget(panel);
    };
    indicator(Panel4, "Panel4", ControllerIndicator, "ControllerIndicator", "Controller");
    indicator(Panel7, "Panel7", ThermocoupleIndicator, "ThermocoupleIndicator", "Thermocouple");
    indicator(Panel8, "Panel8", PhaseIndicator, "PhaseIndicator", "Phase");
    indicator(Panel31, "Panel31", SensorIndicator, "SensorIndicator", "Sensor");
    indicator(Panel9, "Panel9", ProgramIndicator, "ProgramIndicator", "Program");
    packStatusIndicators();
}

void TForm1::roomForProgramTexts()
{
    // Room for the texts the executor writes, so the buttons do not move while it runs: the
    // longest state, line 200 and the longest time, in the language and the font in force
    // (the built-in captions until a language is applied).
    const bool loaded = texts.has("ProgramState");
    const auto text = [&](const char* key, const QString& builtIn) { return loaded ? texts.LS(key) : builtIn; };
    QString state = text("ProgStopped", "остановлена");
    for (const char* key : {"ProgRunning", "ProgWaiting", "ProgPaused", "ProgFinished", "ProgBreakDown"}) {
        const QString s = text(key, QString());
        if (ProgramState->fontMetrics().horizontalAdvance(s) > ProgramState->fontMetrics().horizontalAdvance(state))
            state = s;
    }
    const std::pair<QLabel*, QString> longest[] = {
        {ProgramState, text("ProgramState", "Программа: ") + state},
        {ProgramLineNumber, text("ProgramLineNumber", "Номер строки: ") + "200"},
        {ProgramTime, text("ProgramTime", "Время: ") + "-23:59:59"},
    };
    for (const auto& [label, longestText] : longest)
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(longestText) + 2 * label->margin());
}

void TForm1::packStatusIndicators()
{
    for (Panel* p : {Panel4, Panel7, Panel8, Panel31, Panel9})
        p->setFixedWidth(p->label()->sizeHint().width() + kIndicatorMargin);
}

void TForm1::shareStatusTexts()
{
    // The longest text of each label: a reading of four digits and a decimal (what a kiln
    // shows in any scale) and full power.
    const QString reading = Numbers::formatFixed(8888.8, 5, 1) + " " + state.Temps.Deg();
    const std::pair<QLabel*, QString> longest[] = {
        {StatusInside, texts.LS("StatusInside") + reading},
        {StatusPower, texts.LS("StatusPower") + ":100 %"},
        {StatusTarget, texts.LS("StatusTarget") + reading},
        {StatusOutside, texts.LS("StatusOutside") + reading},
    };
    // The row at the creation width holds the texts and the indicators. Where the language's
    // texts or a large system font need more, the whole row gets a smaller font rather than
    // lose ends; one font for all, so that the kiln temperature is never the smaller text.
    QLabel* const captions[] = {ControllerIndicator, ThermocoupleIndicator, PhaseIndicator, SensorIndicator,
                                ProgramIndicator};
    const int room = kClientWidth - 2 * kStatusFrame - kStatusLeft - kStatusRight - 3 * kStatusSpacing -
                     kIndicatorsApart - int(std::size(captions)) * (kIndicatorMargin + kStatusSpacing);
    const auto widest = [&](const QFont& font) {
        const QFontMetrics metrics(font);
        int sum = 0;
        for (const auto& [label, text] : longest)
            sum += metrics.horizontalAdvance(text);
        for (const QLabel* caption : captions)
            sum += metrics.horizontalAdvance(caption->text()) + kCaptionSlack;
        return sum;
    };
    QFont font = QApplication::font(StatusPanel);
    while (widest(font) > room && font.pointSizeF() - 0.5 >= kSmallestStatusPoints)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    auto* lay = static_cast<QBoxLayout*>(StatusPanel->layout());
    const QFontMetrics metrics(font);
    for (const auto& [label, text] : longest) {
        label->setFont(font);
        lay->setStretchFactor(label, metrics.horizontalAdvance(text));
    }
    for (QLabel* caption : captions)
        caption->setFont(font);
    packStatusIndicators();
}
