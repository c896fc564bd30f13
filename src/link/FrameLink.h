#pragma once
#include <QByteArray>
#include <QList>
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
// successful write; a newer request for the same register replaces an older one still waiting,
// so a long loss leaves at most the latest batch and one identification request.
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

    qsizetype queuedBytes() const;
    qsizetype queuedFrames() const { return tx_.size(); }
    qsizetype receivedBytes() const { return rx_.size(); }

private:
    void trace(const QString& line);

    PortManager& port_;
    Random& random_;
    FrameLinkView view_;
    struct Queued {
        QByteArray key;  // what the request is about: a newer one with the same key replaces it
        QByteArray frame;
    };
    static QByteArray keyOf(const QByteArray& payload);

    QByteArray rx_;
    QList<Queued> tx_;
};
