#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The program's command line: `fornaxel [--help | --version] [FILE.prg | FILE.ovn ...]`.
// --help and --version answer on standard output and end the program with status 0 before
// anything is created; an unknown option or a file of another kind is an error on standard
// error, status 2. The files are loaded at start, after the stored ones.
class CommandLine {
public:
    enum class Kind { Program, Kiln };
    struct File {
        Kind kind;
        QString path;  // absolute, against the folder the program was started in
        bool operator==(const File&) const = default;
    };

    static constexpr int kUsageError = 2;

    // Reads the arguments (the first is the program's own name).
    static CommandLine read(const QStringList& arguments);
    // The answer to --help or --version found in the raw arguments, before the window system
    // is needed; other arguments are left to read() once the toolkit has taken its own.
    static std::optional<CommandLine> readAnswerOnly(int argc, char** argv);

    // The program should end at once with exitCode(), after printing.
    bool ends() const { return ends_; }
    int exitCode() const { return exitCode_; }
    // For standard output (an answer) and standard error (an error).
    QString output() const { return output_; }
    QString error() const { return error_; }
    // Prints what there is to print.
    void print() const;
    const QList<File>& files() const { return files_; }

    static QString helpText(const QString& programName);
    static QString versionText();

private:
    bool ends_ = false;
    int exitCode_ = 0;
    QString output_;
    QString error_;
    QList<File> files_;
};
