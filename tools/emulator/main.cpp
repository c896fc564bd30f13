#include "CommandConsole.h"
#include "Emulator.h"
#include "LocaleFacts.h"
#include "Numbers.h"
#include "OvenFactors.h"
#include "QtServices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Ctrl-C and a plain kill end the event loop, so the link is removed on the way out. The
// handler only writes to a socket; the loop reads it.
int signalSocket[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalSocket[0], &byte, 1);
}

void quitOnSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, onSignal);
}

int fail(const QString& text, int code)
{
    std::fprintf(stderr, "fornaxel-emulator: %s\n", qPrintable(text));
    return code;
}

struct CommandLine {
    EmulatorOptions options;
    QString ovenPath;
    QString kilnPath;
    double speed = 1;  // the kiln's time runs this much faster than real time
};

std::optional<CommandLine> parse(QCoreApplication& app, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Kiln controller emulator: answers the program's frames on a pseudo-terminal and heats a modelled kiln.\n"
        "Prints \"PORT <device>\" first; reads fault commands on standard input (type help).");
    parser.addHelpOption();
    const QCommandLineOption link("link", "Also reach the device through a symbolic link at <path>.", "path");
    const QCommandLineOption state("state", "Keep the NV memory in <file> (default: beside the executable).", "file");
    const QCommandLineOption oven("oven", "Heat the program's two-node model with an oven file's factors.", "file.ovn");
    const QCommandLineOption kiln("kiln", "Heat the kiln a kiln file describes (default: the shipped kiln).", "file.kiln");
    const QCommandLineOption noPacing("no-pacing", "Write replies at once instead of at 9600 baud.");
    const QCommandLineOption quiet("quiet", "No status line every few seconds.");
    const QCommandLineOption traceWrites("trace-writes",
                                         "Print every heater power write with the monotonic time it arrived.");
    const QCommandLineOption noTicks("no-ticks", "Send no tick every second: speak only when asked.");
    const QCommandLineOption speed("speed", "Run the kiln model <factor> times faster than real time.", "factor", "1");
    parser.addOptions({link, state, oven, kiln, noPacing, quiet, traceWrites, noTicks, speed});
    parser.process(app);

    CommandLine c;
    c.options.linkPath = parser.value(link);
    c.options.statePath = parser.isSet(state) ? parser.value(state)
                                              : QCoreApplication::applicationDirPath() + "/fornaxel-emulator-nv.txt";
    c.options.paced = !parser.isSet(noPacing);
    c.options.quiet = parser.isSet(quiet);
    c.options.traceWrites = parser.isSet(traceWrites);
    c.options.ticks = !parser.isSet(noTicks);
    c.ovenPath = parser.value(oven);
    c.kilnPath = parser.value(kiln);
    if (parser.isSet(oven) && parser.isSet(kiln)) {
        error = "--kiln and --oven each choose the kiln: give one of them";
        return std::nullopt;
    }
    QString speedText = parser.value(speed);
    speedText.replace(',', LocaleFacts::current().decimalSeparator).replace('.', LocaleFacts::current().decimalSeparator);
    if (!Numbers::parseDecimal(speedText, c.speed) || !(c.speed > 0) || c.speed > 10000) {
        error = "'" + parser.value(speed) + "' is no speed factor (above 0, at most 10000)";
        return std::nullopt;
    }
    return c;
}

std::unique_ptr<EmulatedKiln> makeKiln(const CommandLine& c)
{
    if (!c.kilnPath.isEmpty())
        return LoadKilnFile(c.kilnPath, c.speed);
    if (!c.ovenPath.isEmpty()) {
        const KilnFactors f = ReadOvenFactors(c.ovenPath);
        return MakeTwoNodeKiln(f.p, f.i, f.r, c.speed);
    }
    return MakeShippedKiln(c.speed);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    app.setApplicationName("fornaxel-emulator");
    QString error;
    const std::optional<CommandLine> commandLine = parse(app, error);
    if (!commandLine)
        return fail(error, 2);
    std::unique_ptr<EmulatedKiln> kiln;
    try {
        kiln = makeKiln(*commandLine);
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()), 2);
    }

    SystemRandom random;
    Emulator emulator(commandLine->options, std::move(kiln), random);
    if (const QString startError = emulator.start(); !startError.isEmpty())
        return fail(startError, 1);
    CommandConsole console(emulator.commands());
    console.listen();
    quitOnSignals(app);
    return app.exec();
}
