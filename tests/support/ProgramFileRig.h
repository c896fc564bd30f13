#pragma once
// A program file with what it works on, as the program page builds them, on fakes: the
// table's grid, its editor with a preview chart and a kiln maximum, and the two file dialogs;
// numbers are read and written with the point.
#include "FakeTexts.h"
#include "FileDialogSettings.h"
#include "KilnState.h"
#include "LocaleFacts.h"
#include "ProgramEditor.h"
#include "ProgramFile.h"
#include "ProgramTable.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QLineEdit>
#include <qcustomplot.h>

struct ProgramFileRig {
    ScopedLocaleFacts locale{LocaleFacts{}};  // the point and no grouping, whatever the system's
    KilnState state;
    FakeTexts texts;
    RecordingLog log;
    FakeDialogs dialogs;
    StringGrid grid{ProgramTable::kColumns, ProgramTable::kInitialRows, ProgramTable::kHeaderRows, 1};
    QCustomPlot chart;
    QLineEdit maxTemp;
    ProgramEditor editor{state, texts, log, dialogs, {&grid, &chart, &maxTemp}};
    FileDialogSpec openDialog{"Programs|*.prg", "Load program", "prg"};
    FileDialogSpec saveDialog{"Programs|*.prg", "Save program", "prg"};
    ProgramFile file{state, log, dialogs, &grid, editor, openDialog, saveDialog};

    explicit ProgramFileRig(const QString& kilnMaximum = "1100") : maxTemp(kilnMaximum) {}
};
