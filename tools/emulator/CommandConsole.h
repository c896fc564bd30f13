#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QSocketNotifier;

// One line on standard output, written out at once.
void PrintLine(const QString& line);

// What a console command gives back: lines to print, and an error text when it failed.
struct CommandResult {
    QStringList lines;
    QString error;
};

struct ConsoleCommand {
    QString name;       // one or two words: "break", "cj off"
    QString arguments;  // as shown in the usage text: "N", "HZ"; empty when none
    QString help;
    std::function<CommandResult(const QString& argument)> run;
};

// Reads commands from standard input, one a line, and answers each with its lines and then
// "ok" or "error: ...". The commands come as a table, so a new fault is a new row.
class CommandConsole : public QObject {
public:
    CommandConsole(std::vector<ConsoleCommand> commands, QObject* parent = nullptr);

    // Starts listening on standard input. At its end the console falls silent; the
    // emulator keeps running.
    void listen();
    // Runs one line and prints its answer.
    void execute(const QString& line);
    QStringList usage() const;

private:
    void readInput();
    const ConsoleCommand* find(const QString& line, QString& argument) const;

    std::vector<ConsoleCommand> commands_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray input_;
};
