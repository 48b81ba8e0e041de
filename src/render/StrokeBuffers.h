#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

class QOpenGLContext;
class QOpenGLFunctions;
class Stroke;

// GPU copies of finished strokes' outlines: each stroke's vertex and colour arrays in one
// buffer object, uploaded when the stroke's outline version changes and drawn from there,
// so a frame that changes nothing sends no vertex data. Strokes are known by address and
// outline version (a version is never reused in a run), so a new stroke at a freed
// stroke's address is uploaded afresh.
//
// Buffers of strokes that are no longer drawn (deleted, or long out of view) are released,
// least recently drawn first, once all buffers together exceed the budget; what the
// current frame draws is always kept. Every call, the destructor included, needs the
// context it was created in (or one sharing with it) current.
class StrokeBuffers {
public:
    static constexpr std::size_t kDefaultBudgetBytes = std::size_t{256} << 20;

    explicit StrokeBuffers(std::size_t budgetBytes = kDefaultBudgetBytes);
    ~StrokeBuffers();
    StrokeBuffers(const StrokeBuffers&) = delete;
    StrokeBuffers& operator=(const StrokeBuffers&) = delete;

    // Draws the stroke body (the outline triangle strip with per-vertex colours) from its
    // buffer, uploading it first when it is new or its outline changed. Without buffer
    // objects in the context it draws from the stroke's arrays instead.
    void draw(const Stroke& stroke);
    // Ends a frame: releases buffers over the budget. Call after the frame's last draw.
    void endFrame();

    std::size_t bufferCount() const { return entries_.size(); }
    std::size_t bytes() const { return bytes_; }
    std::uint64_t uploads() const { return uploads_; }

private:
    struct Entry {
        std::uint32_t buffer = 0;
        std::uint64_t version = 0;
        std::uint64_t lastFrame = 0;
        std::size_t bytes = 0;
        std::size_t colourOffset = 0;  // bytes into the buffer
        std::int32_t count = 0;        // vertices
    };
    void upload(const Stroke& stroke, Entry& entry);

    std::unique_ptr<QOpenGLFunctions> gl_;  // null without buffer objects
    QOpenGLContext* context_ = nullptr;     // the context the buffers belong to
    std::unordered_map<const Stroke*, Entry> entries_;
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::uint64_t frame_ = 1;
    std::uint64_t uploads_ = 0;
};
