// The work page: series switches with their colour panels, chart buttons, the energy meter
// and the temperature chart.
#include "LayoutHelpers.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <qcustomplot.h>

using namespace layout;

namespace {

// A series switch: its tag is the series index.
QCheckBox* seriesSwitch(QCheckBox*& member, const char* name, const QString& text, int series, bool checked)
{
    member = named<QCheckBox>(QString::fromLatin1(name), text);
    setTag(member, series);
    member->setChecked(checked);
    return member;
}

// A colour panel: its tag is the number in its switch's name.
Panel* colourPanel(Panel*& member, const char* name, int tag, const QColor& colour)
{
    member = named<Panel>(QString::fromLatin1(name));
    setTag(member, tag);
    member->setColor(colour);
    member->setFrameShadow(QFrame::Sunken);
    member->setFixedSize(16, 14);
    member->setCursor(Qt::PointingHandCursor);
    return member;
}

void addPair(QGridLayout* g, int r, int c, QCheckBox* box, Panel* panel)
{
    g->addWidget(box, r, c);
    g->addWidget(panel, r, c + 1, Qt::AlignVCenter);
}

}  // namespace

void TForm1::buildWorkPage()
{
    UI_NEW(TabWork, QWidget);
    auto* page = row(0);
    TabWork->setLayout(page);

    UI_NEW(Panel2, Panel);
    Panel2->setFixedWidth(kWorkPanelWidth);  // widened by fitSidePanels where the texts need it
    Panel2->setFrameShape(QFrame::NoFrame);
    auto* side = column(Panel2, 2, 2);
    page->addWidget(Panel2);

    const QColor green(0, 128, 0);

    // Thermocouple channels 1..8 are series 7..14; 1-4 in the left column, 5-8 in the right.
    UI_NEW(InsideT, QGroupBox, " t в печи ");
    auto* gi = grid(InsideT, 4, 2, 1);
    addPair(gi, 0, 0, seriesSwitch(CheckBox7, "CheckBox7", "1", 7, true), colourPanel(Panel22, "Panel22", 7, green));
    addPair(gi, 1, 0, seriesSwitch(CheckBox15, "CheckBox15", "2", 8, true), colourPanel(Panel23, "Panel23", 15, green));
    addPair(gi, 2, 0, seriesSwitch(CheckBox16, "CheckBox16", "3", 9, true), colourPanel(Panel24, "Panel24", 16, green));
    addPair(gi, 3, 0, seriesSwitch(CheckBox17, "CheckBox17", "4", 10, false), colourPanel(Panel25, "Panel25", 17, green));
    addPair(gi, 0, 2, seriesSwitch(CheckBox18, "CheckBox18", "5", 11, false), colourPanel(Panel29, "Panel29", 18, green));
    addPair(gi, 1, 2, seriesSwitch(CheckBox19, "CheckBox19", "6", 12, false), colourPanel(Panel28, "Panel28", 19, green));
    addPair(gi, 2, 2, seriesSwitch(CheckBox20, "CheckBox20", "7", 13, false), colourPanel(Panel27, "Panel27", 20, green));
    addPair(gi, 3, 2, seriesSwitch(CheckBox21, "CheckBox21", "8", 14, false), colourPanel(Panel26, "Panel26", 21, green));
    gi->setColumnStretch(0, 1);
    gi->setColumnStretch(2, 1);
    gi->setColumnMinimumWidth(1, 22);
    side->addWidget(InsideT);

    // The regulator terms are recorded but their switches are never offered.
    UI_NEW(PIDGraph, QGroupBox, " PID-регулятор ");
    auto* gp = grid(PIDGraph, 4, 2, 1);
    addPair(gp, 0, 0, seriesSwitch(CheckBox8, "CheckBox8", "P", 1, false),
            colourPanel(Panel21, "Panel21", 8, Colors::Blue));
    addPair(gp, 1, 0, seriesSwitch(CheckBox9, "CheckBox9", "I", 2, false),
            colourPanel(Panel20, "Panel20", 9, QColor(255, 0, 255)));
    addPair(gp, 0, 2, seriesSwitch(CheckBox10, "CheckBox10", "D", 3, false),
            colourPanel(Panel18, "Panel18", 10, QApplication::palette().color(QPalette::WindowText)));
    addPair(gp, 1, 2, seriesSwitch(CheckBox11, "CheckBox11", "Y", 6, false),
            colourPanel(Panel19, "Panel19", 11, Colors::Yellow));
    PIDGraph->setVisible(false);
    side->addWidget(PIDGraph);

    UI_NEW(GeneralData, QGroupBox, " Общие данные ");
    auto* gg = grid(GeneralData, 4, 2, 1);
    addPair(gg, 0, 0, seriesSwitch(CheckBox13, "CheckBox13", "Мощность", 4, true),
            colourPanel(Panel17, "Panel17", 13, Colors::Red));
    addPair(gg, 1, 0, seriesSwitch(CheckBox12, "CheckBox12", "t - задание", 5, true),
            colourPanel(Panel16, "Panel16", 12, QColor(255, 128, 0)));
    addPair(gg, 2, 0, seriesSwitch(CheckBox6, "CheckBox6", "t снаружи", 0, true),
            colourPanel(Panel15, "Panel15", 6, Colors::Lime));
    addPair(gg, 3, 0, seriesSwitch(CheckBox1, "CheckBox1", "Строки", 16, true),
            colourPanel(Panel30, "Panel30", 1, QApplication::palette().color(QPalette::ToolTipBase)));
    gg->setColumnStretch(0, 1);
    side->addWidget(GeneralData);

    UI_NEW(GraphButtons, QGroupBox, " График ");
    auto* gb = column(GraphButtons, 4, 3);
    UI_NEW(GraphSave, QPushButton, "Сохранить");
    UI_NEW(GraphClear, QPushButton, "Очистить");
    gb->addWidget(GraphSave);
    gb->addWidget(GraphClear);
    side->addWidget(GraphButtons);

    UI_NEW(WattMeter, QGroupBox, " Ваттметр ");
    auto* gw = column(WattMeter, 4, 1);
    const auto meter = [&](QLabel*& label, const char* labelName, const QString& text, QLineEdit*& field,
                           const char* fieldName) {
        label = named<QLabel>(QString::fromLatin1(labelName), text);
        field = named<QLineEdit>(QString::fromLatin1(fieldName));
        readOnly(field);
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        gw->addWidget(label);
        gw->addWidget(field);
        if (&field != &Edit10)
            gw->addSpacing(2);
    };
    meter(WPower, "WPower", "Мощность, кВт", CurPower, "CurPower");
    meter(WEnergy, "WEnergy", "Энергия, кВт*ч", Edit9, "Edit9");
    meter(WCost, "WCost", "Стоимость, руб", Edit10, "Edit10");
    side->addWidget(WattMeter);
    side->addStretch(1);

    UI_NEW(Chart1, QCustomPlot);
    styleChart(Chart1);
    page->addWidget(Chart1, 1);
}
