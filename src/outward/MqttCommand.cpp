#include "MqttCommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

bool printable(const QString& text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control && c != '\t' && c != '\n' && c != '\r')
            return false;
    return true;
}

bool isStop(const QString& word) { return word.trimmed().compare("stop", Qt::CaseInsensitive) == 0; }

}  // namespace

namespace MqttCommand {

Kind read(const QByteArray& head, qsizetype size)
{
    if (size > kMaxBytes || head.size() > kMaxBytes)
        return Kind::TooLarge;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(head);
    if (utf8.hasError() || !printable(text))
        return Kind::Garbage;
    if (isStop(text))
        return Kind::Stop;
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(head, &error);
    if (error.error == QJsonParseError::NoError && json.isObject()) {
        const QJsonValue command = json.object().value("command");
        if (command.isString() && isStop(command.toString()))
            return Kind::Stop;
    }
    return Kind::Unknown;
}

QString shown(const QByteArray& head)
{
    QString text = QString::fromUtf8(head.left(160)).simplified();
    for (QChar& c : text)
        if (!c.isPrint())
            c = '?';
    return text.size() > 40 ? text.left(40) + "..." : text;
}

}  // namespace MqttCommand
