#include "tracks/TrackSource.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace trackc {

bool setError(Error* error, const std::string& file, int line, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    error->file = file;
    error->line = line;
    error->message = message;
    return false;
}

namespace {

// A repeat of a whole section at a one-row period would otherwise ask for
// billions of keys from one line of text.
constexpr size_t kMaxRepeatKeys = 1000000;

// Rows summed from fractional beats are doubles and need not come out exact
// (0:0.01+0:0.09 sums to 0.9999999999999999); that is still meant as row 1.
constexpr double kWholeRowTolerance = 1e-6;

// The words of one line, without its comment.
std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '#') break;
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < line.size() && line[i] != '#' &&
               !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Calls visit(lineNumber, words) for every line that has words; stops at the
// first false.
template <typename Visit> bool forEachLine(const std::string& text, Visit visit) {
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++lineNumber;
        std::vector<std::string> words = splitWords(text.substr(start, end - start));
        if (!words.empty() && !visit(lineNumber, words)) return false;
        start = end + 1;
    }
    return true;
}

bool isName(const std::string& s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

bool isDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// Digits with at most one decimal point and a digit on each side of it.
bool isDecimal(const std::string& s) {
    size_t dot = s.find('.');
    if (dot == std::string::npos) return isDigits(s);
    return isDigits(s.substr(0, dot)) && isDigits(s.substr(dot + 1));
}

bool parseRowNumber(const std::string& s, int32_t* row) {
    bool negative = !s.empty() && s[0] == '-';
    std::string digits = negative ? s.substr(1) : s;
    if (!isDigits(digits) || digits.size() > 10) return false;
    long long value = std::strtoll(digits.c_str(), nullptr, 10);
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    *row = static_cast<int32_t>(value);
    return true;
}

struct Place {
    const std::string& file;
    int line;
};

// One term of a position: rows, bar:beat or (when names are allowed) a name of
// the music map. The result is in rows, possibly fractional until summed.
bool parseTerm(const std::string& term, const MusicMap* map, Place at, double* rows, Error* error) {
    size_t colon = term.find(':');
    if (colon != std::string::npos) {
        std::string bar = term.substr(0, colon);
        std::string beat = term.substr(colon + 1);
        if (!isDigits(bar) || !isDecimal(beat))
            return setError(error, at.file, at.line, "\"%s\" is not bar:beat", term.c_str());
        double beats = std::strtod(beat.c_str(), nullptr);
        if (beats >= kBeatsPerBar)
            return setError(error, at.file, at.line, "beat %s of \"%s\" is not below %d",
                            beat.c_str(), term.c_str(), kBeatsPerBar);
        *rows = std::strtod(bar.c_str(), nullptr) * kRowsPerBar + beats * kRowsPerBeat;
        return true;
    }
    if (isDigits(term)) {
        *rows = std::strtod(term.c_str(), nullptr);
        return true;
    }
    if (map != nullptr) {
        if (term == "end") {
            if (!map->hasEnd)
                return setError(error, at.file, at.line, "the music map gives no end row");
            *rows = map->endRow;
            return true;
        }
        std::string name = term;
        bool atEnd = false;
        const char endSuffix[] = ".end";
        size_t suffixLength = sizeof endSuffix - 1;
        if (name.size() > suffixLength &&
            name.compare(name.size() - suffixLength, suffixLength, endSuffix) == 0) {
            name.resize(name.size() - suffixLength);
            atEnd = true;
        }
        for (const Section& section : map->sections) {
            if (section.name == name) {
                *rows = atEnd ? section.end : section.start;
                return true;
            }
        }
        if (isName(name))
            return setError(error, at.file, at.line, "unknown section \"%s\"", name.c_str());
    }
    return setError(error, at.file, at.line, "\"%s\" is not a %s", term.c_str(),
                    map != nullptr ? "row, bar:beat or section" : "row count or bar:beat");
}

// A position (map given: names and a leading sign allowed) or a length (no map).
bool parsePosition(const std::string& text, const MusicMap* map, Place at, int32_t* row,
                   Error* error) {
    double total = 0;
    size_t i = 0;
    int sign = 1;
    if (map != nullptr && !text.empty() && (text[0] == '-' || text[0] == '+')) {
        sign = text[0] == '-' ? -1 : 1;
        i = 1;
    }
    for (;;) {
        size_t next = text.find_first_of("+-", i);
        std::string term = text.substr(i, next == std::string::npos ? next : next - i);
        if (term.empty())
            return setError(error, at.file, at.line, "\"%s\" is not a %s", text.c_str(),
                            map != nullptr ? "position" : "length");
        double rows = 0;
        if (!parseTerm(term, map, at, &rows, error)) return false;
        total += sign * rows;
        if (next == std::string::npos) break;
        if (map == nullptr)
            return setError(error, at.file, at.line, "a length is one term, not \"%s\"",
                            text.c_str());
        sign = text[next] == '-' ? -1 : 1;
        i = next + 1;
    }
    double whole = std::round(total);
    if (std::fabs(total - whole) > kWholeRowTolerance)
        return setError(error, at.file, at.line, "\"%s\" is row %g, not a whole row", text.c_str(),
                        total);
    // Terms too long for a double read as infinite, and infinities of opposite
    // signs sum to NaN, which passes every comparison above and below.
    if (!std::isfinite(whole) || whole < INT32_MIN || whole > INT32_MAX)
        return setError(error, at.file, at.line, "\"%s\" is outside the rows of a track file",
                        text.c_str());
    *row = static_cast<int32_t>(whole);
    return true;
}

bool parseValue(const std::string& text, Place at, float* value, Error* error) {
    const char* begin = text.c_str();
    char* end = nullptr;
    double parsed = std::strtod(begin, &end);
    if (end == begin || *end != '\0')
        return setError(error, at.file, at.line, "\"%s\" is not a number", text.c_str());
    float single = static_cast<float>(parsed);
    if (!std::isfinite(parsed) || !std::isfinite(single))
        return setError(error, at.file, at.line, "value \"%s\" is not a finite number",
                        text.c_str());
    *value = single;
    return true;
}

bool parseInterpolation(const std::string& text, Place at, int32_t* interpolation, Error* error) {
    static const struct {
        const char* name;
        int32_t interpolation;
    } kNames[] = {
        {"hold", INTERP_HOLD},
        {"linear", INTERP_LINEAR},
        {"smooth", INTERP_SMOOTHSTEP},
        {"quad", INTERP_QUADRATIC},
    };
    for (const auto& entry : kNames) {
        if (text == entry.name) {
            *interpolation = entry.interpolation;
            return true;
        }
    }
    return setError(error, at.file, at.line,
                    "unknown interpolation \"%s\" (hold, linear, smooth or quad)", text.c_str());
}

bool isTrackName(const std::string& name) {
    for (const char* known : kTrackNames)
        if (name == known) return true;
    return false;
}

struct PatternKey {
    int32_t offset;
    Key key;
    int line;
    bool interpolationWritten;
};

struct Repeat {
    int line;
    int32_t period;
    int32_t from;
    int32_t to;
    std::vector<PatternKey> keys;
};

// State of one source while its lines are read.
struct SourceParser {
    const std::string& file;
    const MusicMap& map;
    std::vector<SourceTrack>* tracks;
    SourceOrigins* origins; // null when only the keys are wanted
    Error* error;
    bool inTrack;
    int32_t defaultInterpolation;
    bool inRepeat;
    Repeat repeat;

    SourceTrack& track() { return tracks->back(); }

    bool appendKey(const Key& key, KeyOrigin origin) {
        int line = origin.line;
        std::vector<Key>& keys = track().keys;
        if (!keys.empty()) {
            int32_t previous = keys.back().row;
            if (key.row == previous)
                return setError(error, file, line, "two keys on row %d of \"%s\"", key.row,
                                track().name.c_str());
            if (key.row < previous)
                return setError(error, file, line,
                                "key at row %d of \"%s\" comes after a key at row %d", key.row,
                                track().name.c_str(), previous);
        }
        keys.push_back(key);
        if (origins != nullptr) origins->keys.push_back(origin);
        return true;
    }

    bool header(int line, const std::vector<std::string>& words) {
        if (words.size() < 2 || words.size() > 3)
            return setError(error, file, line, "expected: track NAME [INTERPOLATION]");
        const std::string& name = words[1];
        if (!isTrackName(name))
            return setError(error, file, line, "unknown track name \"%s\"", name.c_str());
        for (const SourceTrack& other : *tracks) {
            if (other.name == name)
                return setError(error, file, line, "track \"%s\" is already defined at %s:%d",
                                name.c_str(), other.file.c_str(), other.line);
        }
        defaultInterpolation = INTERP_HOLD;
        if (words.size() == 3 &&
            !parseInterpolation(words[2], Place{file, line}, &defaultInterpolation, error))
            return false;
        tracks->push_back(SourceTrack{name, {}, file, line});
        if (origins != nullptr) origins->defaultInterpolations.push_back(defaultInterpolation);
        inTrack = true;
        return true;
    }

    bool repeatHeader(int line, const std::vector<std::string>& words) {
        if (!inTrack) return setError(error, file, line, "a repeat must follow a track line");
        if (inRepeat)
            return setError(error, file, line, "a repeat cannot hold another (the one at line %d)",
                            repeat.line);
        if (words.size() != 7 || words[1] != "every" || words[3] != "from" || words[5] != "to")
            return setError(error, file, line,
                            "expected: repeat every LENGTH from POSITION to "
                            "POSITION");
        Place at{file, line};
        repeat = Repeat{line, 0, 0, 0, {}};
        if (!parsePosition(words[2], nullptr, at, &repeat.period, error) ||
            !parsePosition(words[4], &map, at, &repeat.from, error) ||
            !parsePosition(words[6], &map, at, &repeat.to, error))
            return false;
        if (repeat.period <= 0) return setError(error, file, line, "a repeat's period must be > 0");
        if (repeat.to <= repeat.from)
            return setError(error, file, line, "a repeat must end after it starts (rows %d to %d)",
                            repeat.from, repeat.to);
        inRepeat = true;
        return true;
    }

    bool repeatEnd(int line) {
        if (!inRepeat) return setError(error, file, line, "\"end\" without a repeat");
        inRepeat = false;
        if (repeat.keys.empty()) return setError(error, file, repeat.line, "a repeat without keys");
        if (origins != nullptr) {
            RepeatOrigin origin{repeat.line, line, repeat.period, repeat.from, repeat.to, {}, {}};
            for (const PatternKey& pattern : repeat.keys) {
                origin.offsets.push_back(pattern.offset);
                origin.keyLines.push_back(pattern.line);
            }
            origins->repeats.push_back(origin);
        }
        int64_t span = int64_t(repeat.to) - repeat.from;
        int64_t instances = (span + repeat.period - 1) / repeat.period;
        if (uint64_t(instances) * repeat.keys.size() > kMaxRepeatKeys)
            return setError(error, file, repeat.line, "a repeat of more than %zu keys",
                            kMaxRepeatKeys);
        for (int64_t start = repeat.from; start < repeat.to; start += repeat.period) {
            for (const PatternKey& pattern : repeat.keys) {
                int64_t row = start + pattern.offset;
                if (row >= repeat.to) break;
                Key key = pattern.key;
                key.row = static_cast<int32_t>(row);
                if (!appendKey(key, {pattern.line, pattern.interpolationWritten, repeat.line}))
                    return false;
            }
        }
        return true;
    }

    bool key(int line, const std::vector<std::string>& words) {
        if (!inTrack) return setError(error, file, line, "a key before any track line");
        if (words.size() < 2 || words.size() > 3)
            return setError(error, file, line, "expected: POSITION VALUE [INTERPOLATION]");
        Place at{file, line};
        Key key{0, 0, defaultInterpolation};
        if (!parseValue(words[1], at, &key.value, error)) return false;
        if (words.size() == 3 && !parseInterpolation(words[2], at, &key.interpolation, error))
            return false;
        if (!inRepeat) {
            if (!parsePosition(words[0], &map, at, &key.row, error)) return false;
            return appendKey(key, {line, words.size() == 3, 0});
        }
        int32_t offset;
        if (!parsePosition(words[0], nullptr, at, &offset, error)) return false;
        if (offset >= repeat.period)
            return setError(error, file, line, "offset %d is not below the repeat's period %d",
                            offset, repeat.period);
        if (!repeat.keys.empty() && offset <= repeat.keys.back().offset)
            return setError(error, file, line, "offset %d does not come after offset %d", offset,
                            repeat.keys.back().offset);
        repeat.keys.push_back(PatternKey{offset, key, line, words.size() == 3});
        return true;
    }

    bool line(int number, const std::vector<std::string>& words) {
        if (words[0] == "track") {
            if (inRepeat)
                return setError(error, file, number, "the repeat at line %d has no \"end\"",
                                repeat.line);
            return header(number, words);
        }
        if (words[0] == "repeat") return repeatHeader(number, words);
        if (words[0] == "end" && words.size() == 1) return repeatEnd(number);
        return key(number, words);
    }
};

} // namespace

