#include "FrameLink.h"

#include "FrameCodec.h"
#include "FrameCutter.h"
#include "PortManager.h"
#include "Services.h"

#include <QCheckBox>
#include <QPlainTextEdit>

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

void FrameLink::tx_block(const QByteArray& payload)
{
    tx_ += BuildFrame(payload, random_.uniform(256));
    trace("   >> " + HexBytes(payload));
    DoTx();
}

void FrameLink::DoTx()
{
    if (tx_.isEmpty() || !port_.CheckPort())
        return;
    // A failed write keeps the whole queue: it goes out again with the next success.
    if (port_.PortWrite(tx_))
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
        if (rx_.size() == before)
            break;  // an incomplete frame waits for more bytes
    }
    return std::nullopt;
}
