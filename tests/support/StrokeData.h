#pragma once

// Loader for the recorded pen strokes in testdata/strokes (JSON: {"strokes": [[[x, y,
// pressure], ...], ...], "times_ms": [[t, ...] or null, ...], ...}, screen pixels, y down).
// Header-only so that any test or benchmark can include it.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace strokedata {

struct Sample {
    float x = 0.0f;
    float y = 0.0f;
    float pressure = 0.5f;  // 0..1; 0.5 where the recording had none
};

struct RecordedStroke {
    std::string file;  // file name inside testdata/strokes
    int index = 0;     // position in that file
    std::vector<Sample> samples;
    std::vector<double> timesMs;  // empty when the recording has no times

    std::string name() const { return file + "#" + std::to_string(index); }
};

namespace detail {

// Just enough JSON for this format: objects, arrays, numbers, strings, literals.
struct Json {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
};

class JsonParser {
public:
    explicit JsonParser(const std::string& s) : s_(s) {}

    Json parseDocument() {
        Json v = parseValue();
        skipSpace();
        if (pos_ != s_.size()) fail("trailing characters");
        return v;
    }

private:
    const std::string& s_;
    std::size_t pos_ = 0;

    [[noreturn]] void fail(const char* what) const {
        throw std::runtime_error(std::string("stroke JSON: ") + what + " at offset " +
                                 std::to_string(pos_));
    }
    void skipSpace() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool take(char c) {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expect(char c) {
        if (!take(c)) fail("unexpected character");
    }
    Json parseValue() {
        skipSpace();
        if (pos_ >= s_.size()) fail("unexpected end");
        const char c = s_[pos_];
        Json v;
        if (c == '{') {
            ++pos_;
            v.kind = Json::Kind::kObject;
            if (take('}')) return v;
            do {
                skipSpace();
                std::string key = parseString();
                expect(':');
                v.fields[key] = parseValue();
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            ++pos_;
            v.kind = Json::Kind::kArray;
            if (take(']')) return v;
            do {
                v.items.push_back(parseValue());
            } while (take(','));
            expect(']');
        } else if (c == '"') {
            v.kind = Json::Kind::kString;
            v.text = parseString();
        } else if (s_.compare(pos_, 4, "null") == 0) {
            pos_ += 4;
        } else if (s_.compare(pos_, 4, "true") == 0) {
            pos_ += 4;
            v.kind = Json::Kind::kBool;
            v.number = 1;
        } else if (s_.compare(pos_, 5, "false") == 0) {
            pos_ += 5;
            v.kind = Json::Kind::kBool;
        } else {
            const char* begin = s_.c_str() + pos_;
            char* end = nullptr;
            v.number = std::strtod(begin, &end);
            if (end == begin) fail("bad value");
            pos_ += static_cast<std::size_t>(end - begin);
            v.kind = Json::Kind::kNumber;
        }
        return v;
    }
    std::string parseString() {
        if (pos_ >= s_.size() || s_[pos_] != '"') fail("string expected");
        ++pos_;
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            if (s_[pos_] == '\\' && pos_ + 1 < s_.size()) {
                ++pos_;
                const char e = s_[pos_];
                if (e == 'u') {
                    pos_ += 4;  // names and licences only; the code point is not needed
                    out += '?';
                } else {
                    out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                }
                ++pos_;
            } else {
                out += s_[pos_++];
            }
        }
        if (pos_ >= s_.size()) fail("unterminated string");
        ++pos_;
        return out;
    }
};

}  // namespace detail

// Strokes of one file exactly as recorded (screen pixels, y down).
inline std::vector<RecordedStroke> loadStrokeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path.string());
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const detail::Json doc = detail::JsonParser(text).parseDocument();

    using Kind = detail::Json::Kind;
    const auto strokes = doc.fields.find("strokes");
    if (strokes == doc.fields.end() || strokes->second.kind != Kind::kArray) {
        throw std::runtime_error(path.string() + ": no \"strokes\" array");
    }
    const auto times = doc.fields.find("times_ms");
    std::vector<RecordedStroke> out;
    for (std::size_t i = 0; i < strokes->second.items.size(); ++i) {
        RecordedStroke stroke;
        stroke.file = path.filename().string();
        stroke.index = static_cast<int>(i);
        for (const detail::Json& p : strokes->second.items[i].items) {
            if (p.items.size() < 2) throw std::runtime_error(path.string() + ": short sample");
            Sample s;
            s.x = static_cast<float>(p.items[0].number);
            s.y = static_cast<float>(p.items[1].number);
            if (p.items.size() > 2) s.pressure = static_cast<float>(p.items[2].number);
            stroke.samples.push_back(s);
        }
        if (times != doc.fields.end() && i < times->second.items.size()) {
            for (const detail::Json& t : times->second.items[i].items) {
                stroke.timesMs.push_back(t.number);
            }
        }
        out.push_back(std::move(stroke));
    }
    return out;
}

// Flips y (to y up) and fits the stroke into the page (0,0)-(page,page) with `margin` on
// every side: centred, and scaled down uniformly only when it would not fit.
inline RecordedStroke placedOnPage(RecordedStroke stroke, float page = 900.0f,
                                   float margin = 50.0f) {
    if (stroke.samples.empty()) return stroke;
    float minX = stroke.samples[0].x, maxX = minX;
    float minY = -stroke.samples[0].y, maxY = minY;
    for (const Sample& s : stroke.samples) {
        minX = std::min(minX, s.x);
        maxX = std::max(maxX, s.x);
        minY = std::min(minY, -s.y);
        maxY = std::max(maxY, -s.y);
    }
    const float room = page - 2.0f * margin;
    const float extent = std::max(maxX - minX, maxY - minY);
    const float scale = extent > room ? room / extent : 1.0f;
    const float cx = (minX + maxX) * 0.5f;
    const float cy = (minY + maxY) * 0.5f;
    for (Sample& s : stroke.samples) {
        s.x = (s.x - cx) * scale + page * 0.5f;
        s.y = (-s.y - cy) * scale + page * 0.5f;
    }
    return stroke;
}

#ifdef INKBOARD_TESTDATA
// Every recorded stroke, files in name order, as recorded.
inline std::vector<RecordedStroke> loadAllStrokes() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(INKBOARD_TESTDATA) / "strokes")) {
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<RecordedStroke> all;
    for (const auto& f : files) {
        for (RecordedStroke& s : loadStrokeFile(f)) all.push_back(std::move(s));
    }
    return all;
}

// Every recorded stroke placed on the 900 x 900 page, y up (see placedOnPage).
inline std::vector<RecordedStroke> loadPageStrokes() {
    std::vector<RecordedStroke> all = loadAllStrokes();
    for (RecordedStroke& s : all) s = placedOnPage(std::move(s));
    return all;
}
#endif

}  // namespace strokedata
