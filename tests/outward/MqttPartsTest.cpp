// The MQTT parts that need no broker: stored settings, command payloads, what the link's news
// is worth in the log, and the discovery topics of a kiln's name.
#include "IniFile.h"
#include "MqttCommand.h"
#include "MqttLinkLog.h"
#include "MqttSettings.h"
#include "MqttTopics.h"

#include <gtest/gtest.h>

TEST(MqttSettings, DamagedOrMissingValuesReadAsTheirDefaults)
{
    struct Case {
        const char* ini;
        std::function<void(const MqttSettings&)> check;
    };
    const Case cases[] = {
        {"", [](const MqttSettings& s) { EXPECT_EQ(s, MqttSettings()); }},
        {"[MQTT]\r\nEnabled=maybe\r\nAllowStop=2x\r\nTLS=\r\n",
         [](const MqttSettings& s) {
             EXPECT_FALSE(s.enabled);
             EXPECT_FALSE(s.allowStop);
             EXPECT_FALSE(s.tls);
         }},
        {"[MQTT]\r\nTLS=TRUE\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.port, 8883); }},
        {"[MQTT]\r\nTLS=TRUE\r\nPort=70000\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.port, 8883); }},
        {"[MQTT]\r\nPort=1,883\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.port, 1883); }},
        {"[MQTT]\r\nPort=-5\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.port, 1883); }},
        {"[MQTT]\r\nPort= 1884 \r\nHost=  \r\n",
         [](const MqttSettings& s) {
             EXPECT_EQ(s.port, 1884);
             EXPECT_EQ(s.host, "localhost");
         }},
        {"[MQTT]\r\nDiscoveryPrefix=/ha/+/\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.discoveryPrefix, "homeassistant"); }},
        {"[MQTT]\r\nDiscoveryPrefix=/ha/studio/\r\n", [](const MqttSettings& s) { EXPECT_EQ(s.discoveryPrefix, "ha/studio"); }},
        {"[Remote]\r\nKilnName=  Big One \r\n", [](const MqttSettings& s) { EXPECT_EQ(s.kilnName, "Big One"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        IniFile ini;
        ini.loadFromText(QString::fromUtf8(c.ini));
        c.check(MqttSettings::load(ini));
    }
}

TEST(MqttSettings, WhatIsSavedComesBack)
{
    MqttSettings s;
    s.enabled = s.tls = s.allowStop = true;
    s.host = "broker.studio";
    s.port = 8884;
    s.caFile = "/etc/ca dir/ca.pem";
    s.user = "potter";
    s.password = "p=ss;#word";
    s.kilnName = "Печь 2";
    s.discoveryPrefix = "ha";
    IniFile ini;
    s.save(ini);
    IniFile again;
    again.loadFromText(ini.toText());
    EXPECT_EQ(MqttSettings::load(again), s);
}

TEST(MqttCommand, OnlyStopIsACommand)
{
    using Kind = MqttCommand::Kind;
    struct Case {
        QByteArray payload;
        qsizetype size;  // -1: the payload's own
        Kind kind;
    };
    const Case cases[] = {
        {"stop", -1, Kind::Stop},
        {"  Stop\r\n", -1, Kind::Stop},
        {"STOP", -1, Kind::Stop},
        {R"({"command":"stop"})", -1, Kind::Stop},
        {R"( { "command" : " STOP " } )", -1, Kind::Stop},
        {"", -1, Kind::Unknown},
        {"stopp", -1, Kind::Unknown},
        {"start", -1, Kind::Unknown},
        {R"({"command":"start"})", -1, Kind::Unknown},
        {R"({"command":["stop"]})", -1, Kind::Unknown},
        {R"(["stop"])", -1, Kind::Unknown},
        {QByteArray("stop\0", 5), -1, Kind::Garbage},
        {"\xff\xfe", -1, Kind::Garbage},
        {"st\x1bop", -1, Kind::Garbage},
        {QByteArray(MqttCommand::kMaxBytes + 1, ' '), -1, Kind::TooLarge},
        {"stop", 1 << 20, Kind::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload.left(40).toHex().toStdString());
        EXPECT_EQ(MqttCommand::read(c.payload, c.size < 0 ? c.payload.size() : c.size), c.kind);
    }
    EXPECT_EQ(MqttCommand::shown("a\x01" + QByteArray(100, 'b')).size(), 43);
}

TEST(MqttLinkLog, EachNewsIsToldOnce)
{
    using E = MqttLinkLog::Event;
    struct Case {
        const char* name;
        std::vector<E> events;
        QStringList keys;
    };
    const Case cases[] = {
        {"first connection", {E::Connected}, {"LogMqttConnected"}},
        {"lost and back", {E::Connected, E::Lost, E::Unreachable, E::Unreachable, E::Connected},
         {"LogMqttConnected", "LogMqttLost", "LogMqttBack"}},
        {"wrong password, retried", {E::LoginRefused, E::LoginRefused, E::LoginRefused}, {"LogMqttLoginRefused"}},
        {"never there", {E::Unreachable, E::Unreachable}, {"LogMqttUnreachable"}},
        {"a new cause is named", {E::Unreachable, E::TlsFailed, E::TlsFailed, E::Unreachable},
         {"LogMqttUnreachable", "LogMqttTlsFailed", "LogMqttUnreachable"}},
        {"lost, then refused", {E::Connected, E::Lost, E::Unreachable, E::LoginRefused, E::LoginRefused, E::Connected},
         {"LogMqttConnected", "LogMqttLost", "LogMqttLoginRefused", "LogMqttBack"}},
        {"a loss without a link", {E::Lost}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MqttLinkLog log;
        QStringList keys;
        for (E e : c.events)
            if (const QString key = log.keyFor(e); !key.isEmpty())
                keys << key;
        EXPECT_EQ(keys, c.keys);
    }
}

TEST(MqttTopics, AKilnNameMakesSafeTopics)
{
    const MqttTopics t = MqttTopics::forKiln("Big Kiln #2/+");
    EXPECT_EQ(t.state(), "fornaxel/big_kiln__2__/state");
    for (const QString& topic : HomeAssistantDiscovery::topics("homeassistant", "Big Kiln #2/+")) {
        EXPECT_FALSE(topic.contains('#') || topic.contains('+') || topic.contains(' ')) << topic.toStdString();
        EXPECT_EQ(topic.count('/'), 4) << topic.toStdString();
    }
}
