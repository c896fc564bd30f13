#include "LivePageServer.h"

#include "StateJson.h"

#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QUrlQuery>
#include <charconv>
#include <cmath>

// A reply before it is written: HEAD gets its headers without the body.
struct LivePageServer::Reply {
    QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::Ok;
    QByteArray mime = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

namespace {

using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;
using Reply = LivePageServer::Reply;

Reply json(const QJsonObject& o, Status status = Status::Ok)
{
    return Reply{status, "application/json", QJsonDocument(o).toJson(QJsonDocument::Compact), {}};
}

Reply error(Status status, const QString& what) { return json(QJsonObject{{"error", what}}, status); }

struct StaticFile {
    const char* path;
    const char* resource;
    const char* mime;
};
constexpr StaticFile kFiles[] = {
    {"/", ":/livepage/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/livepage/index.html", "text/html; charset=utf-8"},
    {"/app.js", ":/livepage/app.js", "text/javascript; charset=utf-8"},
    {"/style.css", ":/livepage/style.css", "text/css; charset=utf-8"},
};

const StaticFile* staticFileAt(const QString& path)
{
    for (const StaticFile& f : kFiles)
        if (path == QLatin1String(f.path))
            return &f;
    return nullptr;
}

bool isApi(const QString& path)
{
    return path == "/api/state" || path == "/api/chart" || path == "/api/labels" || path == "/api/code";
}

QJsonValue rounded(std::optional<double> v, double scale)
{
    if (!v || !std::isfinite(*v))
        return QJsonValue::Null;
    return std::nearbyint(*v * scale) / scale;
}

// "since": seconds of the recording, a plain decimal number; none means from the beginning.
// Anything else is the client's mistake.
std::optional<double> sinceOf(const QHttpServerRequest& request, bool& bad)
{
    const QUrlQuery query = request.query();
    bad = false;
    if (!query.hasQueryItem("since"))
        return std::nullopt;
    const QByteArray text = query.queryItemValue("since", QUrl::FullyDecoded).toLatin1();
    double value = 0;
    const auto [end, ec] = std::from_chars(text.constData(), text.constData() + text.size(), value);
    bad = text.isEmpty() || text.size() > 32 || ec != std::errc() || end != text.constData() + text.size() ||
          !std::isfinite(value) || std::fabs(value) > 1e10;
    return value;
}

QByteArray cookieValue(const QHttpServerRequest& request, const QByteArray& name)
{
    for (const auto& [key, value] : request.headers()) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray& part : value.split(';')) {
            const QByteArray item = part.trimmed();
            if (item.startsWith(name + '='))
                return item.mid(name.size() + 1);
        }
    }
    return {};
}

QHttpServerResponse written(const Reply& reply, bool head)
{
    QHttpServerResponse response(reply.mime, head ? QByteArray() : reply.body, reply.status);
    for (const auto& [name, value] : reply.headers)
        response.setHeader(name, value);
    response.setHeader("X-Content-Type-Options", "nosniff");
    if (!response.hasHeader("Cache-Control"))
        response.setHeader("Cache-Control", "no-store");
    return response;
}

// Answers go out at once: a reply written in parts would otherwise wait for the phone's
// delayed acknowledgement.
class QuickTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        addPendingConnection(socket);
    }
};

}  // namespace

LivePageServer::LivePageServer(std::shared_ptr<const LiveSnapshot> snapshot) : snapshot_(std::move(snapshot)) {}

LivePageServer::~LivePageServer() = default;

quint16 LivePageServer::start(const QHostAddress& address, quint16 port, const QString& code)
{
    stop();
    access_ = std::make_unique<LivePageAccess>(code);
    http_ = std::make_unique<QHttpServer>();
    http_->setMissingHandler([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        const Request r{request.method(), request.url().path(), request};
        written(respond(r), r.method == Method::Head).write(std::move(responder));
    });
    auto* tcp = new QuickTcpServer(http_.get());
    if (!tcp->listen(address, port)) {
        http_.reset();
        return 0;
    }
    http_->bind(tcp);
    return tcp->serverPort();
}

void LivePageServer::stop()
{
    http_.reset();
    access_.reset();
}

