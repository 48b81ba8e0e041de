// The browser board's module as JavaScript sees it. Bytes cross as Uint8Array (copied in,
// and handed out as views into the module's memory that the caller copies before its next
// call); sequence and change numbers as doubles (exact below 2^53).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <unordered_map>

#include "WebBoard.h"
#include "share/RoomLog.h"

using emscripten::val;

namespace {

std::string bytesOf(const val& array) {
    if (array.isNull() || array.isUndefined()) return {};
    return array.as<std::string>();
}

val bytesView(const std::string& bytes) {
    return val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data())));
}

// A stroke as the renderer needs it: its outline (a triangle strip of x, y and r, g, b, a
// per vertex, canvas units) and the box its ink covers.
val strokeForScreen(const Stroke& s) {
    val o = val::object();
    float reach = 0.0f;
    for (const ControlPoint& p : s.points) reach = std::max(reach, p.r);
    o.set("id", static_cast<double>(s.id));
    o.set("version", static_cast<double>(s.outlineVersion()));
    o.set("x0", s.bounds.minX - reach);
    o.set("y0", s.bounds.minY - reach);
    o.set("x1", s.bounds.maxX + reach);
    o.set("y1", s.bounds.maxY + reach);
    o.set("count", s.vertexCount);
    o.set("vertices", val(emscripten::typed_memory_view(static_cast<std::size_t>(s.vertexCount) * 2, s.vertices.data())));
    o.set("colours", val(emscripten::typed_memory_view(static_cast<std::size_t>(s.vertexCount) * 4, s.colours.data())));
    return o;
}

class Board {
public:
    Board(const std::string& room, unsigned boardHigh, unsigned boardLow, unsigned tag)
        : board_(room, (std::uint64_t{boardHigh} << 32) | boardLow, tag) {}

    void setViewport(float w, float h) { board_.setViewport(w, h); }
    val view() const {
        const View& v = board_.view();
        val o = val::object();
        o.set("zoom", v.zoom);
        o.set("panX", v.panX);
        o.set("panY", v.panY);
        o.set("width", v.viewWidth);
        o.set("height", v.viewHeight);
        return o;
    }
    void press(int pointer, int kind, bool erase, float x, float y, float pressure, double timeMs) {
        board_.press(pointer, static_cast<WebBoard::Kind>(std::clamp(kind, 0, 2)), erase, x, y, pressure, timeMs);
    }
    void move(int pointer, float x, float y, float pressure) { board_.move(pointer, x, y, pressure); }
    void release(int pointer, float x, float y) { board_.release(pointer, x, y); }
    void penSeen(bool near, double timeMs) { board_.penSeen(near, timeMs); }
    bool undo() { return board_.undo(); }
    bool redo() { return board_.redo(); }
    bool canUndo() const { return board_.canUndo(); }
    bool canRedo() const { return board_.canRedo(); }
    void setColour(int i) { board_.setColour(i); }
    void showPage(int page) { board_.showPage(page); }
    int page() const { return board_.page(); }
    double strokeCount() { return static_cast<double>(board_.drawing().strokes.count()); }
    bool pump() { return board_.pump(); }
    std::string pageText(int page) { return board_.pageText(page); }
    std::string takeNotice() { return board_.takeNotice(); }
    double sceneVersion() const { return static_cast<double>(board_.sceneVersion()); }
    val status() const {
        const WebBoard::Status s = board_.status();
        val o = val::object();
        o.set("connected", s.connected);
        o.set("caughtUp", s.caughtUp);
        o.set("waiting", static_cast<double>(s.waiting));
        return o;
    }

    // --- what the renderer draws ---
    // The finished strokes that changed since the last call ({changed: [stroke], removed:
    // [id]}), so that the renderer redraws only where they lie.
    val finishedChanges() {
        ++pass_;
        val changed = val::array();
        for (const Stroke& s : board_.drawing().strokes) {
            auto [it, fresh] = shown_.try_emplace(s.id, Shown{s.outlineVersion(), pass_});
            if (fresh || it->second.version != s.outlineVersion()) changed.call<void>("push", strokeForScreen(s));
            it->second = Shown{s.outlineVersion(), pass_};
        }
        val removed = val::array();
        std::erase_if(shown_, [&](const auto& entry) {
            if (entry.second.pass == pass_) return false;
            removed.call<void>("push", static_cast<double>(entry.first));
            return true;
        });
        val o = val::object();
        o.set("changed", changed);
        o.set("removed", removed);
        return o;
    }
    // Strokes being drawn here and on other boards, drawn every frame.
    val live() {
        val list = val::array();
        for (const StrokeInProgress& s : board_.drawing().strokesInProgress())
            if (s.stroke) list.call<void>("push", strokeForScreen(*s.stroke));
        for (const auto& s : board_.drawing().visitingInk) list.call<void>("push", strokeForScreen(*s));
        return list;
    }

