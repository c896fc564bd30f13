#pragma once
// A real mosquitto broker for a test, on free loopback ports, with a password file and a TLS
// listener whose certificates are made here by openssl; and a watcher that sees what the
// broker holds. Every wait has a deadline. Tests skip (GTEST_SKIP) only when the mosquitto
// binary is missing.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <functional>
#include <mosquitto.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace mqtt_test {

inline QString mosquittoBinary()
{
    const QString found = QStandardPaths::findExecutable("mosquitto");
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
}

// A port nobody listens on at the moment of asking.
inline int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

inline bool listening(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

inline bool run(const QString& program, const QStringList& arguments, const QString& folder = QString())
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class MosquittoBroker {
public:
    static inline const QString kUser = "kiln";
    static inline const QString kPassword = "right";
    static inline const QString kWatcher = "watch";
    static inline const QString kWatcherPassword = "watch";

    MosquittoBroker() : port(freePort()), tlsPort(freePort()) {}
    ~MosquittoBroker() { stop(); }

    static bool available() { return !mosquittoBinary().isEmpty(); }

    // The password file, the certificates and the configuration; false (with `error`) on failure.
    bool prepare()
    {
        const QString d = dir.path();
        if (!run("mosquitto_passwd", {"-c", "-b", d + "/passwords", kUser, kPassword}) ||
            !run("mosquitto_passwd", {"-b", d + "/passwords", kWatcher, kWatcherPassword}))
            return fail("mosquitto_passwd failed");
        if (!makeCertificates())
            return fail("openssl failed");
        QFile conf(d + "/mosquitto.conf");
        if (!conf.open(QIODevice::WriteOnly))
            return fail("no config file");
        // Run as root, mosquitto would become its own user, who cannot read this folder.
        if (::geteuid() == 0)
            conf.write("user root\n");
        conf.write(QString("per_listener_settings false\n"
                           "allow_anonymous false\n"
                           "password_file %1/passwords\n"
                           "persistence false\n"
                           "listener %2 127.0.0.1\n"
                           "listener %3 127.0.0.1\n"
                           "cafile %1/ca.pem\n"
                           "certfile %1/server.pem\n"
                           "keyfile %1/server.key\n")
                       .arg(d)
                       .arg(port)
                       .arg(tlsPort)
                       .toUtf8());
        return true;
    }

    bool start()
    {
        process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(mosquittoBinary(), {"-c", dir.path() + "/mosquitto.conf"});
        if (!process->waitForStarted(10000))
            return fail("mosquitto did not start");
        QDeadlineTimer deadline(30000);
        while (!(listening(port) && listening(tlsPort))) {
            if (deadline.hasExpired() || process->state() == QProcess::NotRunning)
            {
                process->waitForReadyRead(1000);
                return fail("mosquitto is not listening: " + output());
            }
            QThread::msleep(50);
        }
        return true;
    }

    void stop()
    {
        if (!process || process->state() == QProcess::NotRunning)
            return;
        output();
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished(10000);
        }
    }

    // What the broker has printed so far (its connections, its refusals).
    QString output()
    {
        if (process)
            printed_ += QString::fromUtf8(process->readAll());
        return printed_;
    }
    // Accepted ones, and those that failed in the TLS handshake.
    int connectionsSeen()
    {
        const QString all = output();
        return int(all.count("New connection from") + all.count("Client connection from"));
    }

    QString caFile() const { return dir.path() + "/ca.pem"; }
    QString otherCaFile() const { return dir.path() + "/other-ca.pem"; }

    QTemporaryDir dir;
    int port;
    int tlsPort;
    QString error;
    std::unique_ptr<QProcess> process;

private:
    QString printed_;

    bool fail(const QString& why)
    {
        error = why;
        return false;
    }

    bool makeCertificates()
    {
        const QString d = dir.path();
        QFile ext(d + "/server.ext");
        if (!ext.open(QIODevice::WriteOnly))
            return false;
        ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        ext.close();
        const QStringList key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        return run("openssl", QStringList{"req", "-x509"} + key +
                                  QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=Test CA"},
                   d) &&
               run("openssl", QStringList{"req", "-x509"} + key +
                                  QStringList{"-keyout", "other-ca.key", "-out", "other-ca.pem", "-days", "2", "-subj",
                                              "/CN=Other CA"},
                   d) &&
               run("openssl", QStringList{"req"} + key +
                                  QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"},
                   d) &&
               run("openssl", {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                               "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext"},
                   d);
    }
};

// Subscribes to everything and keeps every message (topic, payload, retained), in order.
class MqttWatcher {
public:
    struct Message {
        QString topic;
        QByteArray payload;
        bool retained = false;
    };

    explicit MqttWatcher(int port)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(nullptr, true, this);
        mosquitto_username_pw_set(mosq_, MosquittoBroker::kWatcher.toUtf8().constData(),
                                  MosquittoBroker::kWatcherPassword.toUtf8().constData());
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void*, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "#", 1);
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* obj, const mosquitto_message* msg) {
            auto* self = static_cast<MqttWatcher*>(obj);
            std::lock_guard lock(self->mutex_);
            self->messages_.push_back({QString::fromUtf8(msg->topic),
                                       QByteArray(static_cast<const char*>(msg->payload), msg->payloadlen), msg->retain});
        });
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
    }
    ~MqttWatcher()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }

    std::vector<Message> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<Message> on(const QString& topic) const
    {
        std::vector<Message> out;
        for (const Message& m : messages())
            if (m.topic == topic)
                out.push_back(m);
        return out;
    }
    // The latest payload on the topic, if any arrived.
    std::optional<QByteArray> last(const QString& topic) const
    {
        const auto all = on(topic);
        if (all.empty())
            return std::nullopt;
        return all.back().payload;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }
    void publish(const QString& topic, const QByteArray& payload, bool retained = false)
    {
        mosquitto_publish(mosq_, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), 1,
                          retained);
    }

private:
    mosquitto* mosq_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace mqtt_test
