#include "ParentWatch.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t signalled = 0;

void onSignal(int s) { signalled = s; }

// SIGUSR1 stands for the parent's death; the others are sent to the guardian itself. Either
// way the heater is switched off before the guardian ends.
void catchSignals()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGUSR1, SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGUSR1);
}

// Takes the complete lines in `buffer` off its front; true when one of them says "bye".
bool takeLines(char* buffer, size_t capacity, size_t& used, long long& lastBeat)
{
    bool bye = false;
    while (char* end = static_cast<char*>(memchr(buffer, '\n', used))) {
        const size_t length = size_t(end - buffer);
        bye = bye || (length == 3 && memcmp(buffer, "bye", 3) == 0);
        lastBeat = MonotonicMs();  // any line shows the program alive
        used -= length + 1;
        memmove(buffer, end + 1, used);
    }
    if (used == capacity)
        used = 0;  // a line this long is no heartbeat: dropped
    return bye;
}

int caught = 0;

}  // namespace

long long MonotonicMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

ParentWatch::ParentWatch(const WatchOptions& options) : options_(options), lastBeat_(MonotonicMs()) { catchSignals(); }

const char* ParentWatch::terminatingSignal()
{
    switch (caught) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "signal";
    }
}

WatchEnd ParentWatch::next(int portFd, int tickMs)
{
    const long long tickAt = tickMs > 0 ? MonotonicMs() + tickMs : 0;
    for (;;) {
        // The parent may have died before the death signal was asked for.
        if (getppid() != options_.parent || signalled == SIGUSR1)
            return WatchEnd::ParentEnded;
        if (signalled) {
            caught = signalled;
            return WatchEnd::Terminated;
        }
        const long long now = MonotonicMs();
        const long long left = lastBeat_ + options_.silenceMs - now;
        if (left <= 0)
            return WatchEnd::Silent;
        if (tickAt && now >= tickAt)
            return WatchEnd::Tick;
        long long wait = left < 250 ? left : 250;
        if (tickAt && tickAt - now < wait)
            wait = tickAt - now;
        pollfd fds[2] = {{options_.heartbeatFd, POLLIN, 0}, {portFd, 0, 0}};
        const int ready = poll(fds, portFd >= 0 ? 2 : 1, int(wait));
        if (ready < 0 && errno != EINTR)
            return WatchEnd::ParentEnded;
        if (ready <= 0)
            continue;
        if (portFd >= 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return WatchEnd::PortLost;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(options_.heartbeatFd, buffer_ + used_, sizeof buffer_ - used_);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return WatchEnd::ParentEnded;
            if (n > 0) {
                used_ += size_t(n);
                if (takeLines(buffer_, sizeof buffer_, used_, lastBeat_))
                    return WatchEnd::Released;
            }
        }
    }
}
