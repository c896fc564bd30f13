#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdio.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// A USB serial adapter between the program and a controller that keeps its power: the
// controller's side is a pseudo-terminal someone else made (the emulator's), the program's side
// a pseudo-terminal of the relay's own, reached through a symbolic link as a /dev/serial/by-id/
// name is. A drop-out hangs the program's side up and removes its name; after the given time a
// new pseudo-terminal appears under the same name, while the controller knew nothing of it.
// Bytes sent meanwhile are lost, as they are on a pulled cable. Every descriptor of the relay's
// is closed on exec: a copy held by a program the test starts would keep the pulled side from
// hanging up, and writes to it would vanish without an error, as no real adapter lets them.
class PtyRelay {
public:
    PtyRelay(const QString& controllerDevice, QString linkPath) : link_(std::move(linkPath))
    {
        controller_ = ::open(QFile::encodeName(controllerDevice).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (controller_ < 0)
            return;
        makeRaw(controller_);
        if (!plugBack())
            return;
        thread_ = std::thread([this] { run(); });
    }

    ~PtyRelay()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        unplug();
        if (controller_ >= 0)
            ::close(controller_);
    }

    bool ready() const { return master_ >= 0 && thread_.joinable(); }
    QString path() const { return link_; }
    // The device the name stands for now.
    QString device() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return slaveName_;
    }

    // Pulls the adapter out for `ms` and plugs it back in; returns at once.
    void dropOut(int ms) { dropMs_ = ms; }
    // Pulls it out until plugIn(); returns once the name is gone.
    bool pullOut()
    {
        dropOut(kOutForGood);
        return settles([this] { return device().isEmpty(); });
    }
    // Plugs a pulled adapter back in; returns once the name stands again.
    bool plugIn()
    {
        const int before = plugs_;
        plugNow_ = true;
        return settles([&] { return plugs_ > before; });
    }
    // How many drop-outs have ended with the adapter back.
    int plugs() const { return plugs_; }

private:
    static void makeRaw(int fd)
    {
        termios tio{};
        if (tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }

    static constexpr int kOutForGood = 24 * 3600 * 1000;

    template <class Done>
    static bool settles(Done done)
    {
        for (int i = 0; i < 500 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }

    bool plugBack()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            if (master >= 0)
                ::close(master);
            return false;
        }
        const char* name = ptsname(master);
        const QString slave = name ? QString::fromLocal8Bit(name) : QString();
        // Held open by the relay too, so that the program's own close is no hang-up for it.
        const int keeper = ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (keeper < 0) {
            ::close(master);
            return false;
        }
        makeRaw(keeper);
        makeRaw(master);
        // The name appears at once, complete: a link made aside and renamed into place.
        const QByteArray aside = QFile::encodeName(link_ + ".new");
        ::unlink(aside.constData());
        if (::symlink(QFile::encodeName(slave).constData(), aside.constData()) != 0 ||
            ::rename(aside.constData(), QFile::encodeName(link_).constData()) != 0) {
            ::close(keeper);
            ::close(master);
            return false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        master_ = master;
        keeper_ = keeper;
        slaveName_ = slave;
        return true;
    }

    void unplug()
    {
        ::unlink(QFile::encodeName(link_).constData());
        std::lock_guard<std::mutex> lock(mutex_);
        if (keeper_ >= 0)
            ::close(keeper_);
        if (master_ >= 0)
            ::close(master_);
        keeper_ = master_ = -1;
        slaveName_.clear();
    }

    static void pass(int from, int to)
    {
        char buffer[4096];
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n > 0 && to >= 0)
            [[maybe_unused]] const ssize_t w = ::write(to, buffer, size_t(n));
    }

    void run()
    {
        using Clock = std::chrono::steady_clock;
        Clock::time_point backAt{};
        bool out = false;
        while (!stop_) {
            if (const int ms = dropMs_.exchange(0); ms > 0 && !out) {
                unplug();
                out = true;
                backAt = Clock::now() + std::chrono::milliseconds(ms);
            }
            if (out && (plugNow_.exchange(false) || Clock::now() >= backAt) && plugBack()) {
                out = false;
                ++plugs_;
            }
            pollfd fds[2] = {{controller_, POLLIN, 0}, {master_, POLLIN, 0}};
            if (::poll(fds, out ? 1 : 2, 20) <= 0)
                continue;
            if (fds[0].revents & POLLIN)
                pass(controller_, out ? -1 : master_);
            if (!out && (fds[1].revents & POLLIN))
                pass(master_, controller_);
        }
    }

    QString link_;
    int controller_ = -1;
    int master_ = -1;
    int keeper_ = -1;
    QString slaveName_;
    mutable std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> dropMs_{0};
    std::atomic<int> plugs_{0};
    std::atomic<bool> plugNow_{false};
};
