#include "LoadDuringFiring.h"

#include "Numbers.h"

bool LoadDuringFiring::ask(const QString& text, const QString& path) const
{
    if (!programActive(state_.ProgState))
        return true;
    return dialogs_.askYesNo(texts_.LS("MBFiringRunning"), text + "\n\n" + path);
}

bool LoadDuringFiring::MayLoadProgram(const QString& path) const
{
    return ask(texts_.LS("MBLoadProgramDuringFiring") + Numbers::formatInt(state_.ProgLine) + ".", path);
}

bool LoadDuringFiring::MayLoadOven(const QString& path) const { return ask(texts_.LS("MBLoadOvenDuringFiring"), path); }
