#pragma once
#include <QByteArray>
#include <optional>

class PortManager;
class QCheckBox;
class QPlainTextEdit;
class Random;

// The traffic trace of the service page.
struct FrameLinkView {
    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox* CheckBox4 = nullptr;  // "Output": trace what goes out and comes in
};

// The frames on the serial line: payloads go out framed and queued, received bytes come back
// as payloads. Frames queued while the port cannot be used go out, in order, with the next
// successful write.
class FrameLink {
public:
    FrameLink(PortManager& port, Random& random, FrameLinkView view);

    // Empties both buffers.
    void Hard_init();
    // Frames the payload, queues it, traces it, and writes the queue.
    void tx_block(const QByteArray& payload);
    // Writes the whole queue if the port may be used; otherwise keeps it.
    void DoTx();
    // Reads what the port holds and returns the payload of the first valid frame, if any.
    // At most one frame per call.
    std::optional<QByteArray> get_rx();

    qsizetype queuedBytes() const { return tx_.size(); }
    qsizetype receivedBytes() const { return rx_.size(); }

private:
    void trace(const QString& line);

    PortManager& port_;
    Random& random_;
    FrameLinkView view_;
    QByteArray rx_;
    QByteArray tx_;
};
