#pragma once
// Debian's chromium without a window, driven over its DevTools pipe (file descriptors 3 and 4,
// NUL-terminated JSON): no port of its own to find or to collide with, and it dies with the test.
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class HeadlessChromium {
public:
    static QString program() { return QStandardPaths::findExecutable("chromium"); }

    ~HeadlessChromium() { stop(); }

    // Opens `url` in a page of `size` CSS pixels; false when chromium does not come up.
    bool start(const QString& url, QSize size = {390, 844})
    {
        int toChrome[2], fromChrome[2];
        if (::pipe2(toChrome, O_CLOEXEC) != 0 || ::pipe2(fromChrome, O_CLOEXEC) != 0)
            return false;
        const int childIn = toChrome[0], childOut = fromChrome[1];
        process_.setChildProcessModifier([childIn, childOut] {
            // Out of the way first: either end may itself be 3 or 4.
            const int in = ::fcntl(childIn, F_DUPFD, 10), out = ::fcntl(childOut, F_DUPFD, 10);
            ::dup2(in, 3);
            ::dup2(out, 4);
        });
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(program(), {"--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
                                   "--user-data-dir=" + profile_.path(), "--no-first-run", "--no-default-browser-check",
                                   "--disable-extensions", "--disable-background-networking", "--disable-sync",
                                   "--disable-component-update", "--mute-audio", "--hide-scrollbars",
                                   "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                                   "--disable-backgrounding-occluded-windows",
                                   QString("--window-size=%1,%2").arg(size.width()).arg(size.height()), url});
        ::close(childIn);
        ::close(childOut);
        toChrome_ = toChrome[1];
        fromChrome_ = fromChrome[0];
        if (!process_.waitForStarted(30000))
            return false;
        return attach(size);
    }

    // The value of a JavaScript expression in the page (a promise is awaited); undefined on
    // an error or no answer.
    QJsonValue evaluate(const QString& expression, int ms = 30000)
    {
        const QJsonObject r = call("Runtime.evaluate",
                                   {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}, ms);
        return r["result"].toObject()["result"].toObject()["value"];
    }

    // Polls `expression` until it is true or `ms` have passed.
    bool waitUntil(const QString& expression, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (evaluate(expression, 10000).toBool())
                return true;
            QThread::msleep(200);
        }
        return false;
    }

    QByteArray screenshotPng()
    {
        const QJsonObject r = call("Page.captureScreenshot", {{"format", "png"}}, 30000);
        return QByteArray::fromBase64(r["result"].toObject()["data"].toString().toLatin1());
    }

    void stop()
    {
        if (process_.state() != QProcess::NotRunning) {
            send("Browser.close", {}, QString());
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished(10000);
            }
        }
        for (int* fd : {&toChrome_, &fromChrome_})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }

private:
    bool attach(QSize size)
    {
        QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            const QJsonObject targets = call("Target.getTargets", {}, 10000, QString());
            for (const QJsonValue& t : targets["result"].toObject()["targetInfos"].toArray()) {
                if (t["type"].toString() != "page")
                    continue;
                const QJsonObject a = call("Target.attachToTarget", {{"targetId", t["targetId"]}, {"flatten", true}},
                                           10000, QString());
                session_ = a["result"].toObject()["sessionId"].toString();
                if (session_.isEmpty())
                    return false;
                call("Emulation.setDeviceMetricsOverride",
                     {{"width", size.width()}, {"height", size.height()}, {"deviceScaleFactor", 1}, {"mobile", true}},
                     10000);
                return true;
            }
            QThread::msleep(200);
        }
        return false;
    }

    int send(const QString& method, const QJsonObject& params, const QString& session)
    {
        QJsonObject message{{"id", nextId_}, {"method", method}, {"params", params}};
        if (!session.isEmpty())
            message["sessionId"] = session;
        QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
        while (!bytes.isEmpty()) {
            const ssize_t n = ::write(toChrome_, bytes.constData(), bytes.size());
            if (n <= 0)
                return -1;
            bytes.remove(0, n);
        }
        return nextId_++;
    }

    QJsonObject call(const QString& method, const QJsonObject& params, int ms)
    {
        return call(method, params, ms, session_);
    }

    // The answer to this call; events and late answers to earlier calls are passed over.
    QJsonObject call(const QString& method, const QJsonObject& params, int ms, const QString& session)
    {
        const int id = send(method, params, session);
        QDeadlineTimer deadline(ms);
        QJsonObject message;
        while (id > 0 && read(message, deadline))
            if (message["id"].toInt() == id)
                return message;
        return {};
    }

    bool read(QJsonObject& message, const QDeadlineTimer& deadline)
    {
        for (;;) {
            const qsizetype end = buffer_.indexOf('\0');
            if (end >= 0) {
                message = QJsonDocument::fromJson(buffer_.left(end)).object();
                buffer_.remove(0, end + 1);
                return true;
            }
            pollfd p{fromChrome_, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime()))) <= 0)
                return false;
            char chunk[65536];
            const ssize_t n = ::read(fromChrome_, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            buffer_.append(chunk, n);
        }
    }

    QProcess process_;
    QTemporaryDir profile_;
    int toChrome_ = -1;
    int fromChrome_ = -1;
    int nextId_ = 1;
    QString session_;
    QByteArray buffer_;
};
