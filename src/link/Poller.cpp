#include "Poller.h"

#include "FrameLink.h"
#include "Numbers.h"
#include "PortManager.h"
#include "ReplyFields.h"
#include "Thermocouple.h"
#include "TextCodec.h"
#include "Widgets.h"
#include "Wire.h"

#include <QLabel>

namespace {

QByteArray request(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b & 0xFF));
    return out;
}

QByteArray readRegister(int reg) { return request({Wire::kAddress, Wire::ReadRegister, reg}); }

int byteAt(const QByteArray& bytes, int i) { return quint8(bytes.at(i)); }

}  // namespace

Poller::Poller(KilnState& state, FrameLink& link, const MessageSource& texts, EventLogWriter& log, PollerView view,
               PollerHooks hooks)
    : state_(state), link_(link), texts_(texts), log_(log), view_(view), hooks_(std::move(hooks))
{
}

void Poller::WorkHardware()
{
    if (state_.InterfaceMode >= 1)
        return;
    if (state_.RequestDue) {
        sendBatch();
        state_.RequestDue = false;
    } else if (state_.AskAgain) {
        askAgain();
    }
    state_.AskAgain = false;
    drainReplies();
    identify();
}

void Poller::sendBatch()
{
    sendReads();
    const auto level = [this](int k) { return hooks_.OutputLevel ? hooks_.OutputLevel(k) : 0; };
    link_.tx_block(request({Wire::kAddress, Wire::WriteRegister, Wire::HeaterPower, state_.Pid.Power}));
    link_.tx_block(request({Wire::kAddress, Wire::WriteRegister, Wire::OutputA, level(1)}));
    link_.tx_block(request({Wire::kAddress, Wire::WriteRegister, Wire::OutputB, level(2)}));
}

void Poller::sendReads()
{
    link_.tx_block(readRegister(Wire::ColdJunction));
    for (int k = 0; k < Wire::kChannels; ++k)
        link_.tx_block(readRegister(Wire::FirstChannel + k));
    link_.tx_block(readRegister(Wire::MainsCounter));
    link_.tx_block(readRegister(Wire::MainsCounter2));
}

// A cycle passed without a reply. A controller that answers only when asked hears the reads
// again; once no firing is active it is also switched off first, so that one that comes back
// holds 0 at once. While a firing runs it keeps the power it has until the next cycle with data
// decides anew. A port that cannot be used is not asked: nothing would reach it.
void Poller::askAgain()
{
    if (!state_.PortOk)
        return;
    if (!programActive(state_.ProgState))
        SendSafeState();
    sendReads();
}

bool Poller::SwitchOffForGood(PortManager& port)
{
    state_.Pid.Power = 0;
    state_.Pid.Output = 0;
    if (state_.simulated())
        return true;
    const auto sent = [this] { return state_.PortOk && link_.queuedBytes() == 0; };
    if (state_.PortOk && port.PortIsOpen() && port.PortAvailable()) {
        SendSafeState();
        if (sent())
            return true;
    }
    if (!port.PortReopenSilently())
        return false;
    link_.Hard_init();  // what was held back while the port was lost is stale
    SendSafeState();
    return sent();
}

void Poller::SendSafeState()
{
    for (int reg : {Wire::HeaterPower, Wire::OutputA, Wire::OutputB})
        link_.tx_block(request({Wire::kAddress, Wire::WriteRegister, reg, 0}));
}

void Poller::drainReplies()
{
    bool arrived = false;
    for (;;) {
        state_.LinkIdleCycles = 0;
        const std::optional<QByteArray> reply = link_.get_rx();
        if (!reply)
            break;
        if (reply->size() < 2)
            continue;
        arrived = true;
        HandleReply(*reply);
    }
    if (arrived)
        state_.DataReady = true;
}

void Poller::identify()
{
    if (state_.ControllerName.isEmpty())
        link_.tx_block(readRegister(Wire::ControllerName));
    else if (state_.ControllerName == Wire::kArdentorName && state_.FirmwareVersion.isEmpty())
        link_.tx_block(readRegister(Wire::Firmware));
}

