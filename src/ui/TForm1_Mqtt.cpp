// Reporting to an MQTT broker: its settings box on the options page and its observer.
#include "TForm1.h"

#include "AppInfo.h"
#include "MqttSettingsBox.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void TForm1::createMqtt()
{
    mqtt = std::make_unique<MqttClient>([this](const QString& key, const QString& value) { log->TLogLS(key, value); },
                                        [this] { return state.Temps.Deg(); }, AppVersionText());
    observers->add(mqtt.get());
    // Told from the event loop, never from inside a cycle; acted on at once, so that a stop
    // never outlives the settings that allowed it.
    connect(mqtt.get(), &MqttClient::stopRequested, this, [this] { StopButtonClick(); });
    connect(MqttBox->MqttApply, &QPushButton::clicked, this, [this] { MqttApplyClick(); });
    connect(MqttBox->MqttCaChoose, &QPushButton::clicked, this, [this] { MqttCaChooseClick(); });
    // Once the settings file has been read.
    QTimer::singleShot(0, this, [this] { guardedCall([&] { startMqtt(); }); });
}

void TForm1::startMqtt()
{
    const MqttSettings stored = MqttSettings::load(settings);
    MqttBox->fill(stored);
    mqtt->apply(stored);
}

// In force at once, and kept at once: a crash must not lose them.
void TForm1::MqttApplyClick()
{
    guardedCall([&] {
        const MqttSettings chosen = MqttBox->read();
        MqttBox->fill(chosen);
        mqtt->apply(chosen);
        chosen.save(settings);
        settings.save(state.AppFolder + "/term.ini");
    });
}

void TForm1::MqttCaChooseClick()
{
    guardedCall([&] {
        const QFileInfo current(MqttBox->MqttCaFile->text());
        const QString path = services_.dialogs.openFile(texts.LS("MqttCaFileTitle"), "PEM (*.pem *.crt);;* (*)", "pem",
                                                        current.path(), current.fileName());
        if (!path.isEmpty())
            MqttBox->setCaFile(path);
    });
}
