// A child process for the crash test: writes one file through the program's own writer again
// and again until it is killed. Usage: fornaxel_file_writer_child ini|prg|log PATH
//   ini, prg  alternate two contents (term.ini without quoting, a program with it); the two
//             contents are first written to PATH.0 and PATH.1 for the test to compare with
//   log       the event log's mirror in PATH/Data/lastlog.txt, one entry "entry N" more each time
// Prints "ready" once the first write is complete.
#include "EventLog.h"
#include "FakeTexts.h"
#include "IniFile.h"
#include "KilnState.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>

namespace {

IniFile content(IniFile::Quoting quoting, int which)
{
    IniFile ini(quoting);
    const QString pad = QString(200, which == 0 ? QChar('a') : QChar('b'));
    for (int i = 0; i < 400; ++i)
        ini.writeString("TForm1", "Key" + QString::number(i), (i % 7 == 0 ? " " : "") + pad);
    ini.writeInteger("TForm1", "Count", 400 + which);
    return ini;
}

void ready()
{
    std::puts("ready");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString kind = argv[1];
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (kind == "ini" || kind == "prg") {
        const IniFile::Quoting q = kind == "prg" ? IniFile::Quoting::Program : IniFile::Quoting::None;
        const IniFile two[2] = {content(q, 0), content(q, 1)};
        two[0].save(path + ".0");
        two[1].save(path + ".1");
        two[0].save(path);
        ready();
        for (int i = 1;; ++i)
            two[i % 2].save(path);
    }
    if (kind == "log") {
        KilnState state;
        state.AppFolder = path;
        FakeTexts texts;
        QPlainTextEdit memo;
        QTimer timer;
        EventLog log(state, texts, &memo, &timer);
        const QString pad(100, 'x');
        log.TLogX("entry 0 " + pad);
        log.TLogTimerTimer();
        ready();
        for (int i = 1;; ++i) {
            log.TLogX("entry " + QString::number(i) + " " + pad);
            log.TLogTimerTimer();
        }
    }
    return 2;
}
