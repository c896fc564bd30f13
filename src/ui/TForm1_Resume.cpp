// The firing record kept while a program runs, and the offer to resume it at the next start.
#include "TForm1.h"

#include "TemperatureText.h"

#include <QFileInfo>
#include <QLineEdit>
#include <exception>

void TForm1::createResume()
{
    firingState = std::make_unique<FiringStateFile>();
    keeper = std::make_unique<FiringStateKeeper>(state, services_.clock, *firingState, *log, [this](FiringSnapshot& s) {
        s.programFile = programFile->FileName();
        s.scheduledStart = scheduledStart ? scheduledStart() : 0;
        s.modelHeaterT = simulator->ModelHeaterT;
        s.modelChamberT = simulator->ModelChamberT;
    });
    FiringResumeHooks hooks;
    hooks.LoadProgram = [this](const QString& path) { return loadProgramToResume(path); };
    hooks.RestoreModel = [this](double heater, double chamber) {
        simulator->ModelHeaterT = heater;
        simulator->ModelChamberT = chamber;
    };
    hooks.RestoreScheduledStart = [this](double at) {
        if (!restoreScheduledStart)
            return false;
        restoreScheduledStart(at);
        return true;
    };
    resume = std::make_unique<FiringResume>(state, services_.clock, texts, *log, services_.dialogs, *executor,
                                            *program, *firingState, hooks);
}

void TForm1::OfferResume()
{
    resume->Offer(EditValue(RESUME_LIMIT, FiringResume::kDefaultLimitHours));
}

// A program file that is gone or does not load is no firing to resume; a load error is shown.
bool TForm1::loadProgramToResume(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    try {
        programFile->SetFileName(path);
        if (!programFile->Load(path))
            return false;
    } catch (const std::exception& e) {
        services_.dialogs.showError(QString::fromUtf8(e.what()));
        return false;
    }
    editor->SetProgChanged(false);
    return true;
}