    // --- the transport ---
    val takeTasks() {
        tasks_ = board_.link().takeTasks();
        val list = val::array();
        for (const share::QueuedRoomLink::Task& t : tasks_) {
            val o = val::object();
            o.set("kind", static_cast<int>(t.kind));
            o.set("page", t.page);
            o.set("seq", static_cast<double>(t.seq));
            o.set("generation", static_cast<double>(t.generation));
            o.set("number", static_cast<double>(t.number));
            o.set("expectNoMessage", t.expectNoMessage);
            o.set("subject", t.subject);
            o.set("msgId", t.msgId);
            o.set("bytes", bytesView(t.bytes));
            val subjects = val::array();
            for (const std::string& s : t.subjects) subjects.call<void>("push", s);
            o.set("subjects", subjects);
            val messages = val::array();
            for (const auto& [subject, bytes] : t.messages) {
                val m = val::object();
                m.set("subject", subject);
                m.set("bytes", bytesView(bytes));
                messages.call<void>("push", m);
            }
            o.set("messages", messages);
            list.call<void>("push", o);
        }
        return list;
    }
    std::string recordStream() { return board_.link().recordStream(); }
    std::string snapshotStream() { return board_.link().snapshotStream(); }
    std::string subjects(const std::string& kind) { return board_.link().subjects(kind.c_str()); }
    void connected(double maxPayload) { board_.link().connected(static_cast<std::size_t>(maxPayload)); }
    void disconnected(bool offline) { board_.link().disconnected(offline); }
    void snapshotFetched(int page, const val& bytes) {
        board_.link().snapshotFetched(page, bytes.isNull() ? std::nullopt : std::optional(bytesOf(bytes)));
    }
    void partsFetched(int page, const val& parts) {
        std::vector<std::optional<std::string>> got;
        const auto n = parts["length"].as<unsigned>();
        for (unsigned i = 0; i < n; ++i) {
            const val p = parts[i];
            got.push_back(p.isNull() || p.isUndefined() ? std::nullopt : std::optional(bytesOf(p)));
        }
        board_.link().partsFetched(page, std::move(got));
    }
    void recordChecked(int page, bool present) { board_.link().recordChecked(page, present); }
    void retry(int page) { board_.link().retry(page); }
    void subscribed(int page, double generation, double pending) {
        board_.link().subscribed(page, static_cast<std::uint64_t>(generation), static_cast<std::uint64_t>(pending));
    }
    void record(int page, double generation, double seq, const val& bytes, double pending) {
        board_.link().record(page, static_cast<std::uint64_t>(generation), static_cast<share::Seq>(seq),
                             bytesOf(bytes), static_cast<std::uint64_t>(pending));
    }
    void ink(const std::string& subject, const val& bytes) { board_.link().ink(subject, bytesOf(bytes)); }
    void published(double number, double seq) {
        board_.link().published(static_cast<std::uint64_t>(number), static_cast<share::Seq>(seq));
    }
    void publishFailed(double number, int why) {
        board_.link().publishFailed(static_cast<std::uint64_t>(number),
                                    static_cast<share::QueuedRoomLink::Failure>(std::clamp(why, 0, 2)));
    }
    void problem(const std::string& line) { board_.link().problem(line); }

private:
    struct Shown {
        std::uint64_t version = 0;
        std::uint64_t pass = 0;
    };
    WebBoard board_;
    std::unordered_map<std::uint64_t, Shown> shown_;  // finished strokes the renderer has, by id
    std::uint64_t pass_ = 0;
    std::vector<share::QueuedRoomLink::Task> tasks_;  // their bytes back the views handed out
};

// For tools and the two builds' comparison: roomLogPages() of the log's bytes.
std::string roomLogPages(const val& log) {
    std::string error;
    const std::optional<std::string> pages = share::roomLogPages(bytesOf(log), error);
    return pages ? *pages : "error: " + error + "\n";
}

}  // namespace

EMSCRIPTEN_BINDINGS(inkboard) {
    emscripten::class_<Board>("Board")
        .constructor<std::string, unsigned, unsigned, unsigned>()
        .function("setViewport", &Board::setViewport)
        .function("view", &Board::view)
        .function("press", &Board::press)
        .function("move", &Board::move)
        .function("release", &Board::release)
        .function("penSeen", &Board::penSeen)
        .function("undo", &Board::undo)
        .function("redo", &Board::redo)
        .function("canUndo", &Board::canUndo)
        .function("canRedo", &Board::canRedo)
        .function("setColour", &Board::setColour)
        .function("showPage", &Board::showPage)
        .function("page", &Board::page)
        .function("strokeCount", &Board::strokeCount)
        .function("pump", &Board::pump)
        .function("pageText", &Board::pageText)
        .function("takeNotice", &Board::takeNotice)
        .function("sceneVersion", &Board::sceneVersion)
        .function("status", &Board::status)
        .function("finishedChanges", &Board::finishedChanges)
        .function("live", &Board::live)
        .function("takeTasks", &Board::takeTasks)
        .function("recordStream", &Board::recordStream)
        .function("snapshotStream", &Board::snapshotStream)
        .function("subjects", &Board::subjects)
        .function("connected", &Board::connected)
        .function("disconnected", &Board::disconnected)
        .function("snapshotFetched", &Board::snapshotFetched)
        .function("partsFetched", &Board::partsFetched)
        .function("recordChecked", &Board::recordChecked)
        .function("retry", &Board::retry)
        .function("subscribed", &Board::subscribed)
        .function("record", &Board::record)
        .function("ink", &Board::ink)
        .function("published", &Board::published)
        .function("publishFailed", &Board::publishFailed)
        .function("problem", &Board::problem);
    emscripten::function("roomLogPages", &roomLogPages);
}
