// The thermocouple, regulator and thermocouple-table pages of the kiln page's page control.
#include "LayoutHelpers.h"
#include "SpinButton.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

using namespace layout;

void TForm1::buildThermoCouplePage()
{
    UI_NEW(TabThermoCouple, QWidget);
    auto* page = column(TabThermoCouple, 3, 5);

    auto* channel = new QGridLayout;
    channel->setContentsMargins(2, 0, 2, 0);
    channel->setHorizontalSpacing(4);
    channel->setVerticalSpacing(3);
    UI_NEW(Label38, QLabel, "Канал:");
    UI_NEW(TC_Index, QComboBox);
    TC_Index->addItems({"1 ", "2", "3", "4", "5", "6", "7", "8"});
    TC_Index->setCurrentIndex(0);
    UI_NEW(Label12, QLabel, "Имя:");
    UI_NEW(TC_Name, QLineEdit);
    channel->addWidget(Label38, 0, 0);
    channel->addWidget(TC_Index, 0, 1, Qt::AlignLeft);
    channel->addWidget(Label12, 1, 0);
    channel->addWidget(TC_Name, 1, 1);
    channel->setColumnStretch(1, 1);
    page->addLayout(channel);

    UI_NEW(ThermoCoupleType, RadioGroup, " Тип ");
    // Two columns of type names in a 201 px panel: the condensed face keeps them whole.
    QFont narrow = ThermoCoupleType->font();
    narrow.setStretch(QFont::SemiCondensed);
    ThermoCoupleType->setFont(narrow);
    ThermoCoupleType->layout()->setContentsMargins(4, 2, 2, 2);
    ThermoCoupleType->setItems({"ТХА (K)", "ТПП10 (S)", "ТПП13 (R)", "ТПР (B)", "MAX31855K", "MAX31855S", "Линейная"});
    ThermoCoupleType->setColumns(2);
    ThermoCoupleType->setItemIndex(1);
    new ChildFont(ThermoCoupleType);
    page->addWidget(ThermoCoupleType);

    // Zero point (Z, ZT) on the left, gain point (K, KT) on the right.
    UI_NEW(CalibrationBox, QGroupBox, " Калибровка ");
    auto* g = grid(CalibrationBox, 6, 3, 3);
    UI_NEW(Label25, QLabel, "Ноль");
    UI_NEW(Label26, QLabel, "Усиление");
    g->addWidget(Label25, 0, 0, 1, 2, Qt::AlignCenter);
    g->addWidget(Label26, 0, 3, 1, 2, Qt::AlignCenter);
    UI_NEW(TERM_Z, QLineEdit, "90");
    UI_NEW(TERM_ZT, QLineEdit, "25,5");
    UI_NEW(TERM_K, QLineEdit, "130");
    UI_NEW(TERM_KT, QLineEdit, "100");
    for (QLineEdit* e : {TERM_Z, TERM_ZT, TERM_K, TERM_KT}) {
        readOnly(e);
        numberField(e, 52);
    }
    g->addWidget(plainLabel("Z:"), 1, 0);
    g->addWidget(TERM_Z, 1, 1);
    g->addWidget(plainLabel("ZT:"), 2, 0);
    g->addWidget(TERM_ZT, 2, 1);
    g->addWidget(plainLabel("K:"), 1, 3);
    g->addWidget(TERM_K, 1, 4);
    g->addWidget(plainLabel("KT:"), 2, 3);
    g->addWidget(TERM_KT, 2, 4);
    g->setColumnMinimumWidth(2, 6);
    g->setColumnStretch(2, 1);
    UI_NEW(ReadCalibrationButton, QPushButton, "Считать");
    UI_NEW(WriteCalibrationButton, QPushButton, "Записать");
    auto* buttons = row(4);
    buttons->addWidget(ReadCalibrationButton);
    buttons->addWidget(WriteCalibrationButton);
    g->addLayout(buttons, 3, 0, 1, 5);
    page->addWidget(CalibrationBox);
    page->addStretch(1);
}

