// The receive path: arbitrary bytes on the line, arriving in pieces of arbitrary sizes, through
// the port and FrameLink::get_rx, and every payload that comes out through the reply handling.
//
// Input: byte 0 seeds the sizes of the pieces, the rest is what the line carries.
// Checked: every payload get_rx returns is the unscrambled block of the first frame with a
// valid check byte that starts after the previous one; after the last piece every such frame
// has come out; the device values stay finite.
#include "FuzzSupport.h"
#include "FakeSerialPort.h"
#include "FakeTexts.h"
#include "FrameCodec.h"
#include "FrameLink.h"
#include "LocaleFacts.h"
#include "Poller.h"
#include "PortManager.h"
#include "ServiceCommands.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// The frames a receiver must find in `line`, worked out on the whole stream at once: from
// `from` on, the first start byte whose frame is complete and whose check byte agrees. A
// start byte whose frame has not fully arrived holds everything behind it, unless a complete
// frame with a valid check byte already follows it: then that start byte was garbage, and the
// receiver goes on at the frame.
struct Expected {
    qsizetype at = -1;  // -1: none
    qsizetype end = 0;
    QByteArray payload;
};

bool completeAndValid(const QByteArray& line, qsizetype i)
{
    const qsizetype n = line.size();
    if (line[i] != kFrameStart || n - i < 4)
        return false;
    const int length = std::uint8_t(line[i + 1]);
    if (length == 0 || i + length + 3 > n)
        return false;
    std::uint8_t x = 0;
    for (qsizetype k = i; k < i + length + 3; ++k)
        x ^= std::uint8_t(line[k]);
    return x == 0;
}

Expected frameAt(const QByteArray& line, qsizetype i)
{
    const int length = std::uint8_t(line[i + 1]);
    return {i, i + length + 3, UnscrambleBlock(line.mid(i + 2, length))};
}

Expected nextFrame(const QByteArray& line, qsizetype from)
{
    const qsizetype n = line.size();
    for (qsizetype i = from; i < n; ++i) {
        if (line[i] != kFrameStart)
            continue;
        const bool incomplete = n - i < 4 || i + std::uint8_t(line[i + 1]) + 3 > n;
        if (incomplete) {
            for (qsizetype j = i + 1; j < n; ++j)
                if (completeAndValid(line, j))
                    return frameAt(line, j);
            return {};
        }
        if (completeAndValid(line, i))
            return frameAt(line, i);
    }
    return {};
}

struct Harness {
    ScopedLocaleFacts locale{LocaleFacts{}};
    KilnState state;
    FakeSerialPort serial;
    FakeDialogs dialogs;
    FakeTexts texts;
    RecordingLog log;
    FakeRandom random;
    StringGrid grid{4, 8, 1, 1};
    QLabel label13;
    QLineEdit edit2{"0000"}, edit3{"10"}, edit4{"00"}, termZ, termK, termZT, termKT;
    QPlainTextEdit memo2;
    PortManager port{state, serial, dialogs, texts, log, {}};
    FrameLink link{port, random, {}};
    ServiceCommands service{state, link, dialogs, texts, {&edit2, &edit3, &edit4, &memo2, &termZ, &termK, &termZT, &termKT}};
    Poller poller{state,
                  link,
                  texts,
                  log,
                  {&grid, &label13},
                  {[](int) { return 0; }, [this](const QByteArray& r) { service.NvRegisterReply(r); },
                   [this](const QByteArray& r) { service.DumpBlock(r); }}};

    Harness()
    {
        state.InterfaceMode = 0;
        port.PortSetName("/dev/ttyUSB0");
        port.PortOpenTry();
        service.NvRegsRequested = QByteArray("\x00\x01\x02\x03", 4);
    }

    // A fresh kiln state with every thermocouple type among the channels.
    void reset()
    {
        link.Hard_init();
        serial.incoming.clear();
        serial.written.clear();
        log.entries.clear();
        memo2.clear();
        state.Devices = DeviceTable{};
        for (int c = 1; c <= 15; ++c) {
            ErrDevice& d = state.Devices[c];
            d.Tc_Type = (c - 1) % 7;
            d.Tc_zt = 25;
            d.Tc_z = 85;
            d.Tc_kt = 900;
            d.Tc_k = 500;
        }
        state.Devices[DeviceTable::kSensor].Value = 25;
        state.SkipReplies = 0;
        state.PortOk = true;
    }

    void checkFinite() const
    {
        for (int c = 1; c <= 18; ++c)
            if (!std::isfinite(state.Devices[c].Value) || !std::isfinite(state.Devices[c].Raw))
                fail("a device value is not finite");
    }
};

Harness* harness = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startQuietApplication(argc, argv);
    harness = new Harness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    Harness& h = *harness;
    h.reset();
    std::uint32_t seed = data[0] * 2654435761u + 1;
    const QByteArray line(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    qsizetype fed = 0;
    qsizetype cursor = 0;  // where the next expected frame is looked for
    while (true) {
        if (fed < line.size()) {
            seed = seed * 1103515245u + 12345u;
            const qsizetype piece = std::min<qsizetype>(1 + (seed >> 16) % 64, line.size() - fed);
            h.serial.incoming += line.mid(fed, piece);
            fed += piece;
        }
        // Everything that came in so far is taken out before the next piece.
        while (std::optional<QByteArray> payload = h.link.get_rx()) {
            const Expected e = nextFrame(line.first(fed), cursor);
            if (e.at < 0)
                fail("get_rx returned a payload where no frame with a valid check byte is");
            if (*payload != e.payload)
                fail("get_rx returned a payload other than the next valid frame's");
            cursor = e.end;
            if (payload->size() >= 2)
                h.poller.HandleReply(*payload);
            h.checkFinite();
        }
        if (fed == line.size())
            break;
    }
    if (nextFrame(line, cursor).at >= 0)
        fail("a frame with a valid check byte was never returned");
    if (h.link.receivedBytes() > line.size())
        fail("the receive buffer holds more than arrived");
    return 0;
}