std::string formatError(const Error& error) {
    if (error.file.empty()) return error.message;
    if (error.line <= 0) return error.file + ": " + error.message;
    return error.file + ":" + std::to_string(error.line) + ": " + error.message;
}

bool parseMusicMap(const std::string& text, const std::string& file, MusicMap* map, Error* error) {
    *map = MusicMap{{}, false, 0};
    return forEachLine(text, [&](int line, const std::vector<std::string>& words) {
        Place at{file, line};
        if (words[0] == "section") {
            Section section;
            if (words.size() != 4 || !isName(words[1]) || words[1] == "end" ||
                !parseRowNumber(words[2], &section.start) ||
                !parseRowNumber(words[3], &section.end))
                return setError(error, file, line, "expected: section NAME START END");
            section.name = words[1];
            if (section.end <= section.start)
                return setError(error, file, line, "section \"%s\" ends before it starts",
                                section.name.c_str());
            for (const Section& other : map->sections)
                if (other.name == section.name)
                    return setError(error, file, line, "section \"%s\" given twice",
                                    section.name.c_str());
            map->sections.push_back(section);
            return true;
        }
        if (words[0] == "end") {
            if (words.size() != 2 || !parseRowNumber(words[1], &map->endRow))
                return setError(error, at.file, at.line, "expected: end ROW");
            map->hasEnd = true;
        }
        return true;
    });
}

