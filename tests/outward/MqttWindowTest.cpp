// The window on the simulated kiln reporting to a real mosquitto: what the broker holds, what
// the log says about the link, and what the command topic may do.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "MosquittoBroker.h"
#include "MqttSettingsBox.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mqtt_test;

namespace {

const QString kTopic = "fornaxel/test_kiln";

struct MqttWindow : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    MosquittoBroker broker;
    std::unique_ptr<MqttWatcher> watcher;
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        if (!MosquittoBroker::available())
            GTEST_SKIP() << "the mosquitto broker is not installed";
        ASSERT_TRUE(broker.prepare()) << broker.error.toStdString();
        ASSERT_TRUE(broker.start()) << broker.error.toStdString();
        watcher = std::make_unique<MqttWatcher>(broker.port);
        random.fallback = -1;
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        QCoreApplication::processEvents();  // the stored settings: off
        form->mqtt->setRetry({100, 400});
    }
    void TearDown() override
    {
        form.reset();
        watcher.reset();
    }

    MqttSettings settings() const
    {
        MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        s.port = broker.port;
        s.user = MosquittoBroker::kUser;
        s.password = MosquittoBroker::kPassword;
        s.kilnName = "Test Kiln";
        return s;
    }
    // Through the box and its Apply button, as the operator does.
    void apply(const MqttSettings& s)
    {
        form->MqttBox->fill(s);
        form->MqttApplyClick();
    }
    bool until(const std::function<bool()>& done, int ms = 30000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return true;
    }
    // Lets the retries run for a while.
    void keepRunning(int ms) { until([] { return false; }, ms); }
    bool online(const QString& topic = kTopic)
    {
        return until([&] { return watcher->last(topic + "/availability") == "online"; });
    }
    int logged(const QString& key) const
    {
        int n = 0;
        for (const QString& line : form->log->lines())
            n += line.contains("?? " + key + " ??");
        return n;
    }
    static QJsonObject json(const QByteArray& payload) { return QJsonDocument::fromJson(payload).object(); }
    void startFiring()
    {
        form->Prog->setCell(1, 2, "900");
        form->Prog->setCell(2, 2, "600");
        for (int i = 0; i < 3; ++i)
            form->InterfaceTimerTimer();
        form->StartButtonClick();
        ASSERT_EQ(form->state.ProgState, Running);
    }
};

struct Entity {
    const char* component;
    const char* object;
    const char* deviceClass;  // "" for none
    const char* unit;         // "" for none
};
const Entity kEntities[] = {
    {"sensor", "temperature", "temperature", "°C"}, {"sensor", "set_point", "temperature", "°C"},
    {"sensor", "power", "", "%"},                   {"sensor", "state", "", ""},
    {"sensor", "line", "", ""},                     {"sensor", "end_time", "timestamp", ""},
    {"sensor", "energy", "energy", "kWh"},          {"sensor", "cost", "", ""},
    {"binary_sensor", "firing", "running", ""},     {"binary_sensor", "problem", "problem", ""},
};

QString configTopic(const Entity& e, const QString& node = "fornaxel_test_kiln")
{
    return QString("homeassistant/%1/%2/%3/config").arg(e.component, node, e.object);
}

}  // namespace

