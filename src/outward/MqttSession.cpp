#include "MqttSession.h"

#include "MqttCommand.h"
#include "StateJson.h"

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mosquitto.h>
#include <thread>

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kLoopMs = 200;  // how soon the thread notices a close
constexpr int kGoodbyeMs = 2000;
const char* const kSystemCertificates = "/etc/ssl/certs";

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Tells apart the sessions of one program, so that a new one never takes over an old one's
// connection (which would send the old one's will).
QByteArray clientId(const MqttTopics& topics)
{
    static std::atomic<int> count{0};
    return QString("fornaxel-%1-%2-%3")
        .arg(topics.level)
        .arg(QCoreApplication::applicationPid())
        .arg(++count)
        .left(200)
        .toUtf8();
}

MqttSession* sessionOf(void* obj) { return static_cast<MqttSession*>(obj); }

}  // namespace

std::shared_ptr<MqttSession> MqttSession::start(const MqttSettings& settings,
                                                std::vector<HomeAssistantDiscovery::Config> discovery,
                                                std::vector<QString> clearOnConnect, Listener listener, Retry retry,
                                                std::shared_ptr<MqttSession> predecessor)
{
    std::shared_ptr<MqttSession> session(new MqttSession(settings, std::move(discovery), std::move(clearOnConnect),
                                                         std::move(listener), retry, std::move(predecessor)));
    // The thread keeps its session alive: a closed session ends in its own time.
    std::thread([session] { session->run(); }).detach();
    return session;
}

MqttSession::MqttSession(const MqttSettings& settings, std::vector<HomeAssistantDiscovery::Config> discovery,
                         std::vector<QString> clearOnConnect, Listener listener, Retry retry,
                         std::shared_ptr<MqttSession> predecessor)
    : settings_(settings),
      topics_(MqttTopics::forKiln(settings.kilnName)),
      retry_(retry),
      predecessor_(std::move(predecessor)),
      listener_(std::move(listener)),
      discovery_(std::move(discovery)),
      clearOnConnect_(std::move(clearOnConnect))
{
    initLibrary();
    mosq_ = mosquitto_new(clientId(topics_).constData(), true, this);
    if (!mosq_)
        return;
    mosquitto_threaded_set(mosq_, true);
    mosquitto_connect_callback_set(mosq_, [](mosquitto*, void* obj, int rc) { sessionOf(obj)->onConnect(rc); });
    mosquitto_disconnect_callback_set(mosq_, [](mosquitto*, void* obj, int) { sessionOf(obj)->onDisconnect(); });
    mosquitto_message_callback_set(
        mosq_, [](mosquitto*, void* obj, const mosquitto_message* m) { sessionOf(obj)->onMessage(*m); });
    mosquitto_log_callback_set(mosq_,
                               [](mosquitto*, void* obj, int level, const char* text) { sessionOf(obj)->onLog(level, text); });
}

MqttSession::~MqttSession()
{
    if (mosq_)
        mosquitto_destroy(mosq_);
}

void MqttSession::run()
{
    if (predecessor_) {
        predecessor_->waitFinished(kGoodbyeMs + 2 * kLoopMs);
        predecessor_.reset();
    }
    if (prepare()) {
        int delay = retry_.firstMs;
        while (!stopping_) {
            reported_ = false;
            errno = 0;
            int rc = mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port,
                                             kKeepAliveSeconds);
            const int connectErrno = errno;
            if (rc == MOSQ_ERR_SUCCESS)
                rc = loopWhileRunning();
            if (stopping_)
                break;
            if (!reported_)
                failed(rc, rc == MOSQ_ERR_ERRNO ? (connectErrno ? connectErrno : errno) : 0);
            if (wasUp_) {
                delay = retry_.firstMs;
                wasUp_ = false;
            }
            pause(delay);
            delay = std::min(delay * 2, retry_.lastMs);
        }
        goOffline();
    }
    finish();
}

bool MqttSession::prepare()
{
    if (!mosq_) {
        report(MqttLinkLog::Event::Unreachable, QString::fromUtf8(std::strerror(ENOMEM)));
        return false;
    }
    const QByteArray offline = MqttTopics::kOffline;
    mosquitto_will_set(mosq_, topics_.availability().toUtf8().constData(), int(offline.size()), offline.constData(),
                       1, true);
    if (!settings_.user.isEmpty())
        mosquitto_username_pw_set(mosq_, settings_.user.toUtf8().constData(), settings_.password.toUtf8().constData());
    if (!settings_.tls)
        return true;
    const QByteArray ca = settings_.caFile.toLocal8Bit();
    const int rc = ca.isEmpty() ? mosquitto_tls_set(mosq_, nullptr, kSystemCertificates, nullptr, nullptr, nullptr)
                                : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        report(MqttLinkLog::Event::CaFileUnusable, ca.isEmpty() ? QString(kSystemCertificates) : settings_.caFile);
        return false;
    }
    return true;
}

int MqttSession::loopWhileRunning()
{
    int rc = MOSQ_ERR_SUCCESS;
    do {
        rc = mosquitto_loop(mosq_, kLoopMs, 1);
        sendWaiting();
    } while (!stopping_ && rc == MOSQ_ERR_SUCCESS);
    return rc;
}

