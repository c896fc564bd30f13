#pragma once
#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <thread>

// One piece of slow work on a thread of its own, for a dialog that polls it from a timer:
// no signal crosses threads, so a dialog closed mid-work leaves nothing queued behind it.
// The destructor asks the work to stop and waits for it, so no thread outlives its owner.
template <class Result>
class FitJob {
public:
    // The work gets a progress report (0..1) that answers false once it should stop.
    using Work = std::function<Result(const std::function<bool(double)>& progress)>;

    FitJob() = default;
    FitJob(const FitJob&) = delete;
    FitJob& operator=(const FitJob&) = delete;
    ~FitJob() { cancelAndWait(); }

    void start(Work work)
    {
        cancelAndWait();
        cancelled_ = false;
        done_ = false;
        progress_ = 0;
        result_.reset();
        error_ = nullptr;
        thread_ = std::thread([this, work = std::move(work)] {
            try {
                result_ = work([this](double p) {
                    progress_ = p;
                    return !cancelled_.load();
                });
            } catch (...) {
                error_ = std::current_exception();
            }
            done_ = true;
        });
    }
    bool running() const { return thread_.joinable() && !done_; }
    // The work has ended and its result waits to be taken.
    bool finished() const { return thread_.joinable() && done_; }
    double progress() const { return progress_; }
    void cancel() { cancelled_ = true; }
    bool cancelRequested() const { return cancelled_; }
    // After finished(): the result, or the work's exception rethrown.
    Result take()
    {
        thread_.join();
        if (error_)
            std::rethrow_exception(error_);
        return std::move(*result_);
    }
    void cancelAndWait()
    {
        cancelled_ = true;
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> done_{false};
    std::atomic<double> progress_{0};
    std::optional<Result> result_;
    std::exception_ptr error_;
};