bool parseTracks(const std::string& text, const std::string& file, const MusicMap& map,
                 std::vector<SourceTrack>* tracks, Error* error) {
    return parseTracksWithOrigins(text, file, map, tracks, nullptr, error);
}

bool parseTracksWithOrigins(const std::string& text, const std::string& file, const MusicMap& map,
                            std::vector<SourceTrack>* tracks, SourceOrigins* origins,
                            Error* error) {
    SourceParser parser{file, map, tracks, origins, error, false, INTERP_HOLD, false, {}};
    if (!forEachLine(text, [&](int line, const std::vector<std::string>& words) {
            return parser.line(line, words);
        }))
        return false;
    if (parser.inRepeat)
        return setError(error, file, parser.repeat.line, "the repeat has no \"end\"");
    return true;
}

bool resolvePosition(const std::string& text, const MusicMap& map, const std::string& file,
                     int line, int32_t* row, Error* error) {
    return parsePosition(text, &map, Place{file, line}, row, error);
}

bool checkAllTracks(const std::vector<SourceTrack>& tracks, Error* error) {
    std::string missing;
    int missingCount = 0;
    for (const char* name : kTrackNames) {
        bool found = false;
        for (const SourceTrack& track : tracks)
            found = found || track.name == name;
        if (!found) {
            missing += missing.empty() ? "" : ", ";
            missing += name;
            ++missingCount;
        }
    }
    if (missingCount == 0) return true;
    error->file.clear();
    error->line = 0;
    error->message = std::to_string(missingCount) + " track" + (missingCount == 1 ? "" : "s") +
                     " not defined: " + missing;
    return false;
}

} // namespace trackc
