#include "CommandLine.h"

#include "AppInfo.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

namespace {

const QCommandLineOption kHelp(QStringList{"h", "help"});
const QCommandLineOption kVersion(QStringList{"v", "version"});

void setUp(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(kHelp);
    parser.addOption(kVersion);
}

std::optional<CommandLine::Kind> kindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "prg")
        return CommandLine::Kind::Program;
    if (suffix == "ovn")
        return CommandLine::Kind::Kiln;
    return std::nullopt;
}

QString nameOf(const QStringList& arguments)
{
    return arguments.isEmpty() ? QString("fornaxel") : QFileInfo(arguments.first()).fileName();
}

}  // namespace

QString CommandLine::versionText() { return "Fornaxel " + AppVersionText() + "\n"; }

QString CommandLine::helpText(const QString& programName)
{
    return QString("Usage: %1 [options] [FILE.prg | FILE.ovn ...]\n"
                   "Fornaxel supervises an electric kiln: it runs firing programs, regulates the heater and\n"
                   "records the firing.\n"
                   "\n"
                   "Options:\n"
                   "  -h, --help     Show this help and exit.\n"
                   "  -v, --version  Show the version and exit.\n"
                   "\n"
                   "Arguments:\n"
                   "  FILE.prg       A firing program to load at start, after the stored one.\n"
                   "  FILE.ovn       A kiln configuration to load at start, after the stored one.\n")
        .arg(programName);
}

CommandLine CommandLine::read(const QStringList& arguments)
{
    CommandLine c;
    QCommandLineParser parser;
    setUp(parser);
    const bool parsed = parser.parse(arguments);
    const QString name = nameOf(arguments);
    if (parser.isSet(kHelp) || parser.isSet(kVersion)) {
        c.ends_ = true;
        c.output_ = parser.isSet(kHelp) ? helpText(name) : versionText();
        return c;
    }
    if (!parsed) {
        c.ends_ = true;
        c.exitCode_ = kUsageError;
        c.error_ = QString("%1: %2\nTry '%1 --help' for more information.\n").arg(name, parser.errorText());
        return c;
    }
    for (const QString& argument : parser.positionalArguments()) {
        const std::optional<Kind> kind = kindOf(argument);
        if (!kind) {
            c.ends_ = true;
            c.exitCode_ = kUsageError;
            c.error_ = QString("%1: '%2' is neither a firing program (.prg) nor a kiln configuration (.ovn).\n")
                           .arg(name, argument);
            c.files_.clear();
            return c;
        }
        c.files_.append({*kind, QFileInfo(argument).absoluteFilePath()});
    }
    return c;
}

std::optional<CommandLine> CommandLine::readAnswerOnly(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    setUp(parser);
    parser.parse(arguments);  // the toolkit's own options are unknown here: not yet an error
    if (!parser.isSet(kHelp) && !parser.isSet(kVersion))
        return std::nullopt;
    return read(arguments);
}

void CommandLine::print() const
{
    if (!output_.isEmpty())
        std::fputs(output_.toLocal8Bit().constData(), stdout);
    if (!error_.isEmpty())
        std::fputs(error_.toLocal8Bit().constData(), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
}
