#pragma once
#include "EmulatedKiln.h"
#include "Memory.h"

#include <QByteArray>
#include <optional>
#include <set>

class Random;

// The controller's registers and memories, and the sensor faults an operator can inject.
// Turns one request payload into its reply payload; writes are acted on and not answered.
class ControllerState {
public:
    static inline const QByteArray kName = "Ardentor PC";
    static inline const QByteArray kFirmware = "1.0-emulator";
    static constexpr int kRamSize = 4096;
    // Status of the reply to a read of a register this controller does not have.
    static constexpr char kStatusUnknownRegister = 2;

    ControllerState(const EmulatedKiln& kiln, NvMemory& nv, Random& random);

    // The reply to a request; none for writes, for requests to another address and for
    // requests this controller does not understand.
    std::optional<QByteArray> answer(const QByteArray& request);
    // The next unasked tick (its count in c) and the power-up notice.
    QByteArray nextTick();
    static QByteArray powerUpNotice();

    // The power last received.
    int power() const { return power_; }
    int outputA() const { return outputA_; }
    int outputB() const { return outputB_; }
    int tickCount() const { return ticks_; }
    double coldJunctionTemp() const { return kiln_.ambient(); }
    const NvMemory& nv() const { return nv_; }

    // Faults.
    void setChannelBroken(int channel, bool broken);
    const std::set<int>& brokenChannels() const { return broken_; }
    void setColdJunctionPresent(bool present) { cjPresent_ = present; }
    bool coldJunctionPresent() const { return cjPresent_; }
    void setMainsHz(double hz) { mainsHz_ = hz; }
    double mainsHz() const { return mainsHz_; }
    // A welded relay or triac: the heater keeps heating at the last non-zero power received,
    // whatever is received after it.
    void setHeaterStuck(bool stuck) { heaterStuck_ = stuck; }
    bool heaterStuck() const { return heaterStuck_; }
    // The power the kiln is heated with.
    int heatingPower() const { return heaterStuck_ ? lastNonZeroPower_ : power_; }

private:
    std::optional<QByteArray> readRegister(const QByteArray& request);
    void writeRegister(const QByteArray& request);
    QByteArray dump(const QByteArray& request) const;
    void writeMemory(const QByteArray& request);

    int coldJunctionReading() const;
    int channelSum(int channel) const;
    int mainsCounter() const;
    int secondMainsCounter() const;

    const EmulatedKiln& kiln_;
    NvMemory& nv_;
    Random& random_;
    Memory ram_{kRamSize, '\0'};
    int power_ = 0;
    int lastNonZeroPower_ = 0;
    bool heaterStuck_ = false;
    int outputA_ = 0;
    int outputB_ = 0;
    int ticks_ = 0;
    std::set<int> broken_;
    bool cjPresent_ = true;
    double mainsHz_ = 50;
};
