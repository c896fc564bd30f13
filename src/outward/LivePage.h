#pragma once
#include "CycleReport.h"
#include "LivePageSettings.h"
#include "LiveSnapshot.h"
#include "Texts.h"

#include <QHostAddress>
#include <QThread>
#include <memory>

class LivePageServer;

// The live page for a phone: an observer of the cycle that hands the newest report to an HTTP
// server on a thread of its own, so that no request ever holds up the kiln.
class LivePage : public CycleObserver {
public:
    explicit LivePage(const MessageSource& texts);
    ~LivePage() override;

    struct Outcome {
        enum Kind { Off, Serving, PortTaken, NoCode } kind = Off;
        quint16 port = 0;  // listened on, or the one asked for that could not be had
        QString address;   // what to type into the phone while serving
    };
    // Stops the server and starts it anew with these settings.
    Outcome apply(const LivePageSettings& settings, const QString& kilnName);
    Outcome outcome() const { return outcome_; }
    // Where "the studio network" is served: every address of this computer unless told
    // otherwise (tests keep it to the loopback address).
    void serveNetworkOn(const QHostAddress& address) { networkAddress_ = address; }

    QString observerName() const override { return "LivePage"; }
    void cycleReported(const CycleReport& report) override;

    // "http://<this computer's address on the studio network>:<port>/", the loopback address
    // when it listens on this computer only or has no network.
    static QString addressToType(bool network, quint16 port);

private:
    void refreshLabels();
    template <class F>
    void onServerThread(F&& f);

    const MessageSource& texts_;
    std::shared_ptr<LiveSnapshot> snapshot_;
    QThread thread_;
    LivePageServer* server_ = nullptr;  // lives on thread_
    Outcome outcome_;
    QHostAddress networkAddress_ = QHostAddress::Any;
    QString labelMark_;  // a label in the language the page has, to notice a new language
};
