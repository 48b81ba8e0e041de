// Outline per input sample in the build this runs in: natively, or built for WebAssembly and
// run by node (bench/web/outline.sh runs both in turn). The recorded pen strokes of
// testdata/strokes go through the drawing's own pen path: a point, its ribs and the outline
// at each sample that moved far enough, a simplification now and then, the stroke finished
// at the end. Prints the best of kRuns runs in nanoseconds per input sample.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>

#include "document/Drawing.h"
#include "support/StrokeData.h"

// Enough runs for node to have compiled the module at its top tier.
constexpr int kRuns = 40;

int main() {
    const std::vector<strokedata::RecordedStroke> strokes = strokedata::loadPageStrokes();
    std::size_t samples = 0;
    for (const auto& s : strokes) samples += s.samples.size();
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        std::ostringstream log;
        Drawing d(log, Drawing::Blank{});
        d.view.viewWidth = 1000.0f;
        d.view.viewHeight = 1000.0f;
        const auto start = std::chrono::steady_clock::now();
        for (const auto& rec : strokes) {
            const strokedata::Sample* last = &rec.samples.front();
            d.beginStroke(last->x, last->y, last->pressure);
            for (const strokedata::Sample& s : rec.samples) {
                d.extendStroke(s.x, s.y, s.x - last->x, s.y - last->y, s.pressure);
                last = &s;
            }
            d.endStroke(last->x, last->y);
        }
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / static_cast<double>(samples));
    }
    std::printf("%.1f ns per input sample (%zu samples of %zu strokes, best of %d runs)\n", best, samples,
                strokes.size(), kRuns);
}
