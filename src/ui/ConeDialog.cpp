#include "ConeDialog.h"

#include "Numbers.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* spinBox(int lowest, int highest, int value, const QString& suffix)
{
    auto* box = new QSpinBox;
    box->setRange(lowest, highest);
    box->setValue(value);
    box->setSuffix(" " + suffix);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

}  // namespace

ConeDialog::ConeDialog(ConeTable table, const TemperatureScale& scale, const MessageSource& texts,
                       QWidget* parent)
    : QDialog(parent), table_(std::move(table)), scale_(scale), texts_(texts)
{
    setWindowTitle(texts_.LS("ConeDialogTitle"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    fillCones();

    const auto changed = [this] { showSummary(); };
    connect(cone, &QComboBox::currentIndexChanged, this, changed);
    connect(speed, &QComboBox::currentIndexChanged, this, changed);
    connect(candling, &QCheckBox::toggled, this, [this](bool on) {
        candlingTemp->setEnabled(on);
        candlingMinutes->setEnabled(on);
        showSummary();
    });
    for (QSpinBox* box : {candlingTemp, candlingMinutes, holdMinutes})
        connect(box, &QSpinBox::valueChanged, this, changed);
    connect(write, &QPushButton::clicked, this, [this] {
        emit programChosen(choice());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showSummary();
    adjustSize();
}

void ConeDialog::buildControls()
{
    cone = new QComboBox;
    speed = new QComboBox;
    for (ConeSpeed s : {ConeSpeed::Slow, ConeSpeed::Medium, ConeSpeed::Fast})
        speed->addItem(ConeProgram::SpeedName(s, texts_));
    speed->setCurrentIndex(1);

    const QString minutes = texts_.LS("Minutes1");
    const auto shown = [this](int celsius) { return Numbers::roundHalfEven(scale_.TX(celsius)); };
    candling = new QCheckBox(texts_.LS("ConeCandling"));
    candlingTemp = spinBox(shown(kCandlingLowest), shown(kCandlingHighest), shown(kCandlingDefault), scale_.Deg());
    candlingMinutes = spinBox(1, kLongestHold, ConeChoice{}.candlingMinutes, minutes);
    candlingTemp->setEnabled(false);
    candlingMinutes->setEnabled(false);
    holdMinutes = spinBox(0, kLongestHold, ConeChoice{}.holdMinutes, minutes);

    auto* candlingRow = new QHBoxLayout;
    candlingRow->addWidget(candlingTemp);
    candlingRow->addWidget(candlingMinutes);

    summary = new QLabel;
    summary->setWordWrap(true);
    error = new QLabel;
    error->setWordWrap(true);
    Colors::setTextColor(error, Colors::Red);

    write = new QPushButton(texts_.LS("ConeWrite"));
    write->setDefault(true);
    cancel = new QPushButton(texts_.LS("ConeCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(cancel);

    auto* form = new QFormLayout;
    form->addRow(texts_.LS("ConeCone"), cone);
    form->addRow(texts_.LS("ConeSpeed"), speed);
    form->addRow(candling, candlingRow);
    form->addRow(texts_.LS("ConeHold"), holdMinutes);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(summary);
    layout->addWidget(error);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(340);
}

void ConeDialog::fillCones()
{
    for (const Cone& c : table_.cones())
        cone->addItem(c.name);
    const int preset = cone->findText(kDefaultCone);
    cone->setCurrentIndex(preset >= 0 ? preset : 0);
    error->setText(table_.ErrorText(texts_));
    error->setVisible(!table_.ok());
    write->setEnabled(table_.ok());
    for (QWidget* w : std::initializer_list<QWidget*>{cone, speed, candling, holdMinutes})
        w->setEnabled(table_.ok());
}

ConeChoice ConeDialog::choice() const
{
    ConeChoice c;
    const int index = cone->currentIndex();
    if (index >= 0 && index < int(table_.cones().size()))
        c.cone = table_.cones()[index];
    c.speed = ConeSpeed(speed->currentIndex());
    c.candling = candling->isChecked();
    c.candlingTemp = scale_.ST(Numbers::formatInt(candlingTemp->value()));
    c.candlingMinutes = candlingMinutes->value();
    c.holdMinutes = holdMinutes->value();
    return c;
}

QString ConeDialog::degrees(double celsius, bool difference) const
{
    const double shown = scale_.TX(celsius) - (difference ? scale_.TX(0) : 0);
    return Numbers::formatInt(Numbers::roundHalfEven(shown)) + " " + scale_.Deg();
}

void ConeDialog::showSummary()
{
    if (!table_.ok()) {
        summary->clear();
        return;
    }
    const ConeChoice c = choice();
    const ConeProgram program(c);
    const ConeProgram::Rates rates = ConeProgram::RatesOf(c.speed);
    const QString perHour = texts_.LS("ConePerHour");
    int minutes = 0;
    for (const ProgramStep& line : program.Lines())
        minutes += line.minutes;
    const QStringList lines = {
        texts_.LS("ConeSummaryLow") + degrees(ConeProgram::kLowRangeTop) + ": " + degrees(rates.low, true) + perHour,
        texts_.LS("ConeSummaryHigh") + degrees(rates.high, true) + perHour,
        texts_.LS("ConeSummaryFinal") + degrees(ConeProgram::kFinalRange, true) + ": " + degrees(rates.final, true) +
            perHour,
        texts_.LS("ConeSummaryEnd") + degrees(program.EndTemp()),
        texts_.LS("ConeSummaryTime") + Numbers::formatInt(minutes / 60) + ":" +
            QString::number(minutes % 60).rightJustified(2, '0'),
    };
    summary->setText(lines.join("\n"));
}
