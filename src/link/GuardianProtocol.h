#pragma once

// What the program and its guardian process (fornaxel-guardian) agree on. The guardian reads
// one line per control cycle on its standard input and shares the port on descriptor 3.
namespace GuardianProtocol {

inline constexpr const char* kExecutable = "fornaxel-guardian";
inline constexpr const char* kBeat = "beat\n";
inline constexpr const char* kBye = "bye\n";  // the orderly close: end without touching the line
inline constexpr int kPortFd = 3;
inline constexpr int kSilenceMs = 10000;  // no heartbeat for this long: the program hangs

// How the guardian ends.
enum Exit : int {
    Released = 0,     // said goodbye to
    BadArguments = 2,
    SafeStateSent = 3,
    SafeStateNotSent = 4,
    PortLost = 5,     // no longer used: a guardian whose port fails opens it again
    TerminatedSent = 6,     // ended by a signal of its own (SIGTERM, say), the safe state sent
    TerminatedNotSent = 7,
};

inline constexpr int kPortRetryMs = 250;   // a lost port is opened again this often
inline constexpr int kGiveUpMs = 12 * 3600 * 1000;  // how long it tries after the program's end

}  // namespace GuardianProtocol
