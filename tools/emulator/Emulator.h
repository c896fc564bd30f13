#pragma once
#include "CommandConsole.h"
#include "ControllerState.h"
#include "EmulatedKiln.h"
#include "Memory.h"
#include "Pacer.h"
#include "PtyPort.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class Random;

struct EmulatorOptions {
    QString linkPath;   // a symbolic link to the device, made at start and removed at exit
    QString statePath;  // the NV memory between runs
    bool paced = true;
    bool quiet = false;
    bool traceWrites = false;  // print each heater power write with the monotonic time it came in
    bool ticks = true;  // a tick every second, unasked; without them it speaks only when asked
};

// The emulated kiln controller on its pseudo-terminal: takes frames off the line, lets the
// controller state answer them, sends ticks, steps the kiln, and carries the faults of the
// line itself (silence, wrong status, garbage).
class Emulator : public QObject {
public:
    static constexpr int kTickMs = 1000;
    static constexpr int kModelStepMs = 100;
    static constexpr int kStatusLineMs = 5000;
    // Status byte of the replies spoilt by the status command.
    static constexpr char kStatusFault = 1;

    Emulator(const EmulatorOptions& options, std::unique_ptr<EmulatedKiln> kiln, Random& random,
             QObject* parent = nullptr);
    ~Emulator() override;

    // Opens the line, prints its device path and sends the power-up notice. Empty on
    // success, otherwise what failed.
    QString start();
    // The console commands, faults first.
    std::vector<ConsoleCommand> commands();

private:
    void receive(const QByteArray& bytes);
    void traceWrite(const QByteArray& request) const;
    void reply(QByteArray payload);
    void sendFrame(const QByteArray& payload);
    void sendTick();
    void stepKiln();
    void printStatus() const;
    bool silent() const;
    bool deaf() const;
    void vanish(double seconds);
    void comeBack();
    QStringList stateLines() const;
    void setKilnFault(const std::function<void(KilnFaults&)>& change);
    QString makeLink();

    EmulatorOptions options_;
    Random& random_;
    std::unique_ptr<EmulatedKiln> kiln_;
    NvMemory nv_;
    ControllerState controller_;
    PtyPort port_;
    Pacer pacer_;
    Pacer inbound_;  // the program's bytes take the line's time to arrive, too
    QByteArray rx_;
    QTimer tickTimer_;
    QTimer modelTimer_;
    QTimer statusTimer_;
    QElapsedTimer sinceModelStep_;
    QDeadlineTimer silentUntil_{0};
    QDeadlineTimer deafUntil_{0};
    QTimer backTimer_;  // ends a vanished line
    int spoiltReplies_ = 0;
    bool linkMade_ = false;
};
