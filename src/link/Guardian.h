#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QString>

class PortManager;
class SerialPort;

// What a guardian is started with.
struct GuardianLaunch {
    QString device;
    int descriptor = -1;  // the open port, shared with the guardian; -1: it opens the device itself
    QString logFile;
    QString endedText;    // the lines it logs, in the operator's language
    QString silentText;
    QString sentText;
    QString unsentText;
    QString lostText;        // the port failed under the guardian
    QString terminatedText;  // the guardian itself was ended by a signal
};

// The guardian process as the program sees it. Tests replace it.
class GuardianProcess {
public:
    // Running, never started, or how the last one ended: said goodbye to, after sending the
    // safe state (or failing to), on losing its port, ended by a signal it caught (after
    // switching off), or otherwise (killed, say).
    enum class State { Running, NotRunning, Released, SafeStateSent, SafeStateNotSent, PortLost, Terminated, Ended };

    virtual ~GuardianProcess() = default;
    // False, with errorString() saying why, when it cannot be started.
    virtual bool start(const GuardianLaunch& launch) = 0;
    virtual State state() = 0;
    virtual void beat() = 0;
    // The orderly end: the guardian leaves the line alone.
    virtual void release() = 0;
    virtual QString errorString() const = 0;
};

// Keeps a guardian process beside the program while the port is open in controller mode. The
// controller holds the last power it was sent; the guardian switches the heater and the outputs
// off when the program dies or its control cycle stops for 10 s. One guardian sees a loss of the
// port through: it opens the port again on its own and switches off as soon as it can, unless
// the program has the port back first and lets it go; the next one watches the new line.
class Guardian {
public:
    Guardian(const KilnState& state, const PortManager& port, const SerialPort& serial, GuardianProcess& process,
             const MessageSource& texts, EventLogWriter& log);

    // Once per control cycle: starts a guardian for a port that is open (again, after one that
    // ended on its own, which is logged once), keeps it through a loss, stops it where none is
    // wanted, and beats.
    void Heartbeat();
    // The orderly close, once the program's own safe state has gone out.
    void Release();

private:
    void noteEnd(GuardianProcess::State end);
    void launch();

    const KilnState& state_;
    const PortManager& port_;
    const SerialPort& serial_;
    GuardianProcess& process_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    bool running_ = false;   // one was started and not released
    QString device_;         // the port it watches
    int losses_ = 0;         // the port's losses when it was started
    bool startFailureLogged_ = false;
};
