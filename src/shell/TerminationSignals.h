#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, a system shutdown, a terminal closed) reach the program
// as a call on its event loop, so that it can end as it ends when its window is closed: the
// handler only writes the signal to a pipe. The first signal calls `end`; later ones are
// ignored while it runs. One instance per process.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> end, QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then end the program
    // as they always did.
    bool installed() const { return installed_; }

private:
    void arrived();

    std::function<void()> end_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
    bool ended_ = false;
};
