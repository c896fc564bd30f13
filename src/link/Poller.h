#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QByteArray>
#include <functional>

class FrameLink;
class PortManager;
class QLabel;
class StringGrid;

// The service page's view of the exchange; each may be null.
struct PollerView {
    StringGrid* DebugGrid = nullptr;
    QLabel* Label13 = nullptr;  // the last thermocouple reply
};

struct PollerHooks {
    std::function<int(int)> OutputLevel;                   // output k (1 = A, 2 = B), 0..100
    std::function<void(const QByteArray&)> NvRegisterReply;  // register 0xD0
    std::function<void(const QByteArray&)> DumpBlock;      // kinds 8 and 13
};

// The polling pass: sends the request batch when the control cycle asks for it (after a cycle
// without data, its reads, and heater off once no firing is active), takes every reply apart
// into the kiln state, and identifies the controller.
class Poller {
public:
    Poller(KilnState& state, FrameLink& link, const MessageSource& texts, EventLogWriter& log, PollerView view,
           PollerHooks hooks);

    void WorkHardware();
    // Heater power 0 and both outputs off, written out now.
    void SendSafeState();
    // The last word to the controller, which holds the last power it was sent: heater 0 and
    // both outputs off, on a port opened again if it was lost. False when they could not be
    // written.
    bool SwitchOffForGood(PortManager& port);
    // One reply of two bytes or more.
    void HandleReply(const QByteArray& reply);

private:
    void sendBatch();
    void sendReads();
    void askAgain();
    void drainReplies();
    void identify();
    void registerValue(const QByteArray& reply, int c, int p);
    void coldJunction(int c);
    void thermocouple(int channel, int c, int p);
    void powerUp();
    void gridCell(int column, int row, const QString& text);

    KilnState& state_;
    FrameLink& link_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    PollerView view_;
    PollerHooks hooks_;
};
