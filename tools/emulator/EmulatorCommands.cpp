#include "Emulator.h"

#include "LocaleFacts.h"
#include "Numbers.h"
#include "Services.h"

#include <QCoreApplication>
#include <optional>

// The console commands: the faults an operator or a test injects, and a look at the state.

namespace {

std::optional<int> wholeIn(const QString& text, int low, int high)
{
    int value = 0;
    if (!Numbers::parseWhole(text, value) || value < low || value > high)
        return std::nullopt;
    return value;
}

// Either decimal separator, whatever the system's.
std::optional<double> decimalIn(const QString& text, double low, double high)
{
    QString normalised = text;
    const QChar separator = LocaleFacts::current().decimalSeparator;
    normalised.replace(',', separator).replace('.', separator);
    double value = 0;
    if (!Numbers::parseDecimal(normalised, value) || value < low || value > high)
        return std::nullopt;
    return value;
}

CommandResult ok(QStringList lines = {}) { return {std::move(lines), {}}; }

CommandResult failed(const QString& why) { return {{}, why}; }

// The console always writes "." as the decimal separator, whatever the system's, so that
// what it prints reads the same everywhere.
QString oneDecimal(double value) { return QString::number(value, 'f', 1); }
QString general(double value) { return QString::number(value, 'g', 15); }

QString rangeText(int low, int high) { return QString::number(low) + ".." + QString::number(high); }

}  // namespace

std::vector<ConsoleCommand> Emulator::commands()
{
    const auto lidCommand = [this](bool open) {
        return [this, open](const QString&) {
            setKilnFault([open](KilnFaults& f) { f.lidOpen = open; });
            return ok();
        };
    };
    const auto channelCommand = [this](bool broken) {
        return [this, broken](const QString& argument) {
            const std::optional<int> channel = wholeIn(argument, 1, EmulatedKiln::kChannels);
            if (!channel)
                return failed("no channel " + argument + " (channels " + rangeText(1, EmulatedKiln::kChannels) + ")");
            controller_.setChannelBroken(*channel, broken);
            return ok();
        };
    };
    return {
        {"break", "N", "thermocouple N reads as a broken wire", channelCommand(true)},
        {"repair", "N", "thermocouple N reads its temperature again", channelCommand(false)},
        {"cj off", "", "the cold-junction sensor is missing (reads 0x4000)",
         [this](const QString&) {
             controller_.setColdJunctionPresent(false);
             return ok();
         }},
        {"cj on", "", "the cold-junction sensor is back",
         [this](const QString&) {
             controller_.setColdJunctionPresent(true);
             return ok();
         }},
        {"mains", "HZ", "the mains frequency, for example 44",
         [this](const QString& argument) {
             const std::optional<double> hz = decimalIn(argument, 0, 65535 / 200.0);
             if (!hz)
                 return failed("'" + argument + "' is no mains frequency (0..327 Hz)");
             controller_.setMainsHz(*hz);
             return ok();
         }},
        {"stuck", "", "the heater sticks on: it keeps heating at the last non-zero power received",
         [this](const QString&) {
             controller_.setHeaterStuck(true);
             return ok();
         }},
        {"unstick", "", "the heater follows the power received again",
         [this](const QString&) {
             controller_.setHeaterStuck(false);
             return ok();
         }},
        {"element", "N", "the elements give N % less power, as a failing element (0 repairs)",
         [this](const QString& argument) {
             const std::optional<double> percent = decimalIn(argument, 0, 100);
             if (!percent)
                 return failed("'" + argument + "' is no share of the power lost (0..100 %)");
             setKilnFault([&](KilnFaults& f) { f.elementLossPercent = *percent; });
             return ok();
         }},
        {"lid", "", "opens the lid (or a bung): the kiln loses clearly more heat", lidCommand(true)},
        {"lid open", "", "opens the lid, as plain lid does", lidCommand(true)},
        {"lid closed", "", "closes the lid again", lidCommand(false)},
        {"silent", "S", "no replies and no ticks for S seconds; requests are still acted on",
         [this](const QString& argument) {
             const std::optional<double> seconds = decimalIn(argument, 0, 86400);
             if (!seconds)
                 return failed("'" + argument + "' is no number of seconds (0..86400)");
             silentUntil_ = QDeadlineTimer(qint64(*seconds * 1000));
             return ok();
         }},
        {"deaf", "S", "for S seconds hears nothing, answers nothing and sends no ticks, as a hung controller",
         [this](const QString& argument) {
             const std::optional<double> seconds = decimalIn(argument, 0, 86400);
             if (!seconds)
                 return failed("'" + argument + "' is no number of seconds (0..86400)");
             deafUntil_ = QDeadlineTimer(qint64(*seconds * 1000));
             silentUntil_ = deafUntil_;
             return ok();
         }},
        {"vanish", "S", "the device goes away for S seconds and comes back behind the same link",
         [this](const QString& argument) {
             const std::optional<double> seconds = decimalIn(argument, 0, 86400);
             if (!seconds)
                 return failed("'" + argument + "' is no number of seconds (0..86400)");
             vanish(*seconds);
             return ok();
         }},
        {"garbage", "N", "sends N random bytes",
         [this](const QString& argument) {
             const std::optional<int> count = wholeIn(argument, 1, 100000);
             if (!count)
                 return failed("'" + argument + "' is no byte count (" + rangeText(1, 100000) + ")");
             QByteArray bytes(*count, '\0');
             for (char& b : bytes)
                 b = char(random_.uniform(256));
             pacer_.send(bytes);
             return ok();
         }},
        {"status", "N", "the next N replies to requests carry status 1 (0 ends it)",
         [this](const QString& argument) {
             const std::optional<int> count = wholeIn(argument, 0, 1000000);
             if (!count)
                 return failed("'" + argument + "' is no reply count");
             spoiltReplies_ = *count;
             return ok();
         }},
        {"powerup", "", "sends a power-up notice",
         [this](const QString&) {
             sendFrame(ControllerState::powerUpNotice());
             return ok();
         }},
        {"state", "", "shows power, outputs, temperatures, sensors, mains, calibration and the kiln",
         [this](const QString&) { return ok(stateLines()); }},
        {"quit", "", "ends the emulator",
         [](const QString&) {
             QCoreApplication::quit();
             return ok();
         }},
    };
}

