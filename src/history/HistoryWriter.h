#pragma once
#include "HistoryTypes.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>

class HistoryStore;

// Writes the firing history on a thread of its own, so that no control cycle waits for the
// disk: each call only queues its work. On start it opens the file and marks the firings a
// crash left open Interrupted. Its trouble goes to `problem` (on the writer's thread) with a
// message key and the details, each kind once until writing succeeds again.
class HistoryWriter {
public:
    using Problem = std::function<void(const QString& key, const QString& detail)>;

    HistoryWriter(const QString& path, Problem problem, std::function<void()> ended = {});
    ~HistoryWriter();  // writes what is queued, then stops

    // A new firing.
    void begin(const FiringFacts& facts, const FiringFigures& figures);
    // A resumed firing continues the latest one a crash left open, or begins a new one when
    // there is none; `figures` then count from the resume and are added to the record's.
    void resume(const FiringFacts& facts, const FiringFigures& figures);
    // A batch of the curve and the figures so far: one transaction.
    void write(std::vector<CurvePoint> points, const FiringFigures& figures);
    void end(std::vector<CurvePoint> points, const FiringFigures& figures, Outcome outcome, const QString& cause);
    // Blocks until everything queued so far is written (for a close and for tests).
    void flush();
    // Blocks until the file has been opened (or found unusable).
    void waitOpened();

    // Figures counted since a resume added to those recorded before it.
    static FiringFigures continued(const FiringFigures& before, const FiringFigures& since);

private:
    struct Begin {
        FiringFacts facts;
        FiringFigures figures;
        bool resume = false;
    };
    struct Write {
        std::vector<CurvePoint> points;
        FiringFigures figures;
        Outcome outcome = Outcome::Open;
        QString cause;
    };
    using Job = std::variant<Begin, Write>;

    void push(Job job);
    void run();
    void open();
    void perform(Begin& job);
    void perform(Write& job);
    void report(const QString& key, const QString& detail);

    QString path_;
    Problem problem_;
    std::function<void()> ended_;  // a firing's end is on disk
    std::unique_ptr<HistoryStore> store_;  // used only on the writer's thread
    qint64 current_ = 0;
    qint64 interrupted_ = 0;
    FiringFigures before_;  // what the resumed record held
    double secondsBefore_ = 0;
    bool told_ = false;  // a write failure has been reported

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool opened_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
