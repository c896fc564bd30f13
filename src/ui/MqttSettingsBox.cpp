#include "MqttSettingsBox.h"

#include "LayoutHelpers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace layout;

MqttSettingsBox::MqttSettingsBox(QWidget* parent) : QGroupBox(" MQTT ", parent)
{
    setObjectName("MqttBox");
    // Two fields a row keeps the box low enough for the left column at 1024x768.
    auto* g = grid(this, 8, 4, 3);
    UI_NEW(MqttOn, QCheckBox, "Report to an MQTT broker");
    UI_NEW(MqttTls, QCheckBox, "TLS");
    UI_NEW(MqttHostLabel, QLabel, "Broker");
    UI_NEW(MqttHost, QLineEdit);
    UI_NEW(MqttPortLabel, QLabel, "Port");
    UI_NEW(MqttPort, QLineEdit);
    numberField(MqttPort, 50);
    UI_NEW(MqttCaLabel, QLabel, "CA file");
    UI_NEW(MqttCaFile, QLineEdit);
    UI_NEW(MqttCaChoose, QPushButton, "...");
    MqttCaChoose->setFixedWidth(28);
    UI_NEW(MqttUserLabel, QLabel, "User");
    UI_NEW(MqttUser, QLineEdit);
    UI_NEW(MqttPasswordLabel, QLabel, "Password");
    UI_NEW(MqttPassword, QLineEdit);
    MqttPassword->setEchoMode(QLineEdit::Password);
    UI_NEW(MqttKilnLabel, QLabel, "Kiln");
    UI_NEW(MqttKiln, QLineEdit);
    UI_NEW(MqttPrefixLabel, QLabel, "Discovery");
    UI_NEW(MqttPrefix, QLineEdit);
    UI_NEW(MqttAllowStop, QCheckBox, "Allow Stop from the network");
    UI_NEW(MqttApply, QPushButton, "Apply");

    g->addWidget(MqttOn, 0, 0, 1, 3);
    g->addWidget(MqttTls, 0, 3, 1, 2);
    g->addWidget(MqttHostLabel, 1, 0);
    g->addWidget(MqttHost, 1, 1);
    g->addWidget(MqttPortLabel, 1, 2);
    g->addWidget(MqttPort, 1, 3, 1, 2);
    g->addWidget(MqttUserLabel, 2, 0);
    g->addWidget(MqttUser, 2, 1);
    g->addWidget(MqttPasswordLabel, 2, 2);
    g->addWidget(MqttPassword, 2, 3, 1, 2);
    g->addWidget(MqttKilnLabel, 3, 0);
    g->addWidget(MqttKiln, 3, 1);
    g->addWidget(MqttPrefixLabel, 3, 2);
    g->addWidget(MqttPrefix, 3, 3, 1, 2);
    g->addWidget(MqttCaLabel, 4, 0);
    g->addWidget(MqttCaFile, 4, 1, 1, 3);
    g->addWidget(MqttCaChoose, 4, 4);
    g->addWidget(MqttAllowStop, 5, 0, 1, 3);
    g->addWidget(MqttApply, 5, 3, 1, 2);
    g->setColumnStretch(1, 3);
    g->setColumnStretch(3, 2);

    connect(MqttTls, &QCheckBox::toggled, this, [this](bool on) { tlsToggled(on); });
    fill(MqttSettings());
}

// A port left at the other mode's default follows the mode.
void MqttSettingsBox::tlsToggled(bool on)
{
    if (MqttSettings::portFrom(MqttPort->text()) == MqttSettings::defaultPort(!on))
        MqttPort->setText(QString::number(MqttSettings::defaultPort(on)));
}

void MqttSettingsBox::fill(const MqttSettings& s)
{
    const QSignalBlocker quiet(MqttTls);
    MqttOn->setChecked(s.enabled);
    MqttTls->setChecked(s.tls);
    MqttHost->setText(s.host);
    MqttPort->setText(QString::number(s.port));
    MqttCaFile->setText(s.caFile);
    MqttUser->setText(s.user);
    MqttPassword->setText(s.password);
    MqttKiln->setText(s.kilnName);
    MqttPrefix->setText(s.discoveryPrefix);
    MqttAllowStop->setChecked(s.allowStop);
}

MqttSettings MqttSettingsBox::read() const
{
    MqttSettings s;
    s.enabled = MqttOn->isChecked();
    s.tls = MqttTls->isChecked();
    s.host = MqttHost->text();
    s.port = MqttSettings::portFrom(MqttPort->text());
    s.caFile = MqttCaFile->text();
    s.user = MqttUser->text();
    s.password = MqttPassword->text();
    s.kilnName = MqttKiln->text();
    s.discoveryPrefix = MqttPrefix->text();
    s.allowStop = MqttAllowStop->isChecked();
    return s.normalized();
}

void MqttSettingsBox::setCaFile(const QString& path) { MqttCaFile->setText(path); }
