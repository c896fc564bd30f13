#pragma once
#include <QString>
#include <optional>

// What the operator is told about the link to the broker. One entry when the link is made,
// one when it is lost and one when it is back; a reason for not getting through (no broker,
// a refused login, a certificate not trusted) once until the link has been up again, however
// often the retries meet it.
class MqttLinkLog {
public:
    enum class Event { Connected, Lost, Unreachable, HostUnknown, LoginRefused, Refused, TlsFailed, CaFileUnusable };

    // The message key of the entry `event` is worth, or an empty key for none.
    QString keyFor(Event event);
    bool up() const { return up_; }

private:
    static QString causeKey(Event event);

    bool everUp_ = false;
    bool up_ = false;
    std::optional<Event> lastCause_;
};
