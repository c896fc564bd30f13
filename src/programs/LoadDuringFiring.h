#pragma once
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QString>

// Loading a program or a kiln replaces what a running firing follows: while one is active
// the operator is asked first, and told that the firing goes on with what is loaded.
class LoadDuringFiring {
public:
    LoadDuringFiring(const KilnState& state, const MessageSource& texts, Dialogs& dialogs)
        : state_(state), texts_(texts), dialogs_(dialogs)
    {
    }

    // True when no firing is active or the operator agrees.
    bool MayLoadProgram(const QString& path) const;
    bool MayLoadOven(const QString& path) const;

private:
    bool ask(const QString& text, const QString& path) const;

    const KilnState& state_;
    const MessageSource& texts_;
    Dialogs& dialogs_;
};