TEST_F(MqttWindow, DiscoveryStateAndEventsReachTheBroker)
{
    apply(settings());
    ASSERT_TRUE(online());
    ASSERT_TRUE(until([&] { return watcher->last(configTopic(kEntities[9])).has_value(); }));
    for (int i = 0; i < 3; ++i)
        form->InterfaceTimerTimer();
    ASSERT_TRUE(until([&] { return json(watcher->last(kTopic + "/state").value_or("{}"))["data"] == true; }));
    const QJsonObject state = json(*watcher->last(kTopic + "/state"));
    EXPECT_EQ(state["kiln"], "Test Kiln");
    EXPECT_EQ(state["state"], "stopped");
    EXPECT_TRUE(state["kiln_temp"].isDouble());

    static const QRegularExpression field(R"(value_json\.(\w+))");
    for (const Entity& e : kEntities) {
        SCOPED_TRACE(e.object);
        const std::optional<QByteArray> payload = watcher->last(configTopic(e));
        ASSERT_TRUE(payload.has_value());
        const QJsonObject c = json(*payload);
        EXPECT_EQ(c["state_topic"], kTopic + "/state");
        EXPECT_EQ(c["availability_topic"], kTopic + "/availability");
        EXPECT_EQ(c["unique_id"], QString("fornaxel_test_kiln_") + e.object);
        EXPECT_EQ(c["device_class"].toString(), QString::fromUtf8(e.deviceClass));
        EXPECT_EQ(c["unit_of_measurement"].toString(), QString::fromUtf8(e.unit));
        const QJsonObject device = c["device"].toObject();
        EXPECT_EQ(device["identifiers"].toArray().first(), "fornaxel_test_kiln");
        EXPECT_EQ(device["name"], "Test Kiln");
        EXPECT_EQ(device["manufacturer"], "Fornaxel");
        EXPECT_FALSE(device["sw_version"].toString().isEmpty());
        // The template reads a field the state really has.
        const QRegularExpressionMatch m = field.match(c["value_template"].toString());
        ASSERT_TRUE(m.hasMatch());
        EXPECT_TRUE(state.contains(m.captured(1))) << m.captured(1).toStdString();
    }
    for (const auto& m : watcher->on(kTopic + "/state"))
        EXPECT_TRUE(m.payload.isEmpty() || json(m.payload).contains("kiln"));

    // Every log entry, as it is written; Home Assistant's restart brings the configs again.
    form->log->TLogLS("LogDelayedStart", "");
    ASSERT_TRUE(until([&] { return json(watcher->last(kTopic + "/event").value_or("{}"))["key"] == "LogDelayedStart"; }));
    const size_t configsBefore = watcher->on(configTopic(kEntities[0])).size();
    watcher->publish("homeassistant/status", "online");
    EXPECT_TRUE(until([&] { return watcher->on(configTopic(kEntities[0])).size() > configsBefore; }));

    // Applied means kept; the password is never in the log.
    EXPECT_TRUE(QFile(dir.path() + "/term.ini").exists());
    EXPECT_EQ(MqttSettings::load([&] {
                  IniFile ini;
                  ini.load(dir.path() + "/term.ini");
                  return ini;
              }()),
              settings().normalized());
    EXPECT_EQ(logged("LogMqttConnected"), 1);
    for (const QString& line : form->log->lines())
        EXPECT_FALSE(line.contains(MosquittoBroker::kPassword)) << line.toStdString();

    // An orderly close leaves "offline".
    form.reset();
    EXPECT_TRUE(until([&] { return watcher->last(kTopic + "/availability") == "offline"; }));
}

TEST_F(MqttWindow, ARenamedKilnClearsItsOldConfigs)
{
    apply(settings());
    ASSERT_TRUE(online());
    ASSERT_TRUE(until([&] { return watcher->last(configTopic(kEntities[9])).has_value(); }));
    // Renamed while switched off: the old configs go at the next connection.
    MqttSettings renamed = settings();
    renamed.enabled = false;
    renamed.kilnName = "Kiln Two";
    apply(renamed);
    renamed.enabled = true;
    apply(renamed);
    ASSERT_TRUE(online("fornaxel/kiln_two"));
    for (const Entity& e : kEntities) {
        SCOPED_TRACE(e.object);
        EXPECT_TRUE(until([&] { return watcher->last(configTopic(e)) == QByteArray(); }));
        EXPECT_TRUE(until([&] { return watcher->last(configTopic(e, "fornaxel_kiln_two")).value_or("").size() > 0; }));
    }
    EXPECT_TRUE(until([&] { return watcher->last(kTopic + "/availability") == "offline"; }));
}

TEST_F(MqttWindow, ABrokerRestartIsLoggedOnceLostAndOnceBack)
{
    apply(settings());
    ASSERT_TRUE(online());
    broker.stop();
    ASSERT_TRUE(until([&] { return logged("LogMqttLost") == 1; }));
    keepRunning(2000);  // several retries against a closed port
    ASSERT_TRUE(broker.start()) << broker.error.toStdString();
    ASSERT_TRUE(until([&] { return logged("LogMqttBack") == 1; }));
    watcher->clear();
    ASSERT_TRUE(until([&] {
        form->InterfaceTimerTimer();
        return watcher->last(kTopic + "/state").has_value();
    }));
    EXPECT_EQ(logged("LogMqttLost"), 1);
    EXPECT_EQ(logged("LogMqttBack"), 1);
    EXPECT_EQ(logged("LogMqttUnreachable"), 0);
    EXPECT_EQ(logged("LogMqttConnected"), 1);
}