Reply LivePageServer::respond(const Request& r)
{
    const bool read = r.method == Method::Get || r.method == Method::Head;
    const StaticFile* file = staticFileAt(r.path);
    if (!file && !isApi(r.path))
        return error(Status::NotFound, "not found");
    const bool post = r.path == "/api/code";
    if (post ? r.method != Method::Post : !read) {
        Reply reply = error(Status::MethodNotAllowed, "method not allowed");
        reply.headers.append({QByteArray("Allow"), QByteArray(post ? "POST" : "GET, HEAD")});
        return reply;
    }
    if (file)
        return staticFile(r.path);
    if (r.path == "/api/labels")
        return labels();
    if (post)
        return tryCode(r.raw);
    if (!admitted(r.raw))
        return json(QJsonObject{{"error", "access code required"}, {"code", true}}, Status::Unauthorized);
    if (r.path == "/api/state") {
        return state();
    }
    return chart(r.raw);
}

Reply LivePageServer::staticFile(const QString& path) const
{
    const StaticFile* file = staticFileAt(path);
    QFile f(QString::fromLatin1(file->resource));
    if (!f.open(QIODevice::ReadOnly))
        return error(Status::InternalServerError, "page missing");
    // Polled pages must pick up a new program version at once.
    return Reply{Status::Ok, file->mime, f.readAll(), {{"Cache-Control", "no-cache"}}};
}

Reply LivePageServer::state()
{
    const LiveSnapshot::State s = snapshot_->state();
    if (!s.report)
        return error(Status::ServiceUnavailable, "no cycle yet");
    // Made once per report, however many phones ask.
    if (s.generation != stateGeneration_) {
        stateJson_ = StateJson::compact(StateJson::state(*s.report, s.kilnName));
        stateGeneration_ = s.generation;
    }
    Reply reply{Status::Ok, "application/json", stateJson_, {}};
    reply.headers.append({QByteArray("X-Fornaxel-Age-Ms"), QByteArray::number(s.ageMs)});
    return reply;
}

Reply LivePageServer::chart(const QHttpServerRequest& request) const
{
    bool bad = false;
    const std::optional<double> since = sinceOf(request, bad);
    if (bad)
        return error(Status::BadRequest, "since: seconds as a decimal number");
    const auto [start, points] = snapshot_->chartSince(since.value_or(-1));
    QJsonArray rows;
    for (const LiveChartPoint& p : points)
        rows.append(QJsonArray{rounded(p.seconds, 10), rounded(p.kilnTemp, 100), rounded(p.setPoint, 100), p.power});
    return json(QJsonObject{{"record_start", StateJson::time(start)}, {"points", rows}});
}

Reply LivePageServer::labels() const
{
    return json(QJsonObject{{"labels", snapshot_->labels()}, {"code", access_->asksForCode()}});
}

Reply LivePageServer::tryCode(const QHttpServerRequest& request)
{
    const QByteArray body = request.body();
    if (body.size() > 1024)
        return error(Status::PayloadTooLarge, "code too long");
    const LivePageAccess::Attempt a = access_->tryCode(request.remoteAddress().toString(), QString::fromUtf8(body));
    switch (a.result) {
    case LivePageAccess::Attempt::Granted: {
        Reply reply = json(QJsonObject{{"ok", true}});
        reply.headers.append({QByteArray("Set-Cookie"), QByteArray(kSessionCookie) + "=" + a.token +
                                                "; Path=/; HttpOnly; SameSite=Strict"});
        return reply;
    }
    case LivePageAccess::Attempt::Wrong:
        return json(QJsonObject{{"error", "wrong code"}, {"wait", a.waitSeconds}}, Status::Forbidden);
    case LivePageAccess::Attempt::Wait: {
        Reply reply = json(QJsonObject{{"error", "too many tries"}, {"wait", a.waitSeconds}}, Status::TooManyRequests);
        reply.headers.append({QByteArray("Retry-After"), QByteArray::number(a.waitSeconds)});
        return reply;
    }
    }
    return error(Status::InternalServerError, "unknown");
}

bool LivePageServer::admitted(const QHttpServerRequest& request) const
{
    return !access_->asksForCode() || access_->admits(cookieValue(request, kSessionCookie));
}
