#include "SpawnedGuardian.h"

#include "GuardianProtocol.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

GuardianProcess::State stateOfExit(int status)
{
    if (!WIFEXITED(status))
        return GuardianProcess::State::Ended;
    switch (WEXITSTATUS(status)) {
    case GuardianProtocol::Released: return GuardianProcess::State::Released;
    case GuardianProtocol::SafeStateSent: return GuardianProcess::State::SafeStateSent;
    case GuardianProtocol::SafeStateNotSent: return GuardianProcess::State::SafeStateNotSent;
    case GuardianProtocol::PortLost: return GuardianProcess::State::PortLost;
    case GuardianProtocol::TerminatedSent:
    case GuardianProtocol::TerminatedNotSent: return GuardianProcess::State::Terminated;
    default: return GuardianProcess::State::Ended;
    }
}

// The spawn's file actions and attributes, released however the start ends.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

SpawnedGuardian::SpawnedGuardian(QString executable) : executable_(std::move(executable)) {}

SpawnedGuardian::~SpawnedGuardian()
{
    closeSocket();
    reap(false);
}

bool SpawnedGuardian::start(const GuardianLaunch& launch)
{
    if (pid_ > 0)
        release();
    if (!QFileInfo(executable_).isExecutable()) {
        error_ = executable_ + ": " + systemError(ENOENT);
        return false;
    }
    int pair[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error_ = systemError(errno);
        return false;
    }
    // Above the standard descriptors, so that the duplication onto 3 below cannot clash.
    const int port = launch.descriptor >= 0 ? ::fcntl(launch.descriptor, F_DUPFD_CLOEXEC, 10) : -1;

    QList<QByteArray> args = {QFile::encodeName(executable_),
                              "--parent", QByteArray::number(qint64(::getpid())),
                              "--device", QFile::encodeName(launch.device),
                              "--log", QFile::encodeName(launch.logFile),
                              "--ended", launch.endedText.toUtf8(),
                              "--silent", launch.silentText.toUtf8(),
                              "--sent", launch.sentText.toUtf8(),
                              "--unsent", launch.unsentText.toUtf8(),
                              "--lost", launch.lostText.toUtf8(),
                              "--terminated", launch.terminatedText.toUtf8()};
    if (port >= 0)
        args << "--fd" << QByteArray::number(GuardianProtocol::kPortFd);
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, pair[1], 0);
    // It may outlive the program by hours while it tries to switch off: it must not hold the
    // program's terminal or output pipes open meanwhile. What it has to say goes to its log file.
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    if (port >= 0)
        posix_spawn_file_actions_adddup2(&setup.actions, port, GuardianProtocol::kPortFd);
    // Whatever else the program was given stays with the program.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, GuardianProtocol::kPortFd + 1);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGUSR1})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    ::close(pair[1]);
    if (port >= 0)
        ::close(port);
    if (failed != 0) {
        ::close(pair[0]);
        error_ = executable_ + ": " + systemError(failed);
        return false;
    }
    pid_ = pid;
    socket_ = pair[0];
    last_ = State::Running;
    error_.clear();
    return true;
}

GuardianProcess::State SpawnedGuardian::state() { return reap(false); }

// Never blocks: a guardian that does not take the line is found out by state().
void SpawnedGuardian::send(const char* line)
{
    if (socket_ >= 0)
        [[maybe_unused]] const ssize_t n = ::send(socket_, line, std::strlen(line), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void SpawnedGuardian::beat() { send(GuardianProtocol::kBeat); }

void SpawnedGuardian::release()
{
    send(GuardianProtocol::kBye);
    closeSocket();
    if (reap(true) == State::Running) {
        // It did not leave in time; killed, it writes nothing.
        ::kill(pid_, SIGKILL);
        reap(true);
    }
}

void SpawnedGuardian::closeSocket()
{
    if (socket_ >= 0)
        ::close(socket_);
    socket_ = -1;
}

// With `wait`, up to kReleaseWaitMs for the guardian to end.
GuardianProcess::State SpawnedGuardian::reap(bool wait)
{
    if (pid_ <= 0)
        return last_;
    for (int waited = 0;; waited += 10) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            last_ = r == pid_ ? stateOfExit(status) : State::Ended;
            pid_ = -1;
            closeSocket();
            return last_;
        }
        if (!wait || waited >= kReleaseWaitMs)
            return State::Running;
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}
