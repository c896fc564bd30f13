#include "MqttLinkLog.h"

QString MqttLinkLog::causeKey(Event event)
{
    switch (event) {
    case Event::Unreachable: return "LogMqttUnreachable";
    case Event::HostUnknown: return "LogMqttHostUnknown";
    case Event::LoginRefused: return "LogMqttLoginRefused";
    case Event::Refused: return "LogMqttRefused";
    case Event::TlsFailed: return "LogMqttTlsFailed";
    case Event::CaFileUnusable: return "LogMqttCaFile";
    case Event::Connected:
    case Event::Lost: break;
    }
    return {};
}

QString MqttLinkLog::keyFor(Event event)
{
    switch (event) {
    case Event::Connected: {
        const bool back = everUp_;
        everUp_ = up_ = true;
        lastCause_.reset();
        return back ? "LogMqttBack" : "LogMqttConnected";
    }
    case Event::Lost:
        if (!up_)
            return {};
        up_ = false;
        lastCause_.reset();
        return "LogMqttLost";
    default:
        break;
    }
    if (lastCause_ == event)
        return {};
    lastCause_ = event;
    // Once the loss has been told, a broker still away is no news; a reason that needs the
    // operator (a login, a certificate) is.
    const bool plainAbsence = event == Event::Unreachable || event == Event::HostUnknown;
    if (everUp_ && plainAbsence)
        return {};
    return causeKey(event);
}
