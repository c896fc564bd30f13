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

void onSignal(int) { signalled = 1; }

long long nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

// The parent's death and a plain kill of the guardian itself both count as the program's end:
// whoever ends the guardian without a "bye" gets the heater switched off.
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
        lastBeat = nowMs();  // any line shows the program alive
        used -= length + 1;
        memmove(buffer, end + 1, used);
    }
    if (used == capacity)
        used = 0;  // a line this long is no heartbeat: dropped
    return bye;
}

}  // namespace

WatchEnd WatchParent(const WatchOptions& options)
{
    catchSignals();
    char buffer[128];
    size_t used = 0;
    long long lastBeat = nowMs();
    for (;;) {
        // The parent may have died before the death signal was asked for.
        if (signalled || getppid() != options.parent)
            return WatchEnd::ParentEnded;
        const long long left = lastBeat + options.silenceMs - nowMs();
        if (left <= 0)
            return WatchEnd::Silent;
        pollfd fds[2] = {{options.heartbeatFd, POLLIN, 0}, {options.portFd, 0, 0}};
        const int ready = poll(fds, options.portFd >= 0 ? 2 : 1, int(left < 250 ? left : 250));
        if (ready < 0 && errno != EINTR)
            return WatchEnd::ParentEnded;
        if (ready <= 0)
            continue;
        if (options.portFd >= 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return WatchEnd::PortLost;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(options.heartbeatFd, buffer + used, sizeof buffer - used);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return WatchEnd::ParentEnded;
            if (n > 0) {
                used += size_t(n);
                if (takeLines(buffer, sizeof buffer, used, lastBeat))
                    return WatchEnd::Released;
            }
        }
    }
}
