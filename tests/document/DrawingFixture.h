#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "document/Drawing.h"
#include "support/StrokeData.h"
#include "support/TempWorkDir.h"

// Runs each test in a fresh temporary working directory, since a Drawing loads "0.xml"
// from the current directory when it is built.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = std::make_unique<TempWorkDir>();
        dir_ = work_->path();
    }
    void TearDown() override { work_.reset(); }

    std::filesystem::path dir_;

private:
    std::unique_ptr<TempWorkDir> work_;
};

// A drawing whose screen coordinates equal canvas coordinates (no pan, zoom 1, no rotation),
// with its diagnostics captured.
class DrawingTest : public InTempDir {
protected:
    void SetUp() override {
        InTempDir::SetUp();
        drawing = std::make_unique<Drawing>(log);
        drawing->view.panX = 0.0f;
        drawing->view.panY = 0.0f;
        drawing->view.viewWidth = 1000.0f;
        drawing->view.viewHeight = 1000.0f;
        log.str("");
    }
    void TearDown() override {
        drawing.reset();
        InTempDir::TearDown();
    }

    // Adds a finished stroke with these points the way a file load does.
    Stroke& addStroke(const std::vector<Vec2>& pts, float r = 2.0f) {
        auto s = std::make_unique<Stroke>();
        for (Vec2 p : pts) {
            s->bounds.include(p);
            s->points.push_back({p.x, p.y, r, 1.0f});
        }
        s->resetRibLists();
        s->buildAllRibs(1.0f);
        s->buildOutline(1.0f);
        Stroke& added = drawing->appendStroke(std::move(s));
        drawing->index.insertStroke(added);
        return added;
    }

    // Draws along the points with one event per point (pressure 1).
    void draw(const std::vector<Vec2>& pts) {
        drawing->beginStroke(pts[0].x, pts[0].y, 1.0f);
        for (std::size_t i = 1; i < pts.size(); ++i) {
            drawing->extendStroke(pts[i].x, pts[i].y, pts[i].x - pts[i - 1].x,
                                  pts[i].y - pts[i - 1].y, 1.0f);
        }
        drawing->endStroke(pts.back().x, pts.back().y);
    }

    // Draws a recorded stroke scaled by `scale` about the page centre and moved by `shift`.
    void drawRecorded(const strokedata::RecordedStroke& rec, float scale, Vec2 shift) {
        auto at = [&](const strokedata::Sample& s) {
            return Vec2((s.x - 450.0f) * scale + 450.0f + shift.x,
                        (s.y - 450.0f) * scale + 450.0f + shift.y);
        };
        Vec2 prev = at(rec.samples[0]);
        drawing->beginStroke(prev.x, prev.y, rec.samples[0].pressure);
        for (std::size_t i = 1; i < rec.samples.size(); ++i) {
            const Vec2 p = at(rec.samples[i]);
            drawing->extendStroke(p.x, p.y, p.x - prev.x, p.y - prev.y, rec.samples[i].pressure);
            prev = p;
        }
        drawing->endStroke(prev.x, prev.y);
    }

    std::vector<Stroke*> strokeList() const {
        std::vector<Stroke*> out;
        for (Stroke& s : drawing->strokes) out.push_back(&s);
        return out;
    }

    std::ostringstream log;
    std::unique_ptr<Drawing> drawing;
};