void Emulator::setKilnFault(const std::function<void(KilnFaults&)>& change)
{
    KilnFaults f = kiln_->faults();
    change(f);
    kiln_->setFaults(f);
}

QStringList Emulator::stateLines() const
{
    const NvMemory& nv = controller_.nv();
    QStringList broken;
    for (int channel : controller_.brokenChannels())
        broken << QString::number(channel);
    QStringList channels;
    for (int c = 1; c <= EmulatedKiln::kChannels; ++c)
        channels << oneDecimal(kiln_->channelTemp(c));
    QStringList lines = {
        "power " + QString::number(controller_.power()) + " %  output A " + QString::number(controller_.outputA()) +
            "  output B " + QString::number(controller_.outputB()),
        "heater " + (controller_.heaterStuck() ? "stuck, heating at " + QString::number(controller_.heatingPower()) + " %"
                                               : QString("follows the power")),
        "chamber " + oneDecimal(kiln_->chamberTemp()) + " °C  heater " + oneDecimal(kiln_->heaterTemp()) +
            " °C  ambient " + oneDecimal(kiln_->ambient()) + " °C",
        "channels " + channels.join(' ') + "  broken " + (broken.isEmpty() ? QString("none") : broken.join(',')),
        "cold junction " + oneDecimal(controller_.coldJunctionTemp()) + " °C  sensor " +
            (controller_.coldJunctionPresent() ? "on" : "off"),
        "mains " + general(controller_.mainsHz()) + " Hz",
        "calibration Z " + oneDecimal(nv.reg(0) / 10.0) + "  K " + oneDecimal(nv.reg(1) / 10.0) + "  ZT " +
            oneDecimal(nv.reg(2) / 10.0) + "  KT " + oneDecimal(nv.reg(3) / 10.0),
        "tick " + QString::number(controller_.tickCount()) + (options_.ticks ? "" : " (ticks off)") + "  silent " +
            (silent() ? "yes" : "no") + "  deaf " + (deaf() ? "yes" : "no") +
            "  spoilt replies to come " + QString::number(spoiltReplies_),
    };
    return lines + kiln_->stateLines();
}
