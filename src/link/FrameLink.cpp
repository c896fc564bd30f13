#include "FrameLink.h"

#include "FrameCodec.h"
#include "FrameCutter.h"
#include "PortManager.h"
#include "Services.h"
#include "Wire.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace {

// Where, after the first byte, a complete frame with a good check byte stands; -1 if nowhere.
qsizetype nextCompleteFrame(const QByteArray& rx)
{
    for (qsizetype j = 1; j + 3 < rx.size(); ++j) {
        if (rx.at(j) != kFrameStart)
            continue;
        const int length = quint8(rx.at(j + 1));
        if (length == 0 || j + length + 3 > rx.size())
            continue;
        char check = 0;
        for (qsizetype k = j; k < j + length + 3; ++k)
            check ^= rx.at(k);
        if (check == 0)
            return j;
    }
    return -1;
}

}  // namespace

FrameLink::FrameLink(PortManager& port, Random& random, FrameLinkView view)
    : port_(port), random_(random), view_(view)
{
}

void FrameLink::Hard_init()
{
    rx_.clear();
    tx_.clear();
}

void FrameLink::trace(const QString& line)
{
    if (view_.CheckBox4 && view_.CheckBox4->isChecked() && view_.Memo1)
        view_.Memo1->appendPlainText(line);
}

// A register write is about its register (and the NV register's number), whatever the value;
// every other request is about all of its bytes.
QByteArray FrameLink::keyOf(const QByteArray& payload)
{
    if (payload.size() >= 4 && quint8(payload.at(1)) == Wire::WriteRegister)
        return payload.left(quint8(payload.at(2)) == Wire::NvRegister ? 4 : 3);
    return payload;
}

qsizetype FrameLink::queuedBytes() const
{
    qsizetype n = 0;
    for (const Queued& q : tx_)
        n += q.frame.size();
    return n;
}

void FrameLink::tx_block(const QByteArray& payload)
{
    const QByteArray key = keyOf(payload);
    tx_.removeIf([&](const Queued& q) { return q.key == key; });
    tx_.append({key, BuildFrame(payload, random_.uniform(256))});
    trace("   >> " + HexBytes(payload));
    DoTx();
}

void FrameLink::DoTx()
{
    if (tx_.isEmpty() || !port_.CheckPort())
        return;
    QByteArray bytes;
    for (const Queued& q : tx_)
        bytes += q.frame;
    // A failed write keeps the whole queue: it goes out again with the next success.
    if (port_.PortWrite(bytes))
        tx_.clear();
}

std::optional<QByteArray> FrameLink::get_rx()
{
    if (port_.CheckPort())
        rx_ += port_.PortReadString();
    // A false start costs only its start byte: resynchronise at once rather than a polling
    // pass later, so that garbage on the line delays no frame behind it.
    while (!rx_.isEmpty()) {
        const qsizetype before = rx_.size();
        if (std::optional<QByteArray> payload = TakeFrame(rx_)) {
            trace("<<    " + HexBytes(*payload));
            return payload;
        }
        if (rx_.size() != before)
            continue;
        // An incomplete frame waits for more bytes, unless a whole frame already follows it:
        // then its start was garbage (a stray 55 and a large length), which would otherwise
        // hold every reply behind it until up to 258 bytes had come.
        const qsizetype next = nextCompleteFrame(rx_);
        if (next < 0)
            break;
        rx_.remove(0, next);
    }
    return std::nullopt;
}
