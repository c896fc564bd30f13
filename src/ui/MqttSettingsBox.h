#pragma once
#include "MqttSettings.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The MQTT settings on the options page. Its captions come from the language files by the
// controls' names; its Apply button and its "..." for the CA file are wired by the window.
class MqttSettingsBox : public QGroupBox {
    Q_OBJECT
public:
    explicit MqttSettingsBox(QWidget* parent = nullptr);

    void fill(const MqttSettings& settings);
    // What the fields hold; a port that is no number in 1..65535 reads as TLS's or plain default.
    MqttSettings read() const;
    void setCaFile(const QString& path);

    QCheckBox* MqttOn = nullptr;
    QCheckBox* MqttTls = nullptr;
    QLabel* MqttHostLabel = nullptr;
    QLineEdit* MqttHost = nullptr;
    QLabel* MqttPortLabel = nullptr;
    QLineEdit* MqttPort = nullptr;
    QLabel* MqttCaLabel = nullptr;
    QLineEdit* MqttCaFile = nullptr;
    QPushButton* MqttCaChoose = nullptr;
    QLabel* MqttUserLabel = nullptr;
    QLineEdit* MqttUser = nullptr;
    QLabel* MqttPasswordLabel = nullptr;
    QLineEdit* MqttPassword = nullptr;
    QLabel* MqttKilnLabel = nullptr;
    QLineEdit* MqttKiln = nullptr;
    QLabel* MqttPrefixLabel = nullptr;
    QLineEdit* MqttPrefix = nullptr;
    QCheckBox* MqttAllowStop = nullptr;
    QPushButton* MqttApply = nullptr;

private:
    void tlsToggled(bool on);
};
