#include "app/ReplayScript.h"

#include <algorithm>
#include <sstream>

namespace {
bool parsePhase(const std::string& w, ReplayCommand::Phase& p) {
    if (w == "press")
        p = ReplayCommand::Phase::Press;
    else if (w == "move")
        p = ReplayCommand::Phase::Move;
    else if (w == "release")
        p = ReplayCommand::Phase::Release;
    else
        return false;
    return true;
}
// "ID press|move|release X Y", the whole text; a touch id is a non-negative integer.
bool parseTouchPoint(const std::string& text, ReplayCommand::TouchPoint& p) {
    std::istringstream in(text);
    std::string phase, extra;
    return static_cast<bool>(in >> p.id >> phase >> p.x >> p.y) && p.id >= 0 &&
           parsePhase(phase, p.phase) && !(in >> extra);
}
std::string restOf(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    const auto b = rest.find_first_not_of(" \t");
    return b == std::string::npos ? std::string() : rest.substr(b);
}
}  // namespace

std::optional<ReplayScript> ReplayScript::parse(const std::string& text, std::string& error) {
    ReplayScript script;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (const auto hash = line.find('#');
            hash != std::string::npos && line.rfind("key", 0) != 0)
            line.erase(hash);
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) continue;
        ReplayCommand c;
        c.line = number;
        bool ok = true;
        if (word == "size") {
            c.kind = ReplayCommand::Kind::Size;
            ok = static_cast<bool>(in >> c.x >> c.y) && c.x > 0 && c.y > 0;
        } else if (word == "wait") {
            c.kind = ReplayCommand::Kind::Wait;
            std::string what;
            ok = static_cast<bool>(in >> what);
            if (ok && (what == "export" || what == "room")) {
                c.text = what;
                c.x = kExportWaitMs;
            } else if (ok && what == "strokes") {
                c.text = what;
                ok = static_cast<bool>(in >> c.y) && c.y >= 0;
                c.x = kExportWaitMs;
            } else {
                std::istringstream ms(what);
                ok = ok && static_cast<bool>(ms >> c.x) && ms.eof() && c.x >= 0;
            }
        } else if (word == "touches") {
            c.kind = ReplayCommand::Kind::Touch;
            const std::string rest = restOf(in);
            // Every piece between commas is one contact; an empty piece is an error.
            for (std::size_t from = 0; ok && from <= rest.size();) {
                const std::size_t comma = std::min(rest.find(',', from), rest.size());
                ReplayCommand::TouchPoint t;
                ok = parseTouchPoint(rest.substr(from, comma - from), t);
                for (const auto& other : c.touches) ok = ok && other.id != t.id;
                c.touches.push_back(t);
                from = comma + 1;
            }
        } else if (word == "mouse" || word == "tablet" || word == "touch") {
            std::string phase, extra;
            ok = static_cast<bool>(in >> phase);
            if (word == "tablet" && (phase == "enter" || phase == "leave")) {
                c.kind = ReplayCommand::Kind::Proximity;
                c.x = phase == "enter" ? 1 : 0;
                ok = !(in >> extra);
            } else if (word == "touch" && phase == "cancel") {
                c.kind = ReplayCommand::Kind::TouchCancel;
                ok = !(in >> extra);
            } else if (word == "touch") {
                c.kind = ReplayCommand::Kind::Touch;
                std::string x, y, id = "0";
                ok = ok && static_cast<bool>(in >> x >> y);
                if (ok && !(in >> id)) id = "0";
                ReplayCommand::TouchPoint t;
                ok = ok && parseTouchPoint(id + " " + phase + " " + x + " " + y, t) &&
                     !(in >> extra);
                c.touches.push_back(t);
            } else {
                c.kind = word == "mouse" ? ReplayCommand::Kind::Mouse : ReplayCommand::Kind::Tablet;
                ok = ok && static_cast<bool>(in >> c.x >> c.y) && parsePhase(phase, c.phase);
                if (ok && c.kind == ReplayCommand::Kind::Tablet)
                    ok = static_cast<bool>(in >> c.pressure);
                if (ok && !(in >> c.device)) c.device.clear();
                if (c.kind == ReplayCommand::Kind::Mouse && c.device.empty())
                    c.device = c.phase == ReplayCommand::Phase::Move ? "none" : "left";
                if (c.kind == ReplayCommand::Kind::Tablet && c.device.empty()) c.device = "pen";
                static const char* known[] = {"left", "right", "middle", "none", "pen", "eraser"};
                if (ok) {
                    ok = false;
                    for (const char* k : known) ok = ok || c.device == k;
                }
            }
        } else if (word == "key") {
            c.kind = ReplayCommand::Kind::Key;
            c.text = restOf(in);
            ok = !c.text.empty();
        } else if (word == "grab") {
            c.kind = ReplayCommand::Kind::Grab;
            c.text = restOf(in);
            ok = !c.text.empty();
        } else if (word == "echo") {
            c.kind = ReplayCommand::Kind::Echo;
            c.text = restOf(in);
        } else {
            ok = false;
        }
        if (!ok) {
            error = "line " + std::to_string(number) + ": cannot read \"" + line + "\"";
            return std::nullopt;
        }
        script.commands.push_back(std::move(c));
    }
    return script;
}
