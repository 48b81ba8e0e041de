#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// What a job running on a worker thread tells its owner: how far it is and the lines it has
// to say. Written by the worker, read by the owner's thread at any time.
class JobProgress {
public:
    // The job has `steps` steps in all (known once the worker has counted them).
    void setTotal(int steps);
    // One more step is done.
    void advance();
    // A line for standard output, said by the owner's thread when it collects the job, so
    // that it never lands in the middle of another thread's line.
    void say(std::string line);

    int done() const { return done_.load(); }
    int total() const { return total_.load(); }
    // The lines said so far, in order; they are said only once.
    std::vector<std::string> takeLines();

private:
    friend class BackgroundJob;
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    std::mutex linesMutex_;
    std::vector<std::string> lines_;
    std::function<void()> changed_;  // the job's notify, after every change
};

// One job at a time on a thread of its own, below the board's priority, so that the board
// keeps drawing while it runs. The job works on copies of what it needs: nothing it touches
// is shared with the owner's thread besides its JobProgress.
//
// Every call but the notify is made on the owner's thread. A job is running from start()
// until collect() has taken its end; the destructor waits for it.
class BackgroundJob {
public:
    using Work = std::function<void(JobProgress&)>;

    BackgroundJob() = default;
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Called on the worker thread after each step, line and at the end: it may only wake
    // the owner's thread (which then collects), never touch the owner's state.
    void setNotify(std::function<void()> notify) { notify_ = std::move(notify); }

    // Runs `work` on a new thread and names the job `name`. False, starting nothing, while
    // another job runs.
    bool start(std::string name, Work work);
    bool running() const { return thread_.joinable(); }
    const std::string& name() const { return name_; }
    // Steps done and in all of the running job; (0, 0) while it counts or when none runs.
    std::pair<int, int> steps() const;
    // Fraction of the running job done, 0..1; nullopt when none runs.
    std::optional<float> progress() const;
    // When the running job has ended: waits for its thread, says its lines on standard
    // output and returns true. False (and nothing said) while it still works or none runs.
    bool collect();
    // Waits for the running job to end, then collects it. False when none ran.
    bool finish();

private:
    void sayLines();

    std::function<void()> notify_;
    std::string name_;
    std::unique_ptr<JobProgress> progress_;
    std::atomic<bool> ended_{false};
    std::thread thread_;
};
