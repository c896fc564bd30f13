// The kiln page: file and chart buttons, the inner page control and the preview chart;
// the heater page of the inner page control.
#include "LayoutHelpers.h"
#include "SpinButton.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <qcustomplot.h>

using namespace layout;

void TForm1::buildOvenPage()
{
    UI_NEW(TabOven, QWidget);
    auto* page = row(0);
    TabOven->setLayout(page);

    UI_NEW(Panel6, Panel);
    Panel6->setFixedWidth(kOvenPanelWidth);
    Panel6->setFrameShape(QFrame::NoFrame);
    auto* side = column(Panel6, 3, 3);
    page->addWidget(Panel6);

    UI_NEW(Panel5, Panel);
    Panel5->setFrameShape(QFrame::NoFrame);
    auto* files = row(3);
    Panel5->setLayout(files);
    UI_NEW(OvenSave, QPushButton, "Сохранить");
    UI_NEW(OvenLoad, QPushButton, "Загрузить");
    files->addWidget(OvenSave);
    files->addWidget(OvenLoad);
    side->addWidget(Panel5);

    UI_NEW(OvenGraph, QGroupBox, " График ");
    auto* g = grid(OvenGraph, 5, 3, 3);
    UI_NEW(OvenProgram, QPushButton, "Программа");
    UI_NEW(OvenModel, QPushButton, "Модель");
    UI_NEW(OvenClear, QPushButton, "Очистить");
    UI_NEW(TC_Graph, QPushButton, "Термопара");
    g->addWidget(OvenProgram, 0, 0);
    g->addWidget(OvenModel, 0, 1);
    g->addWidget(TC_Graph, 1, 0);
    g->addWidget(OvenClear, 1, 1);
    side->addWidget(OvenGraph);

    UI_NEW(PageControl2, QTabWidget);
    // Three tabs share the 201 px of the side panel: a narrower face and tight padding
    // keep them whole; a longer translation is elided rather than scrolled.
    QFont tabFont = PageControl2->font();
    tabFont.setPointSizeF(tabFont.pointSizeF() - 1);
    tabFont.setStretch(80);
    PageControl2->tabBar()->setFont(tabFont);
    PageControl2->setStyleSheet("QTabBar::tab { padding: 3px 4px; }");
    PageControl2->setUsesScrollButtons(false);
    PageControl2->setElideMode(Qt::ElideRight);
    buildHeaterPage();
    buildThermoCouplePage();
    buildRegulatorPage();
    buildThermocoupleTablePage();
    PageControl2->addTab(TabHeater, "Нагреватель");
    PageControl2->addTab(TabThermoCouple, "Термопара");
    PageControl2->addTab(TabRegulator, "Регулятор");
    PageControl2->addTab(TabSheet1, "Термопары");
    PageControl2->setTabVisible(PageControl2->indexOf(TabSheet1), false);
    PageControl2->setCurrentWidget(TabThermoCouple);
    side->addWidget(PageControl2, 1);

    UI_NEW(Chart3, QCustomPlot);
    styleChart(Chart3);
    page->addWidget(Chart3, 1);
}

void TForm1::buildHeaterPage()
{
    UI_NEW(TabHeater, QWidget);
    auto* page = column(TabHeater, 3, 6);

    UI_NEW(HMathModel, QGroupBox, " Математическая модель");
    auto* gm = grid(HMathModel, 6, 4, 3);
    const auto factor = [&](int r, QLabel*& label, const char* labelName, const QString& caption, QLineEdit*& field,
                            const char* fieldName, const QString& text, SpinButton*& spin, const char* spinName) {
        label = named<QLabel>(QString::fromLatin1(labelName), caption);
        field = named<QLineEdit>(QString::fromLatin1(fieldName), text);
        numberField(field, 90);
        spin = named<SpinButton>(QString::fromLatin1(spinName));
        spin->setFixedHeight(field->sizeHint().height());
        gm->addWidget(label, r, 0);
        gm->addWidget(field, r, 1);
        gm->addWidget(spin, r, 2);
    };
    factor(0, Label7, "Label7", "R:", MODEL_R, "MODEL_R", "0,003", SpinButton5, "SpinButton5");
    factor(1, Label8, "Label8", "P:", MODEL_P, "MODEL_P", "0,02", SpinButton6, "SpinButton6");
    factor(2, Label9, "Label9", "I:", MODEL_I, "MODEL_I", "0,005", SpinButton4, "SpinButton4");
    gm->setColumnStretch(3, 1);
    // Kept for the language files; these two never show and have no action.
    UI_NEW(HModelCalc, QPushButton, "Рассчитать");
    UI_NEW(HModelRun, QPushButton, "Прогнать");
    HModelCalc->setVisible(false);
    HModelRun->setVisible(false);
    gm->addWidget(HModelCalc, 3, 0, 1, 2);
    gm->addWidget(HModelRun, 4, 0, 1, 2);
    UI_NEW(FitButton, QPushButton, "По обжигу…");
    gm->addWidget(FitButton, 5, 0, 1, 4);
    page->addWidget(HMathModel);

    UI_NEW(HeaterMaximum, QGroupBox, " Максимальные параметры ");
    auto* gh = grid(HeaterMaximum, 6, 4, 3);
    UI_NEW(HMaxPower, QLabel, "Мощность, Вт");
    UI_NEW(HMaxTemperature, QLabel, "Температура, C");
    UI_NEW(HeaterPower, QLineEdit, "1000");
    UI_NEW(MAXTEMP, QLineEdit, "1100");
    // Both come from the oven file only.
    for (QLineEdit* e : {HeaterPower, MAXTEMP}) {
        readOnly(e);
        numberField(e, 60);
    }
    gh->addWidget(HMaxPower, 0, 0);
    gh->addWidget(HeaterPower, 0, 1);
    gh->addWidget(HMaxTemperature, 1, 0);
    gh->addWidget(MAXTEMP, 1, 1);
    gh->setColumnStretch(0, 1);
    page->addWidget(HeaterMaximum);

    auto* power = row(4);
    power->setContentsMargins(2, 0, 0, 0);
    UI_NEW(HModelPower, QLabel, "Мощность при\nпостроении модели");
    UI_NEW(MODELPOWER, QLineEdit, "20");
    numberField(MODELPOWER, 36);
    UI_NEW(Label32, QLabel, "%");
    power->addWidget(HModelPower, 1);
    power->addWidget(MODELPOWER);
    power->addWidget(Label32);
    page->addLayout(power);
    page->addStretch(1);
}
