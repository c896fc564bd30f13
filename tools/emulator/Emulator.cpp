#include "Emulator.h"

#include "CountsScale.h"
#include "FrameCodec.h"
#include "FrameCutter.h"
#include "Services.h"
#include "Wire.h"

#include <QFile>
#include <chrono>
#include <QFileInfo>

Emulator::Emulator(const EmulatorOptions& options, std::unique_ptr<EmulatedKiln> kiln, Random& random, QObject* parent)
    : QObject(parent),
      options_(options),
      random_(random),
      kiln_(std::move(kiln)),
      nv_(options.statePath, DefaultCalibration()),
      controller_(*kiln_, nv_, random),
      pacer_(options.paced, [this](const QByteArray& bytes) { port_.write(bytes); }),
      inbound_(options.paced, [this](const QByteArray& bytes) { receive(bytes); })
{
    // A pseudo-terminal carries bytes at once; a 9600 baud line does not, either way.
    connect(&port_, &PtyPort::received, this, [this](const QByteArray& bytes) { inbound_.send(bytes); });
    connect(&tickTimer_, &QTimer::timeout, this, &Emulator::sendTick);
    connect(&modelTimer_, &QTimer::timeout, this, &Emulator::stepKiln);
    connect(&statusTimer_, &QTimer::timeout, this, &Emulator::printStatus);
    backTimer_.setSingleShot(true);
    connect(&backTimer_, &QTimer::timeout, this, &Emulator::comeBack);
}

Emulator::~Emulator()
{
    if (linkMade_)
        QFile::remove(options_.linkPath);
}

QString Emulator::start()
{
    if (const QString error = port_.open(); !error.isEmpty())
        return error;
    if (const QString error = makeLink(); !error.isEmpty())
        return error;
    PrintLine("PORT " + port_.devicePath());
    if (!nv_.problem().isEmpty())
        qWarning("%s", qPrintable(nv_.problem()));
    sendFrame(ControllerState::powerUpNotice());
    if (options_.ticks)
        tickTimer_.start(kTickMs);
    sinceModelStep_.start();
    modelTimer_.start(kModelStepMs);
    if (!options_.quiet)
        statusTimer_.start(kStatusLineMs);
    return {};
}

// Only a symbolic link is replaced, so a mistyped path never destroys a file.
QString Emulator::makeLink()
{
    if (options_.linkPath.isEmpty())
        return {};
    const QFileInfo existing(options_.linkPath);
    if (existing.isSymLink())
        QFile::remove(options_.linkPath);
    else if (existing.exists())
        return options_.linkPath + " exists and is no symbolic link";
    if (!QFile::link(port_.devicePath(), options_.linkPath))
        return "cannot make the link " + options_.linkPath;
    linkMade_ = true;
    return {};
}

// Frames may arrive in any grouping of bytes. A bad frame costs one call of the cutter, so
// it is called again as long as it makes progress.
void Emulator::receive(const QByteArray& bytes)
{
    if (deaf())
        return;  // lost, as on a controller that has hung
    rx_ += bytes;
    for (;;) {
        const qsizetype before = rx_.size();
        if (const std::optional<QByteArray> request = TakeFrame(rx_)) {
            traceWrite(*request);
            if (std::optional<QByteArray> payload = controller_.answer(*request))
                reply(*payload);
        } else if (rx_.size() == before) {
            return;
        }
    }
}

void Emulator::traceWrite(const QByteArray& request) const
{
    if (!options_.traceWrites || request.size() < 4 || request.at(1) != char(Wire::WriteRegister) ||
        request.at(2) != char(Wire::HeaterPower))
        return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    PrintLine("write power " + QString::number(quint8(request.at(3))) + " at " + QString::number(seconds, 'f', 6));
}

void Emulator::reply(QByteArray payload)
{
    if (silent())
        return;
    if (spoiltReplies_ > 0) {
        --spoiltReplies_;
        payload[0] = kStatusFault;
    }
    sendFrame(payload);
}

void Emulator::sendFrame(const QByteArray& payload) { pacer_.send(BuildFrame(payload, random_.uniform(256))); }

void Emulator::sendTick()
{
    const QByteArray tick = controller_.nextTick();
    if (!silent())
        sendFrame(tick);
}

// Stepped by the time that really passed, so a late timer does not slow the kiln down.
void Emulator::stepKiln()
{
    const double seconds = sinceModelStep_.restart() / 1000.0;
    kiln_->advance(seconds, controller_.heatingPower());
}

bool Emulator::silent() const { return !silentUntil_.hasExpired(); }

bool Emulator::deaf() const { return !deafUntil_.hasExpired(); }

// The adapter is pulled out and plugged in again: the device goes away for a while and comes
// back as a new one behind the same link, while the controller keeps its state (its power and
// outputs included), as the kiln's own board does.
void Emulator::vanish(double seconds)
{
    port_.close();
    if (linkMade_)
        QFile::remove(options_.linkPath);
    linkMade_ = false;
    rx_.clear();
    backTimer_.start(int(seconds * 1000));
}

void Emulator::comeBack()
{
    if (const QString error = port_.open(); !error.isEmpty()) {
        PrintLine("error: the line cannot come back: " + error);
        return;
    }
    if (const QString error = makeLink(); !error.isEmpty())
        PrintLine("error: " + error);
    PrintLine("PORT " + port_.devicePath());
}

void Emulator::printStatus() const
{
    PrintLine("power " + QString::number(controller_.power()) + " %  A " + QString::number(controller_.outputA()) +
              "  B " + QString::number(controller_.outputB()) + "  chamber " +
              QString::number(kiln_->chamberTemp(), 'f', 1) + " °C" + (controller_.heaterStuck() ? "  heater stuck" : ""));
}