// A cause that keeps a connection from being made is named once, however often it is met.
TEST_F(MqttWindow, WhyItCannotConnectIsNamedOnce)
{
    struct Case {
        const char* name;
        std::function<void(MqttSettings&)> change;
        const char* key;
        bool retriesAtTheBroker;
    };
    const Case cases[] = {
        {"wrong password", [](MqttSettings& s) { s.password = "wrong"; }, "LogMqttLoginRefused", true},
        {"unknown user", [](MqttSettings& s) { s.user = "nobody"; }, "LogMqttLoginRefused", true},
        {"untrusted certificate",
         [&](MqttSettings& s) {
             s.tls = true;
             s.port = broker.tlsPort;
             s.caFile = broker.otherCaFile();
         },
         "LogMqttTlsFailed", true},
        {"missing CA file",
         [&](MqttSettings& s) {
             s.tls = true;
             s.port = broker.tlsPort;
             s.caFile = dir.path() + "/none.pem";
         },
         "LogMqttCaFile", false},
        {"plain talk to the TLS port", [&](MqttSettings& s) { s.port = broker.tlsPort; }, "LogMqttUnreachable", true},
        {"closed port", [](MqttSettings& s) { s.port = freePort(); }, "LogMqttUnreachable", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MqttSettings s = settings();
        c.change(s);
        const int before = logged(c.key);
        const int connectionsBefore = broker.connectionsSeen();
        apply(s);
        ASSERT_TRUE(until([&] { return logged(c.key) == before + 1; }));
        if (c.retriesAtTheBroker)
            EXPECT_TRUE(until([&] { return broker.connectionsSeen() >= connectionsBefore + 4; }))
                << broker.output().toStdString();
        else
            keepRunning(1500);
        EXPECT_EQ(logged(c.key), before + 1);
        EXPECT_FALSE(form->mqtt->connected());
    }
    EXPECT_EQ(logged("LogMqttConnected"), 0);
    // The right certificate authority, picked with "...", gets through.
    MqttSettings s = settings();
    s.tls = true;
    s.port = broker.tlsPort;  // the certificate names 127.0.0.1 too
    s.caFile.clear();
    form->MqttBox->fill(s);
    dialogs.fileAnswer = broker.caFile();
    form->MqttCaChooseClick();
    form->MqttApplyClick();
    EXPECT_EQ(form->mqtt->settings().caFile, broker.caFile());
    EXPECT_TRUE(online());
    EXPECT_TRUE(until([&] { return logged("LogMqttConnected") == 1; }));
}

TEST_F(MqttWindow, StopFromTheNetworkOnlyWhenAllowed)
{
    struct Case {
        bool allowed;
        QByteArray payload;
        bool stops;
    };
    const Case cases[] = {
        {false, "stop", false},
        {true, "stop", true},
        {true, " STOP \n", true},
        {true, R"({"command": "Stop"})", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload.toStdString() + (c.allowed ? " allowed" : " not allowed"));
        startFiring();
        MqttSettings s = settings();
        s.allowStop = c.allowed;
        apply(s);
        ASSERT_TRUE(until([&] { return form->mqtt->connected(); }));
        const int stops = logged("LogMqttStop");
        const int refusals = logged("LogMqttStopNotAllowed");
        // Sent until it is heard: the subscription may still be on its way.
        const auto send = [&] { watcher->publish(kTopic + "/command", c.payload); };
        if (c.stops) {
            ASSERT_TRUE(until([&] {
                send();
                return form->state.ProgState == Stopped;
            }));
            EXPECT_EQ(form->state.Pid.Power, 0);
            EXPECT_GE(logged("LogMqttStop"), stops + 1);
        } else {
            ASSERT_TRUE(until([&] {
                send();
                return logged("LogMqttStopNotAllowed") > refusals;
            }));
            send();
            keepRunning(500);
            form->InterfaceTimerTimer();
            EXPECT_EQ(form->state.ProgState, Running);
            EXPECT_EQ(logged("LogMqttStopNotAllowed"), refusals + 1);  // once, not per message
        }
        form->StopButtonClick();
    }
}

TEST_F(MqttWindow, AnythingButStopOnTheCommandTopicIsIgnored)
{
    struct Case {
        QByteArray payload;
        const char* key;
    };
    const Case cases[] = {
        {"start", "LogMqttUnknownCommand"},
        {"power 100", "LogMqttUnknownCommand"},
        {R"({"command":"start"})", "LogMqttUnknownCommand"},
        {QByteArray("\x00\xff\xfe stop", 8), "LogMqttGarbageCommand"},
        {"st\x01op", "LogMqttGarbageCommand"},
        {QByteArray(1 << 20, 's'), "LogMqttLargeCommand"},
        {"stop" + QByteArray(300, ' '), "LogMqttLargeCommand"},
    };
    startFiring();
    MqttSettings s = settings();
    s.allowStop = true;  // refused for what they are, not for being disallowed
    apply(s);
    ASSERT_TRUE(until([&] { return form->mqtt->connected(); }));
    for (const Case& c : cases) {
        // Sent until it is heard: the subscription may still be on its way.
        ASSERT_TRUE(until([&] {
            watcher->publish(kTopic + "/command", c.payload);
            return logged(c.key) >= 1;
        })) << c.key;
    }
    keepRunning(500);
    form->InterfaceTimerTimer();
    EXPECT_EQ(form->state.ProgState, Running);
    for (const char* key : {"LogMqttUnknownCommand", "LogMqttGarbageCommand", "LogMqttLargeCommand"})
        EXPECT_EQ(logged(key), 1) << key;
    EXPECT_EQ(logged("LogMqttStop"), 0);
}
