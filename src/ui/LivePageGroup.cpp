#include "LivePageGroup.h"

#include "LayoutHelpers.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using namespace layout;

LivePageGroup::LivePageGroup(QWidget* parent) : QGroupBox(" Страница для телефона ", parent)
{
    setObjectName("LivePageBox");
    setCheckable(true);
    setChecked(false);
    auto* g = grid(this, 4, 4, 2);
    UI_NEW(LivePageLocal, QRadioButton, "Этот компьютер");
    UI_NEW(LivePageNetwork, QRadioButton, "Сеть мастерской");
    auto* where = new QButtonGroup(this);
    where->addButton(LivePageLocal);
    where->addButton(LivePageNetwork);
    LivePageLocal->setChecked(true);
    UI_NEW(LivePagePortLabel, QLabel, "Порт");
    UI_NEW(LivePagePort, QSpinBox);
    LivePagePort->setRange(1, 65535);
    LivePagePort->setValue(LivePageSettings::kDefaultPort);
    UI_NEW(LivePageCodeLabel, QLabel, "Код");
    UI_NEW(LivePageCode, QLineEdit);
    LivePageCode->setEchoMode(QLineEdit::Password);
    LivePageCode->setFixedWidth(70);
    outcome = named<QLineEdit>("livePageOutcome");
    outcome->setReadOnly(true);
    UI_NEW(LivePageApply, QPushButton, "Применить");

    auto* top = row(4);
    top->addWidget(LivePageLocal);
    top->addWidget(LivePageNetwork);
    top->addStretch(1);
    top->addWidget(LivePagePortLabel);
    top->addWidget(LivePagePort);
    auto* bottom = row(4);
    bottom->addWidget(LivePageCodeLabel);
    bottom->addWidget(LivePageCode);
    bottom->addWidget(outcome, 1);
    bottom->addWidget(LivePageApply);
    g->addLayout(top, 0, 0);
    g->addLayout(bottom, 1, 0);
    // Switching off must still be applied: the title's tick disables the rest, not Apply.
    connect(this, &QGroupBox::toggled, LivePageApply, [this] { LivePageApply->setEnabled(true); });
    connect(LivePageApply, &QPushButton::clicked, this, &LivePageGroup::applyClicked);
}

void LivePageGroup::setSettings(const LivePageSettings& s)
{
    setChecked(s.enabled);
    LivePageApply->setEnabled(true);
    LivePagePort->setValue(s.port);
    (s.network ? LivePageNetwork : LivePageLocal)->setChecked(true);
    LivePageCode->setText(s.code);
}

LivePageSettings LivePageGroup::settings() const
{
    LivePageSettings s;
    s.enabled = isChecked();
    s.port = LivePagePort->value();
    s.network = LivePageNetwork->isChecked();
    s.code = LivePageCode->text();
    return s;
}

void LivePageGroup::showOutcome(const QString& text, const QString& explained, bool problem)
{
    outcome->setText(text);
    outcome->setCursorPosition(0);
    outcome->setToolTip(explained);
    outcome->setStyleSheet(problem ? "color: #c62828; font-weight: bold;" : QString());
}
