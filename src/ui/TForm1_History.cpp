// The firing history: its recorder among the observers of the cycle, and its tab.
#include "TForm1.h"

#include "DateTime.h"
#include "HistoryPage.h"
#include "HistoryRecorder.h"
#include "OvenFile.h"
#include "ProgramFile.h"
#include "Widgets.h"

#include <QFileInfo>
#include <QLineEdit>

void TForm1::buildHistoryPage()
{
    TabHistory = new HistoryPage(QString(), texts, services_.dialogs);
    TabHistory->setObjectName("TabHistory");
}

void TForm1::createHistory()
{
    HistoryRecorder::Hooks hooks;
    hooks.facts = [this] { return firingFacts(); };
    hooks.wallClock = [this] { return DateTime::toQDateTime(services_.clock.now()); };
    hooks.log = [this](const QString& key, const QString& detail) { log->TLogLS(key, detail); };
    const QString file = historyFile();
    history = std::make_unique<HistoryRecorder>(file, hooks);
    observers->add(history.get());
    TabHistory->setPath(file);
    connect(history.get(), &HistoryRecorder::firingRecorded, TabHistory, [this] {
        if (TabHistory->isVisible())
            TabHistory->reload();
    });
}

// The program folder is known before the subsystems are made; the state learns it later.
QString TForm1::historyFile() const { return folders_.programFolder() + "/Data/firings.sqlite"; }

// What is being fired, as the window holds it when the firing begins.
FiringFacts TForm1::firingFacts() const
{
    FiringFacts f;
    f.program = QFileInfo(programFile->FileName()).fileName();
    QStringList lines;
    const int end = std::min(program->EndLine(), program->lineCount());
    for (int n = 1; n <= end; ++n) {
        QStringList cells;
        for (int c = 1; c < Prog->colCount(); ++c)
            cells << Prog->cell(c, n + 1).trimmed();
        lines << cells.join('\t');
    }
    f.programLines = lines.join('\n');
    f.kilnFile = ovenFile ? QFileInfo(ovenFile->FileName()).fileName() : QString();
    f.modelP = MODEL_P->text();
    f.modelI = MODEL_I->text();
    f.modelR = MODEL_R->text();
    f.pidP = PID_P->text();
    f.pidI = PID_I->text();
    f.pidD = PID_D->text();
    f.controller = state.ControllerName;
    f.firmware = state.FirmwareVersion;
    return f;
}
