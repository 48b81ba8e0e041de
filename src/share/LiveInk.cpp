#include "share/LiveInk.h"

#include <cmath>

#include "io/ByteCodec.h"
#include "share/RecordCodec.h"

namespace share {

using io::ByteReader;
using io::ByteWriter;

namespace {
constexpr std::uint8_t kInkType = 3;
// A stroke in progress longer than this is not shown live (it still arrives finished).
constexpr std::uint32_t kMaxInkPoints = 1u << 20;
}  // namespace

bool joinInk(LiveInk& queued, const LiveInk& piece) {
    if (queued.board != piece.board || queued.stroke != piece.stroke || queued.ended ||
        piece.ended || piece.from > queued.from + queued.points.size()) {
        return false;
    }
    if (piece.from <= queued.from) {
        queued = piece;
        return true;
    }
    queued.points.resize(piece.from - queued.from);
    queued.points.insert(queued.points.end(), piece.points.begin(), piece.points.end());
    queued.colour = piece.colour;
    return true;
}

std::string encodeInk(const LiveInk& ink) {
    ByteWriter w;
    w.u8(kInkType);
    w.u64(ink.board);
    w.u64(ink.stroke);
    w.u32(ink.from);
    w.u8(ink.ended ? 1 : 0);
    w.u8(ink.colour.r);
    w.u8(ink.colour.g);
    w.u8(ink.colour.b);
    w.u32(static_cast<std::uint32_t>(ink.points.size()));
    for (const ControlPoint& p : ink.points) {
        w.f32(p.x);
        w.f32(p.y);
        w.f32(p.r);
        w.f32(p.a);
    }
    return std::move(w.out);
}

std::optional<LiveInk> decodeInk(std::string_view bytes, std::string& error) {
    // A piece of ink is a record from the network like any other: no larger than one.
    if (bytes.size() > kMaxRecordBytes) {
        error = "a live ink message is larger than 8 MiB";
        return std::nullopt;
    }
    ByteReader r(bytes);
    LiveInk ink;
    const std::uint8_t type = r.u8();
    ink.board = r.u64();
    ink.stroke = r.u64();
    ink.from = r.u32();
    const std::uint8_t ended = r.u8();
    ink.colour.r = r.u8();
    ink.colour.g = r.u8();
    ink.colour.b = r.u8();
    const std::uint32_t n = r.u32();
    if (r.failed || type != kInkType || ended > 1 || n > r.left() / 16 ||
        ink.from > kMaxInkPoints || n > kMaxInkPoints - ink.from) {
        error = "a live ink message is malformed";
        return std::nullopt;
    }
    ink.ended = ended == 1;
    ink.points.resize(n);
    for (ControlPoint& p : ink.points) {
        p.x = r.f32();
        p.y = r.f32();
        p.r = r.f32();
        p.a = r.f32();
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.r) || !std::isfinite(p.a)) {
            error = "a live ink point is not a finite number";
            return std::nullopt;
        }
    }
    if (r.left() != 0) {
        error = "a live ink message has bytes past its end";
        return std::nullopt;
    }
    return ink;
}

}  // namespace share
