#include "app/ReplayScript.h"

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
            ok = static_cast<bool>(in >> c.x) && c.x >= 0;
        } else if (word == "mouse" || word == "tablet" || word == "touch") {
            c.kind = word == "mouse"    ? ReplayCommand::Kind::Mouse
                     : word == "tablet" ? ReplayCommand::Kind::Tablet
                                        : ReplayCommand::Kind::Touch;
            std::string phase;
            ok = static_cast<bool>(in >> phase >> c.x >> c.y) && parsePhase(phase, c.phase);
            if (ok && c.kind == ReplayCommand::Kind::Tablet)
                ok = static_cast<bool>(in >> c.pressure);
            if (ok && !(in >> c.device)) c.device.clear();
            if (c.kind == ReplayCommand::Kind::Mouse && c.device.empty())
                c.device = c.phase == ReplayCommand::Phase::Move ? "none" : "left";
            if (c.kind == ReplayCommand::Kind::Tablet && c.device.empty()) c.device = "pen";
            if (c.kind == ReplayCommand::Kind::Touch && c.device.empty()) c.device = "0";
            static const char* known[] = {"left", "right", "middle", "none", "pen", "eraser"};
            if (ok && c.kind != ReplayCommand::Kind::Touch) {
                ok = false;
                for (const char* k : known) ok = ok || c.device == k;
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
