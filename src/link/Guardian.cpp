#include "Guardian.h"

#include "PortManager.h"
#include "SerialPort.h"

Guardian::Guardian(const KilnState& state, const PortManager& port, const SerialPort& serial,
                   GuardianProcess& process, const MessageSource& texts, EventLogWriter& log)
    : state_(state), port_(port), serial_(serial), process_(process), texts_(texts), log_(log)
{
}

void Guardian::Heartbeat()
{
    if (running_) {
        const GuardianProcess::State now = process_.state();
        if (now != GuardianProcess::State::Running)
            noteEnd(now);
    }
    if (state_.simulated() || port_.PortName().isEmpty()) {
        Release();
        return;
    }
    if (!state_.PortOk) {
        // Lost: the guardian tries the port on its own; a new one only for a port that is open.
        if (running_)
            process_.beat();
        return;
    }
    if (!port_.PortIsOpen()) {
        Release();
        return;
    }
    // Another port, or the line it shared died with a loss: the guardian must hold the one in use.
    if (running_ && (device_ != port_.PortName() || losses_ != port_.LossCount()))
        Release();
    if (!running_)
        launch();
    if (running_)
        process_.beat();
}

void Guardian::Release()
{
    if (!running_)
        return;
    process_.release();
    running_ = false;
}

// A guardian that ended while the program lives: it found the heartbeat silent (the program
// was stopped or hung) and switched the heater off, or it was ended from outside. A lost port
// is reported by the port itself.
void Guardian::noteEnd(GuardianProcess::State end)
{
    running_ = false;
    switch (end) {
    case GuardianProcess::State::SafeStateSent:
    case GuardianProcess::State::SafeStateNotSent: log_.TLogLS("LogGuardianActed", QString()); break;
    case GuardianProcess::State::PortLost: break;
    case GuardianProcess::State::Terminated: log_.TLogLS("LogGuardianTerminated", QString()); break;
    default: log_.TLogLS("LogGuardianGone", QString()); break;
    }
}

void Guardian::launch()
{
    GuardianLaunch l;
    l.device = port_.PortName();
    l.descriptor = serial_.descriptor();
    l.logFile = state_.AppFolder + "/Data/guardian.log";
    l.endedText = texts_.LS("GuardianProgramEnded");
    l.silentText = texts_.LS("GuardianNoHeartbeat");
    l.sentText = texts_.LS("GuardianSafeStateSent");
    l.unsentText = texts_.LS("GuardianSafeStateNotSent");
    l.lostText = texts_.LS("GuardianPortLost");
    l.terminatedText = texts_.LS("GuardianTerminated");
    if (!process_.start(l)) {
        if (!startFailureLogged_)
            log_.TLogLS("LogNoGuardian", process_.errorString());
        startFailureLogged_ = true;
        return;
    }
    running_ = true;
    device_ = l.device;
    losses_ = port_.LossCount();
    startFailureLogged_ = false;
}
