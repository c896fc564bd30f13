#include "ControllerState.h"

#include "CountsScale.h"
#include "Numbers.h"
#include "Services.h"
#include "Wire.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

std::uint8_t byteAt(const QByteArray& bytes, int i) { return std::uint8_t(bytes[i]); }

int wordAt(const QByteArray& bytes, int i) { return byteAt(bytes, i) + 256 * byteAt(bytes, i + 1); }

QByteArray word(int value)
{
    value = std::clamp(value, 0, 0xFFFF);
    return bytes({value & 0xFF, value >> 8});
}

QByteArray registerReply(int reg, const QByteArray& body)
{
    return bytes({Wire::kStatusValid, Wire::RegisterValue, reg}) + body;
}

}  // namespace

ControllerState::ControllerState(const EmulatedKiln& kiln, NvMemory& nv, Random& random)
    : kiln_(kiln), nv_(nv), random_(random)
{
}

std::optional<QByteArray> ControllerState::answer(const QByteArray& request)
{
    if (request.size() < 3 || byteAt(request, 0) != Wire::kAddress)
        return std::nullopt;
    switch (byteAt(request, 1)) {
    case Wire::ReadRegister: return readRegister(request);
    case Wire::WriteRegister: writeRegister(request); return std::nullopt;
    case Wire::DumpRam:
    case Wire::DumpNv: return request.size() >= 4 ? std::optional(dump(request)) : std::nullopt;
    case Wire::WriteRam:
    case Wire::WriteNv: writeMemory(request); return std::nullopt;
    default: return std::nullopt;
    }
}

std::optional<QByteArray> ControllerState::readRegister(const QByteArray& request)
{
    const int reg = byteAt(request, 2);
    if (reg >= Wire::FirstChannel && reg < Wire::FirstChannel + Wire::kChannels)
        return registerReply(reg, word(channelSum(reg - Wire::FirstChannel + 1)) + word(CountsScale::kReadingsPerSum));
    switch (reg) {
    case Wire::ColdJunction: return registerReply(reg, word(coldJunctionReading()));
    case Wire::MainsCounter: return registerReply(reg, word(mainsCounter()));
    case Wire::MainsCounter2: return registerReply(reg, word(secondMainsCounter()));
    case Wire::ControllerName: return registerReply(reg, kName);
    case Wire::Firmware: return registerReply(reg, kFirmware);
    case Wire::NvRegister:
        if (request.size() >= 4) {
            const int n = byteAt(request, 3);
            return registerReply(reg, char(n) + word(nv_.reg(n)));
        }
        break;
    }
    return bytes({kStatusUnknownRegister, Wire::RegisterValue, reg});
}

void ControllerState::writeRegister(const QByteArray& request)
{
    if (request.size() < 4)
        return;
    const int value = std::min<int>(byteAt(request, 3), 100);
    switch (byteAt(request, 2)) {
    case Wire::HeaterPower:
        power_ = value;
        if (value != 0)
            lastNonZeroPower_ = value;
        break;
    case Wire::OutputA: outputA_ = value; break;
    case Wire::OutputB: outputB_ = value; break;
    case Wire::NvRegister:
        if (request.size() >= 6)
            nv_.setReg(byteAt(request, 3), wordAt(request, 4));
        break;
    }
}

// One block of 16 bytes, whatever count the request asks for.
QByteArray ControllerState::dump(const QByteArray& request) const
{
    const bool nv = byteAt(request, 1) == Wire::DumpNv;
    const int address = wordAt(request, 2);
    const QByteArray data = nv ? nv_.read(address, Wire::kDumpBlockBytes) : ram_.read(address, Wire::kDumpBlockBytes);
    return bytes({Wire::kStatusValid, nv ? Wire::NvBlock : Wire::RamBlock}) + request.mid(2, 2) + data;
}

void ControllerState::writeMemory(const QByteArray& request)
{
    if (request.size() < 4)
        return;
    const int address = wordAt(request, 2);
    const QByteArray data = request.mid(4);
    if (byteAt(request, 1) == Wire::WriteNv)
        nv_.write(address, data);
    else
        ram_.write(address, data);
}

QByteArray ControllerState::nextTick()
{
    ticks_ = (ticks_ + 1) & 0xFFFF;
    return bytes({Wire::kStatusValid, Wire::Tick, 0}) + word(ticks_);
}

QByteArray ControllerState::powerUpNotice() { return bytes({Wire::kStatusValid, Wire::PowerUp}); }

void ControllerState::setChannelBroken(int channel, bool broken)
{
    if (broken)
        broken_.insert(channel);
    else
        broken_.erase(channel);
}

int ControllerState::coldJunctionReading() const
{
    return cjPresent_ ? Numbers::roundHalfEven(coldJunctionTemp() * 16) & 0xFFFF : Wire::kColdJunctionNoReading;
}

// Each reading carries up to half a count of noise, as a real converter's last digit does.
int ControllerState::channelSum(int channel) const
{
    if (broken_.count(channel))
        return Numbers::roundHalfEven(CountsScale::kBrokenWire * CountsScale::kReadingsPerSum);
    const double counts = CountsScale::Counts(kiln_.channelTemp(channel), coldJunctionTemp());
    int sum = 0;
    for (int i = 0; i < CountsScale::kReadingsPerSum; ++i)
        sum += Numbers::roundHalfEven(counts + random_.uniform(1001) / 1000.0 - 0.5);
    return sum;
}

int ControllerState::mainsCounter() const { return Numbers::roundHalfEven(200 * mainsHz_); }

// Counted against the first over a slightly shorter gate: 98 % of it.
int ControllerState::secondMainsCounter() const { return Numbers::roundHalfEven(0.98 * mainsCounter()); }
