#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "controller/LessonExport.h"

// An exporter that takes the PDF's pages only as the test lets it, so that the test can act
// while an export runs in the background. Records how many strokes each page had.
struct GatedExporter : LessonExporter {
    std::mutex m;
    std::condition_variable cv;
    int allowed = 0;  // calls of nextPage let through
    int asked = 0;    // calls of nextPage about to be made
    std::vector<std::size_t> pageStrokes;

    std::optional<std::string> pdf(const NextPage& nextPage) override {
        std::vector<io::SvgStrokeOutline> strokes;
        while (true) {
            {
                std::unique_lock lock(m);
                ++asked;
                cv.notify_all();
                cv.wait(lock, [&] { return allowed >= asked; });
            }
            if (!nextPage(strokes)) return "%PDF";
            pageStrokes.push_back(strokes.size());
        }
    }
    std::optional<std::string> pagePng(const PageSnapshot&) override { return "PNG"; }

    void allow(int calls) {
        const std::lock_guard lock(m);
        allowed += calls;
        cv.notify_all();
    }
    // Until the export waits before its `calls`th call of nextPage.
    void waitAsked(int calls) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return asked >= calls; });
    }
};
