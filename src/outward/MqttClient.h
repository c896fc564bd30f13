#pragma once
#include "CycleReport.h"
#include "MqttLinkLog.h"
#include "MqttSession.h"
#include "MqttSettings.h"
#include "MqttTopics.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <set>

// Reports the firing to an MQTT broker: the state after every cycle, every log entry, and
// Home Assistant's discovery configs; takes Stop from the command topic when allowed. The
// cycle only hands its report over; the connection lives on its session's thread, whose news
// reaches this object, and so the log, through the event loop.
class MqttClient : public QObject, public CycleObserver {
    Q_OBJECT
public:
    using Log = std::function<void(const QString& key, const QString& value)>;

    // `unit` gives the window's temperature scale for the discovery configs.
    MqttClient(Log log, std::function<QString()> unit, QString swVersion, QObject* parent = nullptr);
    // An orderly close: "offline" is sent, within a few seconds at most.
    ~MqttClient() override;

    // Closes the connection there is and, when switched on, connects with these settings.
    // A renamed kiln's or moved prefix's old configs are cleared on the next connection.
    void apply(const MqttSettings& settings);
    const MqttSettings& settings() const { return settings_; }
    bool connected() const { return session_ && session_->connected(); }
    // The pauses between attempts; shorter ones only for tests.
    void setRetry(MqttSession::Retry retry) { retry_ = retry; }

    QString observerName() const override { return "MQTT"; }
    void cycleReported(const CycleReport& report) override;
    void eventLogged(const EventEntry& entry) override;

signals:
    // A stop from the network, allowed by the settings; already logged.
    void stopRequested();

private:
    void closeSession(int waitMs);
    std::vector<HomeAssistantDiscovery::Config> discovery() const;
    void linkEvent(quint64 generation, MqttLinkLog::Event event, const QString& detail);
    void commandArrived(quint64 generation, const QByteArray& head, qsizetype size);
    void refuseOnce(const QString& key, const QString& value);

    Log log_;
    std::function<QString()> unit_;
    QString swVersion_;
    MqttSession::Retry retry_;
    MqttSettings settings_;
    QString discoveryUnit_;
    // The prefix and kiln whose discovery configs the broker may hold, from the last settings
    // that were switched on.
    std::optional<std::pair<QString, QString>> announced_;
    std::shared_ptr<MqttSession> session_;
    std::shared_ptr<MqttSession> retired_;  // closed, perhaps still saying "offline"
    quint64 generation_ = 0;  // news of a closed session is dropped
    MqttLinkLog linkLog_;
    std::set<QString> refused_;  // the kinds of command refused since the settings were applied
};