void MqttSession::pause(int ms)
{
    std::unique_lock lock(stateMutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void MqttSession::goOffline()
{
    if (!connected_)
        return;
    publish(topics_.availability(), MqttTopics::kOffline, 1, true);
    mosquitto_disconnect(mosq_);
    // What is queued goes out before the disconnect; the loop ends when the socket is closed.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGoodbyeMs);
    while (mosquitto_loop(mosq_, kLoopMs, 1) == MOSQ_ERR_SUCCESS && std::chrono::steady_clock::now() < until) {
    }
    connected_ = false;
}

void MqttSession::finish()
{
    std::lock_guard lock(stateMutex_);
    finished_ = true;
    wake_.notify_all();
}

bool MqttSession::close(int waitMs)
{
    {
        std::lock_guard lock(listenerMutex_);
        listening_ = false;
    }
    {
        std::lock_guard lock(stateMutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    return waitFinished(waitMs);
}

bool MqttSession::waitFinished(int waitMs)
{
    std::unique_lock lock(stateMutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return finished_; });
}

void MqttSession::report(MqttLinkLog::Event event, const QString& detail)
{
    std::lock_guard lock(listenerMutex_);
    if (listening_ && listener_.link)
        listener_.link(event, detail);
}

void MqttSession::failed(int rc, int savedErrno)
{
    using Event = MqttLinkLog::Event;
    const QString where = settings_.host + ":" + QString::number(settings_.port);
    QString error;
    {
        std::lock_guard lock(errorMutex_);
        error.swap(lastError_);
    }
    if (rc == MOSQ_ERR_TLS || (settings_.tls && savedErrno == EPROTO)) {
        const QString why = error.isEmpty() ? QString() : " (" + error + ")";
        report(Event::TlsFailed, where + why);
    } else if (rc == MOSQ_ERR_EAI) {
        report(Event::HostUnknown, settings_.host);
    } else {
        const QString why = savedErrno ? QString::fromUtf8(std::strerror(savedErrno))
                                       : QString::fromUtf8(mosquitto_strerror(rc));
        report(Event::Unreachable, where + " (" + why + ")");
    }
}

void MqttSession::postState(const CycleReport& report)
{
    if (!connected_)
        return;
    std::lock_guard lock(waitingMutex_);
    waitingState_ = report;
}

void MqttSession::postEvent(const EventEntry& entry)
{
    if (!connected_)
        return;
    std::lock_guard lock(waitingMutex_);
    if (waitingEvents_.size() < kMaxWaitingEvents)
        waitingEvents_.push_back(entry);
}

void MqttSession::setDiscovery(std::vector<HomeAssistantDiscovery::Config> configs)
{
    {
        std::lock_guard lock(discoveryMutex_);
        discovery_ = std::move(configs);
    }
    discoveryDue_ = true;
}

// On this thread, between turns of the network loop.
void MqttSession::sendWaiting()
{
    if (discoveryDue_.exchange(false) && connected_)
        sendDiscovery();
    std::optional<CycleReport> state;
    std::vector<EventEntry> events;
    {
        std::lock_guard lock(waitingMutex_);
        state.swap(waitingState_);
        events.swap(waitingEvents_);
    }
    if (!connected_)
        return;
    for (const EventEntry& e : events)
        publish(topics_.event(), StateJson::compact(StateJson::event(e)), 0, false);
    if (state)
        publish(topics_.state(), StateJson::compact(StateJson::state(*state, settings_.kilnName)), 0, true);
}

void MqttSession::publish(const QString& topic, const QByteArray& payload, int qos, bool retained)
{
    mosquitto_publish(mosq_, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), qos,
                      retained);
}

void MqttSession::sendDiscovery()
{
    std::vector<HomeAssistantDiscovery::Config> configs;
    {
        std::lock_guard lock(discoveryMutex_);
        configs = discovery_;
    }
    for (const auto& c : configs)
        publish(c.topic, c.payload, 1, true);
}

void MqttSession::onConnect(int rc)
{
    if (rc != 0) {
        reported_ = true;
        // 4: bad user name or password, 5: not authorised.
        const bool login = rc == 4 || rc == 5;
        report(login ? MqttLinkLog::Event::LoginRefused : MqttLinkLog::Event::Refused,
               settings_.host + ":" + QString::number(settings_.port) + " (" +
                   QString::fromUtf8(mosquitto_connack_string(rc)) + ")");
        return;
    }
    connected_ = true;
    wasUp_ = true;
    publish(topics_.availability(), MqttTopics::kOnline, 1, true);
    for (const QString& topic : clearOnConnect_)
        publish(topic, QByteArray(), 1, true);
    clearOnConnect_.clear();
    sendDiscovery();
    mosquitto_subscribe(mosq_, nullptr, topics_.command().toUtf8().constData(), 1);
    mosquitto_subscribe(mosq_, nullptr, HomeAssistantDiscovery::statusTopic(settings_.discoveryPrefix).toUtf8().constData(),
                        1);
    report(MqttLinkLog::Event::Connected, settings_.host + ":" + QString::number(settings_.port));
}

void MqttSession::onDisconnect()
{
    if (!connected_.exchange(false))
        return;
    reported_ = true;
    if (!stopping_)
        report(MqttLinkLog::Event::Lost, settings_.host + ":" + QString::number(settings_.port));
}

void MqttSession::onMessage(const mosquitto_message& m)
{
    const QString topic = QString::fromUtf8(m.topic);
    const QByteArray head(static_cast<const char*>(m.payload),
                          std::min<qsizetype>(m.payloadlen, MqttCommand::kMaxBytes + 1));
    if (topic == topics_.command()) {
        std::lock_guard lock(listenerMutex_);
        if (listening_ && listener_.command)
            listener_.command(head, m.payloadlen);
    } else if (topic == HomeAssistantDiscovery::statusTopic(settings_.discoveryPrefix) &&
               head.trimmed() == MqttTopics::kOnline) {
        sendDiscovery();
    }
}

void MqttSession::onLog(int level, const char* text)
{
    if (!(level & MOSQ_LOG_ERR))
        return;
    std::lock_guard lock(errorMutex_);
    lastError_ = QString::fromUtf8(text);
}
