#pragma once
#include "Guardian.h"

#include <sys/types.h>

// fornaxel-guardian as a child process: its standard input is one end of a socket pair that
// carries the heartbeat, descriptor 3 the shared port. It runs in a process group of its own,
// so that a Ctrl-C meant for the program does not end the guardian with it.
class SpawnedGuardian : public GuardianProcess {
public:
    static constexpr int kReleaseWaitMs = 2000;

    explicit SpawnedGuardian(QString executable);
    // Without an orderly release the guardian sees its heartbeat line close, and acts.
    ~SpawnedGuardian() override;

    bool start(const GuardianLaunch& launch) override;
    State state() override;
    void beat() override;
    void release() override;
    QString errorString() const override { return error_; }

private:
    void send(const char* line);
    void closeSocket();
    State reap(bool wait);

    QString executable_;
    QString error_;
    pid_t pid_ = -1;
    int socket_ = -1;
    State last_ = State::NotRunning;
};
