// The close: the questions, the firing's files, and only then the end of supervision, so that a
// close that fails or is called off leaves the firing exactly as it was.
#include "TForm1.h"

#include "Widgets.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <exception>

void TForm1::closeUnattended()
{
    unattended_ = true;
    close();
}

void TForm1::closeEvent(QCloseEvent* e)
{
    if (closing_) {
        QMainWindow::closeEvent(e);
        return;
    }
    bool closed = false;
    guardedCall([&] { closed = closeSequence(); });
    if (!closed) {
        e->ignore();  // the window stays open and the firing goes on as it was
        unattended_ = false;
        return;
    }
    closing_ = true;
    // The firing is on disk by now; settings that cannot be written are reported, and the
    // window closes all the same.
    if (unattended_)
        quietly([&] { saveSettings(); });
    else
        guardedCall([&] { saveSettings(); });
    if (Form2)
        Form2->hide();
    QMainWindow::closeEvent(e);
}

bool TForm1::closeSequence()
{
    commitOpenEdits();
    // No questions during an automatic shutdown or when the system ends the program.
    const bool quiet = unattended_ || ShutDownTimer->isActive();
    if (!quiet && !confirmEndOfFiring())
        return false;
    if (!quiet)
        offerUnsavedEdits();
    log->TLogLS("LogCloseProgram", "");
    if (!writeFiringFiles(quiet)) {
        log->TLogLS("LogCloseCancelled", "");
        return false;
    }
    endSupervision(quiet);
    return true;
}

// A cell or a channel name still being typed counts as typed.
void TForm1::commitOpenEdits()
{
    Prog->commitEditor();
    if (TC_Name->isModified())  // typed, not only shown
        channels->TC_NameExit();
}

bool TForm1::confirmEndOfFiring()
{
    QString text;
    if (programActive(state.ProgState)) {
        const int lines = std::min(program->EndLine(), ProgramTable::kMaxLine);
        text = texts.LS("MBCloseDuringFiring")
                   .replace("%1", QString::number(state.ProgLine))
                   .replace("%2", QString::number(lines))
                   .replace("%3", state.Temps.TermSdeg(state.kilnTemp()));
    } else if (delayedStart->schedule().pending()) {
        text = texts.LS("MBCloseStartPending");
    } else {
        return true;
    }
    return services_.dialogs.askYesNo(texts.LS("MBWarning"), text);
}

void TForm1::offerUnsavedEdits()
{
    if (ovenFile->OvenChanged() &&
        services_.dialogs.askYesNo(texts.LS("MBOvenParametersChanged"), texts.LS("MBSaveOvenParameters")))
        ovenFile->Save(ovenFile->FileName());
    if (editor->ProgChanged() &&
        services_.dialogs.askYesNo(texts.LS("MBKilningProgramChanged"), texts.LS("MBSaveKilningProgram")))
        programFile->Save(programFile->FileName());
}

// The timers go on while a failure is shown and asked about: the firing is still supervised.
bool TForm1::writeFiringFiles(bool quiet)
{
    try {
        dataFiles->SaveAll();
        dataFiles->EraseOldDat();
        log->TLogTimerTimer();
        return true;
    } catch (const std::exception& e) {
        const QString why = QString::fromUtf8(e.what());
        if (quiet) {
            log->TLogX(why);
            return true;
        }
        services_.dialogs.showError(why);
        return services_.dialogs.askYesNo(texts.LS("MBWarning"), texts.LS("MBCloseWithoutFiles"));
    }
}

// The steps that cannot be taken back, after everything that can fail.
void TForm1::endSupervision(bool quiet)
{
    InterfaceTimer->stop();
    HardwareTimer->stop();
    if (poller->SwitchOffForGood(*port)) {
        guardian->Release();
    } else {
        // The guardian is kept: it goes on trying to switch the controller off after we are gone.
        log->TLogLS("LogKilnNotSwitchedOff", port->PortName());
        if (!quiet)
            services_.dialogs.showMessage(texts.LS("MBError"), texts.LS("MBSwitchOffAtMains"));
    }
    keeper->Forget();  // an orderly end: nothing to resume
    port->PortClose();
    keepAwake->Release();
    quietly([&] { log->TLogTimerTimer(); });  // with the entries of the end; it was written just now
}
