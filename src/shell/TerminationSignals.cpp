#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int sig)
{
    const int saved = errno;
    const char byte = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);  // async-signal-safe
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> end, QObject* parent)
    : QObject(parent), end_(std::move(end))
{
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { arrived(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (int sig : kSignals)
        installed_ = ::sigaction(sig, &action, nullptr) == 0 && installed_;
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier_)
        return;
    for (int sig : kSignals)
        ::signal(sig, SIG_DFL);
    delete notifier_;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void TerminationSignals::arrived()
{
    char bytes[16];
    while (::read(pipeFds[0], bytes, sizeof bytes) > 0) {
    }
    if (std::exchange(ended_, true))
        return;
    if (end_)
        end_();
}
