#include "CommandConsole.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

void PrintLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

CommandConsole::CommandConsole(std::vector<ConsoleCommand> commands, QObject* parent)
    : QObject(parent), commands_(std::move(commands))
{
    commands_.push_back({"help", "", "list the commands", [this](const QString&) { return CommandResult{usage(), {}}; }});
}

void CommandConsole::listen()
{
    notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CommandConsole::readInput);
}

void CommandConsole::readInput()
{
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        notifier_->setEnabled(false);
        return;
    }
    input_.append(buffer, n);
    qsizetype end;
    while ((end = input_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(input_.left(end)).trimmed();
        input_.remove(0, end + 1);
        if (!line.isEmpty())
            execute(line);
    }
}

// The longest command name the line starts with, so that "cj off" wins over "cj".
const ConsoleCommand* CommandConsole::find(const QString& line, QString& argument) const
{
    const QString text = line.simplified();
    const ConsoleCommand* best = nullptr;
    for (const ConsoleCommand& c : commands_) {
        const bool matches = text == c.name || text.startsWith(c.name + ' ');
        if (matches && (!best || c.name.size() > best->name.size()))
            best = &c;
    }
    if (best)
        argument = text.mid(best->name.size()).trimmed();
    return best;
}

void CommandConsole::execute(const QString& line)
{
    QString argument;
    const ConsoleCommand* command = find(line, argument);
    if (!command) {
        PrintLine("error: unknown command '" + line + "' (help lists the commands)");
        return;
    }
    if (argument.isEmpty() != command->arguments.isEmpty()) {
        PrintLine("error: usage: " + (command->name + ' ' + command->arguments).trimmed());
        return;
    }
    const CommandResult result = command->run(argument);
    for (const QString& l : result.lines)
        PrintLine(l);
    PrintLine(result.error.isEmpty() ? QString("ok") : "error: " + result.error);
}

QStringList CommandConsole::usage() const
{
    QStringList lines;
    for (const ConsoleCommand& c : commands_)
        lines << (c.name + ' ' + c.arguments).trimmed().leftJustified(14) + c.help;
    return lines;
}
