#pragma once
#include "LivePageAccess.h"
#include "LiveSnapshot.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QObject>
#include <memory>

class QHttpServer;

// The HTTP server of the live page. Lives on the live page's own thread: it is made, started,
// stopped and asked there only, and reads the kiln only through the snapshot.
class LivePageServer : public QObject {
    Q_OBJECT
public:
    explicit LivePageServer(std::shared_ptr<const LiveSnapshot> snapshot);
    ~LivePageServer() override;

    // Listens anew; the port listened on, 0 when the address or port cannot be had. An empty
    // code asks for none.
    quint16 start(const QHostAddress& address, quint16 port, const QString& code);
    void stop();

    static constexpr const char* kSessionCookie = "fornaxel_session";
    struct Reply;

private:
    struct Request {
        QHttpServerRequest::Method method;
        QString path;
        const QHttpServerRequest& raw;
    };
    Reply respond(const Request& request);
    Reply staticFile(const QString& path) const;
    Reply state();
    Reply chart(const QHttpServerRequest& request) const;
    Reply labels() const;
    Reply tryCode(const QHttpServerRequest& request);
    bool admitted(const QHttpServerRequest& request) const;

    std::shared_ptr<const LiveSnapshot> snapshot_;
    std::unique_ptr<QHttpServer> http_;
    std::unique_ptr<LivePageAccess> access_;
    quint64 stateGeneration_ = 0;  // of the JSON held below
    QByteArray stateJson_;
};
