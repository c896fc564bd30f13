// The firing's data files and the chart's Save and Clear buttons.
#include "TForm1.h"

#include <QPushButton>

void TForm1::createDataFiles()
{
    DataFilesView view;
    view.TabWork = TabWork;
    view.PID_P = PID_P;
    view.PID_I = PID_I;
    view.PID_D = PID_D;
    view.MODEL_P = MODEL_P;
    view.MODEL_R = MODEL_R;
    view.MODEL_I = MODEL_I;
    view.Edit9 = Edit9;
    view.Edit10 = Edit10;
    DataFilesHooks hooks;
    hooks.DeviceNameStr = [this] { return DeviceNameStr(); };
    hooks.OvenFileName = [this] { return ovenFile->FileName(); };
    hooks.ProgramFileName = [this] { return programFile->FileName(); };
    hooks.ClearEnergyMeter = [this] { meter->clear(); };
    dataFiles =
        std::make_unique<DataFiles>(state, services_.clock, texts, *log, *chart, services_.dialogs, view, hooks);
}

void TForm1::connectDataFiles()
{
    connect(GraphSave, &QPushButton::clicked, this, [this] { guardedCall([&] { dataFiles->GraphSaveClick(); }); });
    connect(GraphClear, &QPushButton::clicked, this, [this] { guardedCall([&] { dataFiles->GraphClearClick(); }); });
}
