#pragma once
#include "CycleReport.h"
#include "MqttLinkLog.h"
#include "MqttSettings.h"
#include "MqttTopics.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct mosquitto;
struct mosquitto_message;

// One connection to a broker with one set of settings, on a thread of its own. It connects,
// tries again after a pause that doubles up to a minute, and on every connection says
// "online", clears the configs it was asked to clear, sends the discovery configs and listens
// for commands; "offline" is its will and its last word on an orderly close.
//
// The cycle only hands over its report and the log its entries; their JSON is made and sent
// here.
//
// libmosquitto's own thread (mosquitto_loop_start) is not used: it ends for good on a TLS
// failure and reconnects with a blocking connect that an unanswering address holds for
// minutes, and mosquitto_connect_async looks the host up on the caller's thread. Here every
// wait is on this thread, and publishing from another thread only queues.
class MqttSession : public std::enable_shared_from_this<MqttSession> {
public:
    // Called on the session's thread; never after `close` has returned.
    struct Listener {
        std::function<void(MqttLinkLog::Event, const QString& detail)> link;
        // The payload's beginning (at most MqttCommand::kMaxBytes + 1 bytes) and its whole size.
        std::function<void(const QByteArray& head, qsizetype size)> command;
    };
    struct Retry {
        int firstMs = 1000;
        int lastMs = 60000;
    };

    // A `predecessor` (closed) is given time to say "offline" before this one connects, so
    // that its word never lands after this one's "online"; nobody waits for it but this thread.
    static std::shared_ptr<MqttSession> start(const MqttSettings& settings,
                                              std::vector<HomeAssistantDiscovery::Config> discovery,
                                              std::vector<QString> clearOnConnect, Listener listener, Retry retry,
                                              std::shared_ptr<MqttSession> predecessor = nullptr);
    ~MqttSession();
    MqttSession(const MqttSession&) = delete;
    MqttSession& operator=(const MqttSession&) = delete;

    bool connected() const { return connected_; }
    // Handed to the session's thread, which sends them within a moment; dropped while there is
    // no connection (the state is sent again by the next cycle). Of the states only the latest
    // waiting one is sent.
    void postState(const CycleReport& report);
    void postEvent(const EventEntry& entry);
    // Sent at once when connected, and on every connection from now on.
    void setDiscovery(std::vector<HomeAssistantDiscovery::Config> configs);
    // Events waiting beyond this many are dropped: a broker that cannot keep up costs no memory.
    static constexpr std::size_t kMaxWaitingEvents = 1000;
    // Stops the listener at once; the thread says "offline", disconnects and ends by itself.
    // Waits up to `waitMs` for that; true when it has ended.
    bool close(int waitMs);
    bool waitFinished(int waitMs);

private:
    MqttSession(const MqttSettings& settings, std::vector<HomeAssistantDiscovery::Config> discovery,
                std::vector<QString> clearOnConnect, Listener listener, Retry retry,
                std::shared_ptr<MqttSession> predecessor);

    void run();
    bool prepare();
    int loopWhileRunning();
    void pause(int ms);
    void goOffline();
    void finish();
    void report(MqttLinkLog::Event event, const QString& detail);
    void sendDiscovery();
    void sendWaiting();
    void publish(const QString& topic, const QByteArray& payload, int qos, bool retained);
    void failed(int rc, int savedErrno);

    void onConnect(int rc);
    void onDisconnect();
    void onMessage(const mosquitto_message& message);
    void onLog(int level, const char* text);

    const MqttSettings settings_;
    const MqttTopics topics_;
    const Retry retry_;
    std::shared_ptr<MqttSession> predecessor_;  // this thread's only
    mosquitto* mosq_ = nullptr;

    std::mutex listenerMutex_;
    Listener listener_;
    bool listening_ = true;

    std::mutex discoveryMutex_;
    std::vector<HomeAssistantDiscovery::Config> discovery_;
    std::vector<QString> clearOnConnect_;  // this thread's only
    std::atomic<bool> discoveryDue_{false};

    std::mutex waitingMutex_;
    std::optional<CycleReport> waitingState_;
    std::vector<EventEntry> waitingEvents_;

    std::mutex stateMutex_;  // for the waits
    std::condition_variable wake_;
    bool finished_ = false;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> connected_{false};
    bool reported_ = false;  // this attempt's failure has been told by a callback
    bool wasUp_ = false;     // this attempt got through
    std::mutex errorMutex_;  // the library may log from a publishing thread
    QString lastError_;      // the library's latest error line, for a TLS failure
};
