// The crash test's worker: opens page 0 in the folder it is given (replaying its journal as
// the program does at start-up) and edits it through the controller at random until it is
// killed. It reports on standard output, one line each:
//   "@ start HASH"   the page as it was opened
//   "@ state HASH"   the page after a change (or undo, redo) was finished, written before
//                    the change goes to the journal, so that a killed worker never leaves a
//                    journal holding a state it did not report
//   "@ saving" / "@ saved HASH"   around a save of the page
// HASH is io::contentHash of the page text in hexadecimal. Other lines are diagnostics.
//
// Usage: crash_worker FOLDER SEED
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "io/Checksum.h"

namespace {

void report(const std::string& what, const Drawing* d = nullptr) {
    std::string line = "@ " + what;
    if (d) {
        char hash[32];
        std::snprintf(hash, sizeof hash, " %016llx",
                      static_cast<unsigned long long>(io::contentHash(d->pageText())));
        line += hash;
    }
    line += "\n";
    // Unbuffered: a line is out before the next step begins.
    if (::write(1, line.data(), line.size()) < 0) std::_Exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || ::chdir(argv[1]) != 0) return 2;
    std::mt19937 rng(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    auto uniform = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };

    Drawing drawing;
    constexpr float kWidth = 1200.0f, kHeight = 900.0f;
    drawing.view.viewWidth = kWidth;
    drawing.view.viewHeight = kHeight;
    CanvasController c(drawing);
    c.setViewSize(kWidth, kHeight);
    report("start", &drawing);
    PageHistories& histories = c.history().histories();
    histories.journal = [&, record = histories.journal](const io::JournalEntry& entry) {
        report("state", &drawing);
        record(entry);
    };

    // A drag through the controller, clear of the menu, the band and the page triangles.
    auto drag = [&](int button) {
        float x = uniform(420, 1080), y = uniform(120, 780);
        const float dx = uniform(-12, 12), dy = uniform(-12, 12);
        c.onPress(x, y, button, 1.0f);
        for (int i = 0, n = static_cast<int>(uniform(3, 30)); i < n; ++i) {
            x = std::min(std::max(x + dx, 400.0f), 1100.0f);
            y = std::min(std::max(y + dy, 100.0f), 800.0f);
            c.onDrag(x, y, uniform(0.3f, 1.0f));
        }
        c.onRelease(x, y, button);
    };
    for (;;) {
        const int action = std::discrete_distribution<int>({40, 15, 12, 6, 10, 2, 2, 5})(rng);
        switch (action) {
            case 0: drag(0); break;  // a stroke
            case 1: drag(1); break;  // the eraser
            case 2: c.onKey("Ctrl+Z"); break;
            case 3: c.onKey("Ctrl+Y"); break;
            case 4:
                report("saving");
                c.onKey("S");
                report("saved", &drawing);
                break;
            case 5: c.onKey("C"); break;
            case 6: c.onKey("L"); break;
            default:  // the push tool in edit mode
                c.selectMenuButton(1);
                drag(0);
                c.selectMenuButton(0);
                break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int>(uniform(500, 4000))));
    }
}