void TForm1::buildRegulatorPage()
{
    UI_NEW(TabRegulator, QWidget);
    auto* page = column(TabRegulator, 4, 5);

    UI_NEW(PowerRegulation, RadioGroup, " Регулировка мощности ");
    PowerRegulation->setItems({"PID", "Ручная"});
    PowerRegulation->setColumns(2);
    PowerRegulation->setItemIndex(0);
    page->addWidget(PowerRegulation);

    auto* body = row(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(5);
    body->addLayout(left, 1);

    UI_NEW(PIDRegulator, QGroupBox, " PID-регулятор ");
    auto* g = grid(PIDRegulator, 6, 3, 3);
    const auto factor = [&](int r, QLabel*& label, const char* labelName, const QString& caption, QLineEdit*& field,
                            const char* fieldName, SpinButton*& spin, const char* spinName) {
        label = named<QLabel>(QString::fromLatin1(labelName), caption);
        field = named<QLineEdit>(QString::fromLatin1(fieldName), "1");
        numberField(field, 64);
        spin = named<SpinButton>(QString::fromLatin1(spinName));
        spin->setFixedHeight(field->sizeHint().height());
        g->addWidget(label, r, 0);
        g->addWidget(field, r, 1);
        g->addWidget(spin, r, 2);
    };
    factor(0, Label6, "Label6", "P:", PID_P, "PID_P", SpinButton1, "SpinButton1");
    factor(1, Label4, "Label4", "I:", PID_I, "PID_I", SpinButton2, "SpinButton2");
    factor(2, Label5, "Label5", "D:", PID_D, "PID_D", SpinButton3, "SpinButton3");
    UI_NEW(TuneButton, QPushButton, "Настроить…");
    g->addWidget(TuneButton, 3, 0, 1, 4);
    g->setColumnStretch(3, 1);
    left->addWidget(PIDRegulator);

    UI_NEW(PID_CORR, RadioGroup, " Коррекция PID ");
    PID_CORR->setItems({"Нет", "Малая", "Большая"});
    PID_CORR->setItemIndex(1);
    left->addWidget(PID_CORR);

    UI_NEW(Fan1_Check, QCheckBox, "Out A");
    UI_NEW(Fan2_Check, QCheckBox, "Out B");
    auto* fans = row(8);
    fans->setContentsMargins(4, 0, 0, 0);
    for (QCheckBox* c : {Fan1_Check, Fan2_Check}) {
        c->setEnabled(false);
        fans->addWidget(c);
    }
    fans->addStretch(1);

    // Manual power: the top end (position 0) is 100 %, the bottom end (position 100) is 0 %.
    UI_NEW(ManualPower, QSlider, Qt::Vertical);
    ManualPower->setRange(0, 100);
    ManualPower->setTickInterval(10);
    ManualPower->setTickPosition(QSlider::TicksRight);
    ManualPower->setPageStep(10);
    ManualPower->setInvertedAppearance(true);
    ManualPower->setInvertedControls(true);
    ManualPower->setValue(100);
    // The style fills the groove from the top end, which here would read as full power.
    QPalette flat = ManualPower->palette();
    flat.setColor(QPalette::Highlight, flat.color(QPalette::Button));
    ManualPower->setPalette(flat);
    UI_NEW(Label28, QLabel, "100");
    UI_NEW(Label29, QLabel, "50");
    UI_NEW(Label48, QLabel, "0");
    auto* marks = new QVBoxLayout;
    marks->setSpacing(0);
    marks->addWidget(Label28);
    marks->addStretch(1);
    marks->addWidget(Label29);
    marks->addStretch(1);
    marks->addWidget(Label48);
    auto* manual = new QGridLayout;
    manual->setContentsMargins(0, 8, 0, 0);
    manual->setHorizontalSpacing(2);
    manual->addWidget(ManualPower, 0, 0);
    manual->addLayout(marks, 0, 1);
    body->addLayout(manual);
    page->addLayout(body);
    page->addLayout(fans);
    page->addStretch(1);
}

void TForm1::buildThermocoupleTablePage()
{
    UI_NEW(TabSheet1, QWidget);
    auto* page = column(TabSheet1, 2, 2);
    UI_NEW(TCgrid, StringGrid, 5, 8, 1, 1);
    page->addWidget(TCgrid);
}
