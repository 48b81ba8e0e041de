#include "controller/BackgroundJob.h"

#include <algorithm>
#include <iostream>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {
// The worker yields to the board: it runs on what the board, the display server and the
// rest of the machine leave idle (Linux's idle policy; a thread's policy is its own).
void lowerThisThreadsPriority() {
#if defined(__linux__)
    const sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
#endif
}
}  // namespace

void JobProgress::setTotal(int steps) {
    total_.store(steps);
    if (changed_) changed_();
}

void JobProgress::advance() {
    done_.fetch_add(1);
    if (changed_) changed_();
}

void JobProgress::say(std::string line) {
    {
        const std::lock_guard<std::mutex> lock(linesMutex_);
        lines_.push_back(std::move(line));
    }
    if (changed_) changed_();
}

std::vector<std::string> JobProgress::takeLines() {
    const std::lock_guard<std::mutex> lock(linesMutex_);
    return std::exchange(lines_, {});
}

BackgroundJob::~BackgroundJob() { finish(); }

bool BackgroundJob::start(std::string name, Work work) {
    if (running()) return false;
    name_ = std::move(name);
    progress_ = std::make_unique<JobProgress>();
    progress_->changed_ = notify_;
    ended_.store(false);
    thread_ = std::thread([this, work = std::move(work)] {
        lowerThisThreadsPriority();
        work(*progress_);
        ended_.store(true);
        if (notify_) notify_();
    });
    return true;
}

std::pair<int, int> BackgroundJob::steps() const {
    if (!running()) return {0, 0};
    return {progress_->done(), progress_->total()};
}

std::optional<float> BackgroundJob::progress() const {
    if (!running()) return std::nullopt;
    const auto [done, total] = steps();
    if (total <= 0) return 0.0f;
    return std::min(1.0f, static_cast<float>(done) / static_cast<float>(total));
}

void BackgroundJob::sayLines() {
    for (const std::string& line : progress_->takeLines()) std::cout << line << "\n";
    std::cout.flush();
    progress_.reset();
}

bool BackgroundJob::collect() {
    if (!running() || !ended_.load()) return false;
    thread_.join();
    sayLines();
    return true;
}

bool BackgroundJob::finish() {
    if (!running()) return false;
    thread_.join();
    sayLines();
    return true;
}