void Poller::HandleReply(const QByteArray& reply)
{
    const int c = ReplyC(reply);
    const int p = ReplyP(reply);
    if (byteAt(reply, 0) != Wire::kStatusValid)
        return;
    switch (byteAt(reply, 1)) {
    case Wire::RegisterValue: registerValue(reply, c, p); break;
    case Wire::RamBlock:
    case Wire::NvBlock:
        if (reply.size() >= 5 && hooks_.DumpBlock)
            hooks_.DumpBlock(reply);
        break;
    case Wire::Tick:
        gridCell(3, 4, QString::number(c));
        state_.ControllerTick = c;
        break;
    case Wire::PowerUp: powerUp(); break;
    default: break;
    }
}

void Poller::registerValue(const QByteArray& reply, int c, int p)
{
    if (reply.size() < 3)
        return;
    const int reg = byteAt(reply, 2);
    if (reg >= Wire::FirstChannel && reg <= Wire::LastChannel) {
        thermocouple(reg - Wire::FirstChannel + 1, c, p);
        return;
    }
    const QString text = TextCodec::decode(reply.mid(3));
    switch (reg) {
    case Wire::ColdJunction: coldJunction(c); break;
    case Wire::NvRegister:
        if (hooks_.NvRegisterReply)
            hooks_.NvRegisterReply(reply);
        break;
    // The name is asked every pass until it comes, so a slow line can answer twice: the
    // second answer of the same text is no news.
    case Wire::ControllerName:
        if (text != state_.ControllerName)
            log_.TLogLS("LogController", text);
        state_.ControllerName = text;
        break;
    case Wire::Firmware:
        if (text != state_.FirmwareVersion)
            log_.TLogLS("LogFirmwareVersion", text);
        state_.FirmwareVersion = text;
        break;
    case Wire::MainsCounter:
        gridCell(3, 2, QString::number(c));
        state_.Devices[DeviceTable::kMains].Value = c;
        break;
    case Wire::MainsCounter2:
        gridCell(3, 3, QString::number(c));
        state_.Devices[DeviceTable::kMains].Raw = c;
        break;
    default: break;
    }
}

void Poller::coldJunction(int c)
{
    gridCell(3, 1, QString::number(c));
    if (c == Wire::kColdJunctionNoReading)
        return;  // no sensor: the error the control cycle left stays
    ErrDevice& sensor = state_.Devices[DeviceTable::kSensor];
    sensor.Error = false;
    sensor.Value = CjTemp(c);
}

void Poller::thermocouple(int channel, int c, int p)
{
    gridCell(1, channel, "0x" + QString::number(c, 16).toUpper().rightJustified(4, '0'));
    gridCell(2, channel, QString::number(p));
    if (state_.SkipReplies > 0) {
        --state_.SkipReplies;
        return;
    }
    ErrDevice& d = state_.Devices[channel];
    if (p == 0 || p == 1) {
        if (view_.Label13)
            view_.Label13->setText(QString::number(c) + ":" + QString::number(p) + "=?");
        d.Value = 0;
        return;
    }
    d.Raw = double(c) / p;
    d.Error = d.Raw < Wire::kMinHealthyCounts;
    if (view_.Label13)
        view_.Label13->setText(QString::number(c) + ":" + QString::number(p) + "=" +
                               Numbers::formatFixed(d.Raw, 5, 1));
    bool valid = true;
    d.Value = RawToTemp(d, d.Raw, state_.outsideTemp(), &valid);
    // A calibration that cannot convert is a fault of the channel, not a temperature of 0.
    if (!valid)
        d.Error = true;
}

void Poller::powerUp()
{
    log_.TLogLS("LogControllerPowerUp", QString());
    state_.ControllerName.clear();
    state_.FirmwareVersion.clear();
}

void Poller::gridCell(int column, int row, const QString& text)
{
    if (view_.DebugGrid && row < view_.DebugGrid->rows())
        view_.DebugGrid->setCell(column, row, text);
}
