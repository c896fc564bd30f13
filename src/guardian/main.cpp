// fornaxel-guardian: started by Fornaxel while the controller's port is open. The controller
// holds the last power it was sent, so when the program ends without closing the port (a crash,
// a kill) or stops answering (a hung user interface), the guardian sends heater power 0 and
// outputs A and B off, notes it in the log file and ends. The program sends one heartbeat line
// per control cycle and "bye" at an orderly close, or when it has a lost port back.
//
// When the port fails under it (a USB adapter that drops out), the guardian opens the device
// path again every quarter second and switches off as soon as it can, then goes on watching on
// that line. After the program's end it keeps trying until the safe state is out.
//
//   fornaxel-guardian --parent PID --device PATH [--fd N] --log FILE
//                     --ended TEXT --silent TEXT --sent TEXT --unsent TEXT
//                     [--lost TEXT] [--terminated TEXT] [--silence-ms MS] [--give-up-ms MS]
#include "GuardianProtocol.h"
#include "Numbers.h"
#include "ParentWatch.h"
#include "SafeState.h"

#include <QMap>
#include <QString>
#include <cstdio>
#include <unistd.h>

namespace {

struct Options {
    WatchOptions watch;
    QString device;
    QString logFile;
    QString endedText;       // the program ended without closing the port
    QString silentText;      // the program stopped answering
    QString sentText;        // followed by the device
    QString unsentText;      // followed by the device and the reason
    QString lostText;        // the port failed under the guardian
    QString terminatedText;  // followed by the signal's name
    int giveUpMs = GuardianProtocol::kGiveUpMs;
};

bool parse(int argc, char** argv, Options& o)
{
    QMap<QString, QString> values;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromUtf8(argv[i]);
        if (!name.startsWith("--"))
            return false;
        values.insert(name.mid(2), QString::fromUtf8(argv[i + 1]));
    }
    if (argc % 2 == 0)
        return false;  // a name without its value
    int parent = 0;
    if (!Numbers::parseWhole(values.value("parent"), parent) || parent <= 1)
        return false;
    o.watch.parent = parent;
    o.watch.heartbeatFd = 0;
    o.watch.portFd = values.contains("fd") ? Numbers::parseWholeOr(values.value("fd"), -1) : -1;
    o.watch.silenceMs = Numbers::parseWholeOr(values.value("silence-ms"), GuardianProtocol::kSilenceMs);
    o.giveUpMs = Numbers::parseWholeOr(values.value("give-up-ms"), GuardianProtocol::kGiveUpMs);
    o.device = values.value("device");
    o.logFile = values.value("log");
    o.endedText = values.value("ended");
    o.silentText = values.value("silent");
    o.sentText = values.value("sent");
    o.unsentText = values.value("unsent");
    o.lostText = values.value("lost");
    o.terminatedText = values.value("terminated");
    return !o.device.isEmpty() && !o.logFile.isEmpty() && o.watch.silenceMs > 0 && o.giveUpMs >= 0;
}

// The program is gone, hangs, or the guardian was told to end: the safe state goes out, on the
// line it watches or on the device opened anew, tried until it is out or the time is up.
int switchOff(const Options& o, WatchEnd end, int fd)
{
    const long long giveUpAt = MonotonicMs() + o.giveUpMs;
    QString error = SendSafeState(fd, o.device);
    while (!error.isEmpty() && MonotonicMs() < giveUpAt) {
        ::usleep(1000 * 1000);
        error = SendSafeState(-1, o.device);
    }
    QString reason = end == WatchEnd::Silent ? o.silentText : o.endedText;
    if (end == WatchEnd::Terminated)
        reason = o.terminatedText + " " + QString::fromLatin1(ParentWatch::terminatingSignal()) + ".";
    const bool terminated = end == WatchEnd::Terminated;
    if (error.isEmpty()) {
        AppendLogLine(o.logFile, reason + o.sentText + o.device);
        return terminated ? GuardianProtocol::TerminatedSent : GuardianProtocol::SafeStateSent;
    }
    AppendLogLine(o.logFile, reason + o.unsentText + o.device + ": " + error);
    return terminated ? GuardianProtocol::TerminatedNotSent : GuardianProtocol::SafeStateNotSent;
}

// The port failed under the guardian; the device is there again: the safe state goes out on a
// line of its own. -1 while it cannot.
int switchOffAfterLoss(const Options& o)
{
    const int fd = OpenDevice(o.device);
    if (fd < 0)
        return -1;
    if (!SendSafeState(fd, QString()).isEmpty()) {
        ::close(fd);
        return -1;
    }
    AppendLogLine(o.logFile, o.lostText + o.sentText + o.device);
    return fd;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "fornaxel-guardian: is started by Fornaxel, with --parent, --device and --log\n");
        return GuardianProtocol::BadArguments;
    }
    ParentWatch watch(o.watch);
    int fd = o.watch.portFd;
    bool lost = false;  // the port failed and the safe state has not gone out since
    for (;;) {
        const WatchEnd end = watch.next(fd, lost ? GuardianProtocol::kPortRetryMs : 0);
        switch (end) {
        case WatchEnd::Released: return GuardianProtocol::Released;
        case WatchEnd::PortLost:
            ::close(fd);
            fd = -1;
            lost = true;
            break;
        case WatchEnd::Tick:
            fd = switchOffAfterLoss(o);
            lost = fd < 0;
            break;
        default: return switchOff(o, end, lost ? -1 : fd);
        }
    }
}
