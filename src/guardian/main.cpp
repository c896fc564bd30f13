// fornaxel-guardian: started by Fornaxel while the controller's port is open. The controller
// holds the last power it was sent, so when the program ends without closing the port (a crash,
// a kill) or stops answering (a hung user interface), the guardian sends heater power 0 and
// outputs A and B off, notes it in the log file and ends. The program sends one heartbeat line
// per control cycle and "bye" at an orderly close.
//
//   fornaxel-guardian --parent PID --device PATH [--fd N] --log FILE
//                     --ended TEXT --silent TEXT --sent TEXT --unsent TEXT [--silence-ms MS]
#include "GuardianProtocol.h"
#include "Numbers.h"
#include "ParentWatch.h"
#include "SafeState.h"

#include <QMap>
#include <QString>
#include <cstdio>

namespace {

struct Options {
    WatchOptions watch;
    QString device;
    QString logFile;
    QString endedText;   // the program ended without closing the port
    QString silentText;  // the program stopped answering
    QString sentText;    // followed by the device
    QString unsentText;  // followed by the device and the reason
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
    o.device = values.value("device");
    o.logFile = values.value("log");
    o.endedText = values.value("ended");
    o.silentText = values.value("silent");
    o.sentText = values.value("sent");
    o.unsentText = values.value("unsent");
    return !o.device.isEmpty() && !o.logFile.isEmpty() && o.watch.silenceMs > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "fornaxel-guardian: is started by Fornaxel, with --parent, --device and --log\n");
        return GuardianProtocol::BadArguments;
    }
    const WatchEnd end = WatchParent(o.watch);
    if (end == WatchEnd::Released)
        return GuardianProtocol::Released;
    if (end == WatchEnd::PortLost)
        return GuardianProtocol::PortLost;
    const QString error = SendSafeState(o.watch.portFd, o.device);
    const QString reason = end == WatchEnd::Silent ? o.silentText : o.endedText;
    if (error.isEmpty()) {
        AppendLogLine(o.logFile, reason + o.sentText + o.device);
        return GuardianProtocol::SafeStateSent;
    }
    AppendLogLine(o.logFile, reason + o.unsentText + o.device + ": " + error);
    return GuardianProtocol::SafeStateNotSent;
}
