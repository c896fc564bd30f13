#pragma once
#include <QByteArray>
#include <QList>
#include <QTcpSocket>

// A plain HTTP/1.1 client on a blocking socket, as rude as a test likes: sends the bytes it is
// given and reads what comes back until the body is complete or the server closes.
struct HttpReply {
    int status = 0;  // 0: no answer
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QByteArray header(const QByteArray& name) const
    {
        for (const auto& [k, v] : headers)
            if (k.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        return {};
    }
};

inline HttpReply parseReply(const QByteArray& raw)
{
    HttpReply r;
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0 || !raw.startsWith("HTTP/1."))
        return r;
    const QList<QByteArray> lines = raw.left(end).split('\n');
    r.status = lines.front().split(' ').value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            r.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    r.body = raw.mid(end + 4);
    return r;
}

inline HttpReply sendRaw(quint16 port, const QByteArray& request, int ms = 20000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(ms))
        return {};
    socket.write(request);
    socket.flush();
    QByteArray raw;
    while (socket.waitForReadyRead(ms)) {
        raw += socket.readAll();
        const HttpReply r = parseReply(raw);
        const bool head = request.startsWith("HEAD ");
        if (r.status && (head || r.body.size() >= r.header("Content-Length").toLongLong()))
            return r;
    }
    raw += socket.readAll();
    return parseReply(raw);
}

inline HttpReply get(quint16 port, const QByteArray& path, const QByteArray& cookie = {})
{
    QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!cookie.isEmpty())
        request += "Cookie: " + cookie + "\r\n";
    return sendRaw(port, request + "\r\n");
}

inline HttpReply post(quint16 port, const QByteArray& path, const QByteArray& body)
{
    return sendRaw(port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\n\r\n" + body);
}
