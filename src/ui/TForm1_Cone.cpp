// The cone firing: the dialog over the program page and the program it makes.
#include "ConeDialog.h"
#include "TForm1.h"

void TForm1::KProgConeClick()
{
    // Read at every opening, so that an edited table counts without a restart.
    auto* dialog = new ConeDialog(ConeTable::Load(folders_.readable(ConeTable::kRelativePath)), state.Temps, texts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ConeDialog::programChosen, this,
            [this](const ConeChoice& choice) { guardedCall([&] { ConeProgramChosen(choice); }); });
    // Window-modal without a nested event loop: the timers and the firing go on behind it.
    dialog->open();
}

void TForm1::ConeProgramChosen(const ConeChoice& choice)
{
    const ConeProgram program(choice);
    if (!loadGuard->MayLoadProgram(program.Title(texts)))
        return;
    editor->EnterProgram(program.Lines(), program.Title(texts));
}
