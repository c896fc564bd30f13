#pragma once
#include <QByteArray>
#include <QString>

// What arrives on the command topic. Only "stop" is a command (any case, surrounding white
// space ignored, or {"command":"stop"}); the rest is refused by its kind, so that a flood of
// one kind is reported once.
namespace MqttCommand {

enum class Kind { Stop, Unknown, Garbage, TooLarge };

// Longer payloads are not read at all.
constexpr qsizetype kMaxBytes = 256;

// `size` is the payload's whole length when `head` holds only its beginning.
Kind read(const QByteArray& head, qsizetype size);
// The payload's beginning as the log may show it: printable, at most 40 characters.
QString shown(const QByteArray& head);

}  // namespace MqttCommand
