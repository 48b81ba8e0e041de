// Kills a worker that draws and edits through the controller (worker/CrashWorker.cpp) with
// SIGKILL at random moments, among them right after it announces a save and right after a
// change (while the journal is written and synced), and restarts it on the same folder.
// The worker reports each state just before its record goes to the journal. After every
// restart: the page shows a state the worker reported, no older than the last one it
// reported more than a second before the kill (so no change finished a second before is
// lost, and no journal record is applied twice, which would give a state never reported);
// the page file always parses and holds a reported state; nothing was set aside.
//
// ./test runs 100 kills (about 30 s; 30 under the sanitizers). A longer run:
//   INKBOARD_CRASH_KILLS=2000 build/test_controller --gtest_filter='Crash.*'
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "io/Checksum.h"
#include "io/PageFile.h"
#include "support/TempWorkDir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Report {
    std::string kind;  // start, state, saving, saved
    std::string hash;
    Clock::time_point at;
};

// One worker process and the lines it has written so far.
class Worker {
public:
    Worker(const std::string& folder, unsigned seed) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            const std::string s = std::to_string(seed);
            ::execl(INKBOARD_CRASH_WORKER, INKBOARD_CRASH_WORKER, folder.c_str(), s.c_str(),
                    static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        ::close(fds[1]);
        fd_ = fds[0];
    }
    ~Worker() {
        kill();
        if (fd_ >= 0) ::close(fd_);
    }

    // Reads reports until `stop` says so for one of them, or until `deadline`.
    template <class Stop>
    void readUntil(Clock::time_point deadline, Stop stop) {
        while (Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (!waitReadable(static_cast<int>(std::max<long long>(left.count(), 0)))) continue;
            if (!readSome()) return;
            for (; seen_ < reports.size(); ++seen_) {
                if (stop(reports[seen_])) {
                    ++seen_;
                    return;
                }
            }
        }
    }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        while (readSome()) {
        }  // lines written before it died
    }

    std::vector<Report> reports;

private:
    bool waitReadable(int ms) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd_, &set);
        timeval tv{ms / 1000, (ms % 1000) * 1000};
        return ::select(fd_ + 1, &set, nullptr, nullptr, &tv) > 0;
    }
    bool readSome() {
        char buf[4096];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) return false;
        const auto now = Clock::now();
        pending_.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
            const std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (line.rfind("@ ", 0) != 0) continue;
            const std::size_t space = line.find(' ', 2);
            reports.push_back({line.substr(2, space - 2),
                               space == std::string::npos ? "" : line.substr(space + 1), now});
        }
        return true;
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    std::string pending_;
    std::size_t seen_ = 0;
};

std::string hashOf(const std::string& text) {
    char hash[32];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(io::contentHash(text)));
    return hash;
}

unsigned killCount() {
    if (const char* v = std::getenv("INKBOARD_CRASH_KILLS")) return static_cast<unsigned>(std::atoi(v));
#if defined(__SANITIZE_ADDRESS__)
    return 30;
#else
    return 100;
#endif
}

}  // namespace

TEST(Crash, KilledAtAnyMomentTheProgramLosesNoChangeOlderThanASecond) {
    TempWorkDir dir;
    const std::string folder = dir.path().string();
    const unsigned kills = killCount();
    std::mt19937 rng(20261207);
    std::set<std::string> everReported;
    std::vector<Report> last;  // the killed run's reports with states
    Clock::time_point lastKill;
    int modes[3] = {0, 0, 0};
    std::size_t restoredLatest = 0;
    std::size_t furthestBack = 0;  // states between the last reported and the restored one

    for (unsigned k = 0; k <= kills; ++k) {
        SCOPED_TRACE("run " + std::to_string(k));
        Worker w(folder, 1000 + k);
        w.readUntil(Clock::now() + std::chrono::seconds(20),
                    [](const Report& r) { return r.kind == "start"; });
        ASSERT_FALSE(w.reports.empty()) << "the worker did not start";
        const std::string restored = w.reports.front().hash;

        if (k > 0) {
            // The states of the killed run, and the oldest one the restart may show.
            std::vector<const Report*> states;
            for (const Report& r : last) {
                if (r.kind != "saving") states.push_back(&r);
            }
            std::size_t oldest = 0;
            for (std::size_t i = 0; i < states.size(); ++i) {
                if (states[i]->at <= lastKill - std::chrono::seconds(1)) oldest = i;
            }
            const auto found = std::find_if(states.begin() + static_cast<long>(oldest), states.end(),
                                            [&](const Report* r) { return r->hash == restored; });
            ASSERT_NE(found, states.end()) << "restored a page the killed run never showed, or "
                                              "one older than a second before the kill";
            if (states.back()->hash == restored) ++restoredLatest;
            for (std::size_t back = 0; back < states.size(); ++back) {
                if (states[states.size() - 1 - back]->hash == restored) {
                    furthestBack = std::max(furthestBack, back);
                    break;
                }
            }
        }
        if (std::filesystem::exists("0.xml")) {
            const std::optional<io::PageContent> page = io::readPageFile("0.xml");
            ASSERT_TRUE(page) << "a torn page file";
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            ASSERT_EQ(name.find(".stale"), std::string::npos) << name;
            ASSERT_EQ(name.find(".damaged"), std::string::npos) << name;
            ASSERT_EQ(name.find(".unsaved"), std::string::npos) << name;
            ASSERT_EQ(name.find(".old"), std::string::npos) << name;
        }
        if (k == kills) break;

        // Kill at a random moment (now and then more than a second in), right after a save
        // is announced, or right after a change, while its record is written and synced.
        const int mode = static_cast<int>(rng() % 3);
        ++modes[mode];
        const auto started = Clock::now();
        if (mode == 0) {
            const int ms = rng() % 10 == 0 ? 1000 + static_cast<int>(rng() % 1000)
                                          : 20 + static_cast<int>(rng() % 400);
            w.readUntil(started + std::chrono::milliseconds(ms), [](const Report&) { return false; });
        } else {
            const int skip = static_cast<int>(rng() % 20);
            int seen = 0;
            const std::string wanted = mode == 1 ? "saving" : "state";
            w.readUntil(started + std::chrono::seconds(5),
                        [&](const Report& r) { return r.kind == wanted && seen++ >= skip; });
        }
        lastKill = Clock::now();
        w.kill();
        last = w.reports;
        for (const Report& r : last) everReported.insert(r.hash);
        if (std::filesystem::exists("0.xml")) {
            std::FILE* f = std::fopen("0.xml", "rb");
            ASSERT_TRUE(f);
            std::string text;
            char buf[1 << 14];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
            std::fclose(f);
            ASSERT_TRUE(everReported.contains(hashOf(text))) << "a page file holding no state";
        }
    }
    std::cout << "crash: " << kills << " kills (" << modes[0] << " at random, " << modes[1]
              << " in a save, " << modes[2] << " after a change); the last state reported came "
              << "back " << restoredLatest << " times, at worst the one " << furthestBack
              << " before it\n";
}
