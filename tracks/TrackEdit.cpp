#include "tracks/TrackEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace trackc {

namespace {

// Positions of new keys are written as bar:beat down to half a beat; finer
// rows are written as rows.
constexpr int32_t kRowsPerHalfBeat = kRowsPerBeat / 2;
constexpr int32_t kHalfBeatsPerBar = kBeatsPerBar * 2;
// formatPosition's unit: a hundredth of a beat.
constexpr int64_t kHundredthsPerRow = 100 / kRowsPerBeat;
constexpr int64_t kHundredthsPerBeat = 100;
constexpr int64_t kHundredthsPerBar = kHundredthsPerBeat * kBeatsPerBar;

// The layout of a new key line when its source has no key line to copy it
// from: the shipped sources' own.
constexpr size_t kDefaultIndent = 4;
constexpr size_t kDefaultValueColumn = 24;
constexpr size_t kDefaultInterpolationGap = 8;

// Values are written in fixed notation with the fewest decimals that read
// back exactly; outside this range of magnitudes in exponent notation.
constexpr double kFixedNotationMin = 1e-6;
constexpr double kFixedNotationMax = 1e9;
constexpr int kMaxFixedDecimals = 16;
constexpr int kMaxSignificantDigits = 9; // enough for any float

const char* const kInterpolationNames[] = {"hold", "linear", "smooth", "quad"};

// The text split at its newlines; joining with '\n' gives it back byte for
// byte, and element i is line i + 1 as the parser counts them.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}

// The words of a key line as byte ranges, and where its comment starts.
struct LineWords {
    std::vector<std::pair<size_t, size_t>> words; // [begin, end)
    size_t comment;                               // npos: none
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

LineWords wordsOf(const std::string& line) {
    LineWords result{{}, std::string::npos};
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == '#') {
            result.comment = i;
            break;
        }
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        size_t begin = i;
        while (i < line.size() && line[i] != '#' && !isBlank(line[i]))
            ++i;
        result.words.push_back({begin, i});
    }
    return result;
}

// What follows the last word or comment: kept, so that a CRLF line stays one.
std::string lineEnding(const std::string& line) {
    return !line.empty() && line.back() == '\r' ? "\r" : "";
}

// Replaces word `index` with `text`, keeping the column of what follows it
// when the new word leaves a blank before it.
std::string replaceWord(const std::string& line, size_t index, const std::string& text) {
    LineWords lw = wordsOf(line);
    size_t begin = lw.words[index].first;
    size_t end = lw.words[index].second;
    size_t next = index + 1 < lw.words.size() ? lw.words[index + 1].first : lw.comment;
    if (next == std::string::npos) return line.substr(0, begin) + text + line.substr(end);
    size_t room = next - begin;
    std::string gap = text.size() < room ? std::string(room - text.size(), ' ') : " ";
    return line.substr(0, begin) + text + gap + line.substr(next);
}

// Writes `text` after word `after` at `column` when it fits there, else after
// one blank; what followed (a comment) keeps its column if it can.
std::string insertWord(const std::string& line, size_t after, const std::string& text,
                       size_t column) {
    LineWords lw = wordsOf(line);
    size_t end = lw.words[after].second;
    size_t start = column > end ? column : end + 1;
    std::string head = line.substr(0, end) + std::string(start - end, ' ') + text;
    if (lw.comment == std::string::npos) return head + lineEnding(line);
    size_t commentColumn = lw.comment;
    size_t pad = commentColumn > head.size() ? commentColumn - head.size() : 1;
    return head + std::string(pad, ' ') + line.substr(lw.comment);
}

const Section* sectionOf(const MusicMap& map, int64_t row) {
    const Section* found = nullptr;
    for (const Section& section : map.sections)
        if (section.start <= row && row < section.end) found = &section;
    return found;
}

// bar:beat of a non-negative length of rows on the half-beat grid.
std::string barBeat(int32_t rows) {
    int32_t halfBeats = rows / kRowsPerHalfBeat;
    int32_t bars = halfBeats / kHalfBeatsPerBar;
    int32_t inBar = halfBeats % kHalfBeatsPerBar;
    std::string text = std::to_string(bars) + ":" + std::to_string(inBar / 2);
    if (inBar % 2 != 0) text += ".5";
    return text;
}

// A repeat's offset as a length: bar:beat on the half-beat grid, else rows.
std::string formatLength(int32_t rows) {
    if (rows == 0 || rows % kRowsPerHalfBeat != 0) return std::to_string(rows);
    return barBeat(rows);
}

// The last row a key may stand on.
int64_t lastRow(const MusicMap& map) {
    if (map.hasEnd) return map.endRow;
    if (map.sections.empty()) return INT32_MAX;
    int64_t last = 0;
    for (const Section& section : map.sections)
        last = std::max<int64_t>(last, section.end);
    return last;
}

// One source as the edits see it.
struct Source {
    std::vector<std::string> lines;
    std::vector<EditTrack> tracks;
    std::vector<RepeatOrigin> repeats;
};

// The compiled tracks joined with where their keys stand.
bool parseWithOrigins(const std::string& text, const std::string& file, const MusicMap& map,
                      std::vector<EditTrack>* tracks, std::vector<RepeatOrigin>* repeats,
                      Error* error) {
    // The tracks read before stand in for the other sources, so that a second
    // definition is refused as parseTracks refuses it.
    std::vector<SourceTrack> compiled;
    for (const EditTrack& earlier : *tracks)
        compiled.push_back(SourceTrack{earlier.name, {}, earlier.file, earlier.line});
    const size_t first = compiled.size();
    SourceOrigins origins;
    if (!parseTracksWithOrigins(text, file, map, &compiled, &origins, error)) return false;
    size_t origin = 0;
    for (size_t i = first; i < compiled.size(); ++i) {
        EditTrack track{
            compiled[i].name, file, compiled[i].line, origins.defaultInterpolations[i - first], {}};
        for (const Key& key : compiled[i].keys) {
            const KeyOrigin& where = origins.keys[origin++];
            track.keys.push_back(
                SourceKey{key, where.line, where.interpolationWritten, where.repeatLine});
        }
        tracks->push_back(track);
    }
    if (repeats != nullptr) *repeats = origins.repeats;
    return true;
}

bool readSource(const std::string& text, const std::string& file, const MusicMap& map,
                Source* source, Error* error) {
    source->lines = splitLines(text);
    source->tracks.clear();
    return parseWithOrigins(text, file, map, &source->tracks, &source->repeats, error);
}

const RepeatOrigin* repeatAt(const Source& source, int line) {
    for (const RepeatOrigin& repeat : source.repeats)
        if (repeat.line == line) return &repeat;
    return nullptr;
}

int keyIndex(const EditTrack& track, int32_t row) {
    for (size_t i = 0; i < track.keys.size(); ++i)
        if (track.keys[i].key.row == row) return int(i);
    return -1;
}

// The last line of the text that makes a key: its own line, or its repeat's end.
int unitEnd(const Source& source, const SourceKey& key) {
    if (key.repeatLine == 0) return key.line;
    return repeatAt(source, key.repeatLine)->endLine;
}

// The key line whose layout a new line of this track copies: the nearest own
// line of the track before `line`, then after it, then any in the file.
int layoutLine(const Source& source, const EditTrack& track, int line) {
    int best = 0;
    int bestDistance = INT32_MAX;
    for (const SourceKey& key : track.keys) {
        if (key.repeatLine != 0) continue;
        // Lines before the new one count as nearer than those after it.
        int distance = key.line <= line ? 2 * (line - key.line) : 2 * (key.line - line) + 1;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = key.line;
        }
    }
    if (best != 0) return best;
    for (const EditTrack& other : source.tracks)
        for (const SourceKey& key : other.keys)
            if (key.repeatLine == 0) return key.line;
    return 0;
}

// The column of interpolation names next to this track's keys (any key line
// of the track, then of the file, that names one), or 0.
size_t interpolationColumn(const Source& source, const EditTrack& track) {
    for (int pass = 0; pass < 2; ++pass) {
        for (const EditTrack& candidate : source.tracks) {
            if (pass == 0 && candidate.name != track.name) continue;
            for (const SourceKey& key : candidate.keys) {
                if (!key.interpolationWritten) continue;
                LineWords lw = wordsOf(source.lines[key.line - 1]);
                if (lw.words.size() == 3) return lw.words[2].first;
            }
        }
    }
    return 0;
}

// Where an interpolation name goes on this key line that has none.
size_t interpolationColumnOf(const std::string& line, const Source& source,
                             const EditTrack& track) {
    size_t column = interpolationColumn(source, track);
    return column != 0 ? column : wordsOf(line).words[1].first + kDefaultInterpolationGap;
}

// A new key line: position, value and (when written) interpolation and
// comment (with the blanks before it), laid out like the reference line.
std::string newKeyLine(const Source& source, const EditTrack& track, int near,
                       const std::string& position, const std::string& value,
                       const std::string& interpolation, const std::string& comment) {
    size_t valueColumn = kDefaultValueColumn;
    std::string ending;
    std::string indentText(kDefaultIndent, ' ');
    int reference = layoutLine(source, track, near);
    if (reference != 0) {
        const std::string& line = source.lines[reference - 1];
        LineWords lw = wordsOf(line);
        indentText = line.substr(0, lw.words[0].first);
        valueColumn = lw.words[1].first;
        ending = lineEnding(line);
    }
    std::string text = indentText + position;
    text += std::string(valueColumn > text.size() ? valueColumn - text.size() : 1, ' ');
    size_t valueStart = text.size();
    text += value;
    if (!interpolation.empty()) {
        size_t column = interpolationColumn(source, track);
        if (column == 0) column = valueStart + kDefaultInterpolationGap;
        text += std::string(column > text.size() ? column - text.size() : 1, ' ');
        text += interpolation;
    }
    text += comment;
    return text + ending;
}

bool sameKeys(const std::vector<Key>& a, const std::vector<Key>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].row != b[i].row || a[i].value != b[i].value ||
            a[i].interpolation != b[i].interpolation)
            return false;
    return true;
}

std::vector<Key> keysOf(const EditTrack& track) {
    std::vector<Key> keys;
    for (const SourceKey& key : track.keys)
        keys.push_back(key.key);
    return keys;
}

bool keyBefore(const Key& a, const Key& b) {
    return a.row < b.row;
}

// The edits of one batch, applied one at a time to the lines of one source.
struct Editor {
    const std::string& file;
    const MusicMap& map;
    Error* error;
    Source source;
    std::set<int> patternLines; // pattern keys this batch has edited

    bool reread() { return readSource(joinLines(source.lines), file, map, &source, error); }

    // Parses the edited lines and checks that `track` now has exactly
    // `expected` and every other track what it had.
    bool check(const std::string& track, const std::vector<Key>& expected,
               const std::vector<EditTrack>& before) {
        if (!reread()) return false;
        if (source.tracks.size() != before.size())
            return setError(error, file, 0, "the edit would change the file's tracks");
        for (size_t i = 0; i < before.size(); ++i) {
            const std::vector<Key>& want = before[i].name == track ? expected : keysOf(before[i]);
            if (source.tracks[i].name != before[i].name ||
                !sameKeys(keysOf(source.tracks[i]), want))
                return setError(error, file, 0,
                                "the edit would not give the keys of \"%s\" asked for",
                                before[i].name.c_str());
        }
        return true;
    }

    bool checkRow(const EditTrack& track, int64_t row) {
        if (row < 0)
            return setError(error, file, 0, "row %lld of \"%s\" is before row 0",
                            static_cast<long long>(row), track.name.c_str());
        if (row > lastRow(map))
            return setError(error, file, 0,
                            "row %lld of \"%s\" is after the music's end (row %lld)",
                            static_cast<long long>(row), track.name.c_str(),
                            static_cast<long long>(lastRow(map)));
        return true;
    }

    bool claimPattern(const SourceKey& key) {
        if (!patternLines.insert(key.line).second)
            return setError(error, file, key.line,
                            "the pattern key is edited twice in one edit (the repeat at line %d)",
                            key.repeatLine);
        return true;
    }

    // Where a new key at `row` goes: the line it follows, or 0 and a refusal.
    int insertAfter(const EditTrack& track, int32_t row) {
        const SourceKey* previous = nullptr;
        const SourceKey* next = nullptr;
        for (const SourceKey& key : track.keys) {
            if (key.key.row < row) previous = &key;
            if (key.key.row > row && next == nullptr) next = &key;
        }
        if (previous != nullptr && next != nullptr && previous->repeatLine != 0 &&
            previous->repeatLine == next->repeatLine) {
            setError(error, file, previous->repeatLine,
                     "row %d of \"%s\" falls between two keys of this repeat", row,
                     track.name.c_str());
            return 0;
        }
        return previous != nullptr ? unitEnd(source, *previous) : track.line;
    }

    bool insertKey(const EditTrack& track, int32_t row, const std::string& value,
                   const std::string& interpolation, const std::string& comment) {
        int after = insertAfter(track, row);
        if (after == 0) return false;
        std::string line = newKeyLine(source, track, after, formatKeyPosition(map, row), value,
                                      interpolation, comment);
        source.lines.insert(source.lines.begin() + after, line);
        return true;
    }

    bool set(const EditTrack& track, const KeyEdit& edit) {
        if (edit.hasValue && !std::isfinite(edit.value))
            return setError(error, file, 0, "a value of \"%s\" must be a finite number",
                            track.name.c_str());
        const std::vector<EditTrack> before = source.tracks;
        std::vector<Key> expected = keysOf(track);
        int index = keyIndex(track, edit.row);
        if (index < 0) {
            if (!edit.hasValue)
                return setError(error, file, 0, "no key at row %d of \"%s\"", edit.row,
                                track.name.c_str());
            if (!checkRow(track, edit.row)) return false;
            int32_t interpolation = edit.interpolation == kKeepInterpolation
                                        ? track.defaultInterpolation
                                        : edit.interpolation;
            std::string written = edit.interpolation == kKeepInterpolation ||
                                          edit.interpolation == track.defaultInterpolation
                                      ? ""
                                      : kInterpolationNames[interpolation];
            expected.push_back(Key{edit.row, edit.value, interpolation});
            std::sort(expected.begin(), expected.end(), keyBefore);
            if (!insertKey(track, edit.row, formatValue(edit.value), written, "")) return false;
            return check(track.name, expected, before);
        }
        const SourceKey key = track.keys[index];
        float value = edit.hasValue ? edit.value : key.key.value;
        int32_t interpolation =
            edit.interpolation == kKeepInterpolation ? key.key.interpolation : edit.interpolation;
        if (value == key.key.value && interpolation == key.key.interpolation) return true;
        if (key.repeatLine != 0 && !claimPattern(key)) return false;
        std::string& line = source.lines[key.line - 1];
        if (value != key.key.value) line = replaceWord(line, 1, formatValue(value));
        if (interpolation != key.key.interpolation) {
            const char* name = kInterpolationNames[interpolation];
            if (key.interpolationWritten)
                line = replaceWord(line, 2, name);
            else
                line = insertWord(line, 1, name, interpolationColumnOf(line, source, track));
        }
        for (size_t i = 0; i < expected.size(); ++i) {
            if (track.keys[i].line != key.line) continue;
            expected[i].value = value;
            expected[i].interpolation = interpolation;
        }
        return check(track.name, expected, before);
    }

    bool remove(const EditTrack& track, const KeyEdit& edit) {
        int index = keyIndex(track, edit.row);
        if (index < 0)
            return setError(error, file, 0, "no key at row %d of \"%s\"", edit.row,
                            track.name.c_str());
        const std::vector<EditTrack> before = source.tracks;
        const SourceKey key = track.keys[index];
        if (key.repeatLine != 0) {
            if (repeatAt(source, key.repeatLine)->keyLines.size() == 1)
                return setError(error, file, key.repeatLine,
                                "the key at row %d of \"%s\" is this repeat's only one; delete "
                                "the repeat in its source",
                                edit.row, track.name.c_str());
            if (!claimPattern(key)) return false;
        }
        std::vector<Key> expected;
        for (const SourceKey& other : track.keys)
            if (other.line != key.line) expected.push_back(other.key);
        source.lines.erase(source.lines.begin() + (key.line - 1));
        return check(track.name, expected, before);
    }

    bool move(const EditTrack& track, const KeyEdit& edit) {
        int index = keyIndex(track, edit.row);
        if (index < 0)
            return setError(error, file, 0, "no key at row %d of \"%s\"", edit.row,
                            track.name.c_str());
        if (edit.rows == 0) return true;
        const SourceKey key = track.keys[index];
        if (key.repeatLine != 0) return movePattern(track, key, edit.rows);
        int64_t target = int64_t(edit.row) + edit.rows;
        if (!checkRow(track, target)) return false;
        int32_t row = static_cast<int32_t>(target);
        int other = keyIndex(track, row);
        if (other >= 0)
            return setError(error, file, track.keys[other].line,
                            "row %d of \"%s\" has a key already", row, track.name.c_str());
        const std::vector<EditTrack> before = source.tracks;
        std::vector<Key> expected = keysOf(track);
        expected[index].row = row;
        std::sort(expected.begin(), expected.end(), keyBefore);
        // Between the same neighbours the key keeps its line; otherwise its
        // line (value, interpolation and comment as written) moves among them.
        bool stays = true;
        for (const SourceKey& other : track.keys)
            if (other.line != key.line && (other.key.row < edit.row) != (other.key.row < row))
                stays = false;
        std::string& line = source.lines[key.line - 1];
        if (stays) {
            line = replaceWord(line, 0, formatKeyPosition(map, row));
            return check(track.name, expected, before);
        }
        LineWords lw = wordsOf(line);
        std::string value = line.substr(lw.words[1].first, lw.words[1].second - lw.words[1].first);
        std::string interpolation =
            lw.words.size() == 3
                ? line.substr(lw.words[2].first, lw.words[2].second - lw.words[2].first)
                : "";
        // The comment with the blanks before it, so it keeps its distance.
        std::string comment =
            lw.comment == std::string::npos ? "" : line.substr(lw.words.back().second);
        if (!comment.empty() && comment.back() == '\r') comment.pop_back();
        source.lines.erase(source.lines.begin() + (key.line - 1));
        if (!reread()) return false;
        const EditTrack* moved = nullptr;
        for (const EditTrack& candidate : source.tracks)
            if (candidate.name == track.name) moved = &candidate;
        if (!insertKey(*moved, row, value, interpolation, comment)) return false;
        return check(track.name, expected, before);
    }

    // Moves a repeat's pattern key: its offset, so all its instances.
    bool movePattern(const EditTrack& track, const SourceKey& key, int32_t rows) {
        const RepeatOrigin repeat = *repeatAt(source, key.repeatLine);
        size_t at = 0;
        while (repeat.keyLines[at] != key.line)
            ++at;
        int64_t offset = int64_t(repeat.offsets[at]) + rows;
        if (offset < 0 || offset >= repeat.period)
            return setError(error, file, key.line,
                            "offset %lld would leave the period %d of the repeat at line %d",
                            static_cast<long long>(offset), repeat.period, repeat.line);
        if ((at > 0 && offset <= repeat.offsets[at - 1]) ||
            (at + 1 < repeat.offsets.size() && offset >= repeat.offsets[at + 1]))
            return setError(error, file, key.line,
                            "offset %lld would reach another key of the repeat at line %d",
                            static_cast<long long>(offset), repeat.line);
        if (!claimPattern(key)) return false;
        const std::vector<EditTrack> before = source.tracks;
        std::vector<Key> expected;
        for (const SourceKey& other : track.keys)
            if (other.line != key.line) expected.push_back(other.key);
        for (int64_t start = repeat.from; start < repeat.to; start += repeat.period) {
            int64_t row = start + offset;
            if (row >= repeat.to) continue;
            expected.push_back(
                Key{static_cast<int32_t>(row), key.key.value, key.key.interpolation});
        }
        std::stable_sort(expected.begin(), expected.end(), keyBefore);
        std::string& line = source.lines[key.line - 1];
        line = replaceWord(line, 0, formatLength(static_cast<int32_t>(offset)));
        return check(track.name, expected, before);
    }

    bool apply(const KeyEdit& edit) {
        const EditTrack* track = nullptr;
        for (const EditTrack& candidate : source.tracks)
            if (candidate.name == edit.track) track = &candidate;
        if (track == nullptr)
            return setError(error, file, 0, "the file defines no track \"%s\"", edit.track.c_str());
        if (edit.kind == KEY_SET && edit.interpolation != kKeepInterpolation &&
            (edit.interpolation < INTERP_HOLD || edit.interpolation > INTERP_QUADRATIC))
            return setError(error, file, 0, "interpolation %d of \"%s\" is none of the four",
                            edit.interpolation, edit.track.c_str());
        // The track is copied: the edits rewrite source.tracks.
        const EditTrack copy = *track;
        switch (edit.kind) {
        case KEY_SET:
            return set(copy, edit);
        case KEY_DELETE:
            return remove(copy, edit);
        case KEY_MOVE:
            return move(copy, edit);
        }
        return setError(error, file, 0, "unknown edit %d", int(edit.kind));
    }
};

} // namespace

bool parseSourceKeys(const std::string& text, const std::string& file, const MusicMap& map,
                     std::vector<EditTrack>* tracks, Error* error) {
    return parseWithOrigins(text, file, map, tracks, nullptr, error);
}

KeyEdit setKey(const std::string& track, int32_t row, float value, int32_t interpolation) {
    return KeyEdit{KEY_SET, track, row, true, value, interpolation, 0};
}

KeyEdit setInterpolation(const std::string& track, int32_t row, int32_t interpolation) {
    return KeyEdit{KEY_SET, track, row, false, 0, interpolation, 0};
}

KeyEdit deleteKey(const std::string& track, int32_t row) {
    return KeyEdit{KEY_DELETE, track, row, false, 0, kKeepInterpolation, 0};
}

KeyEdit moveKey(const std::string& track, int32_t row, int32_t rows) {
    return KeyEdit{KEY_MOVE, track, row, false, 0, kKeepInterpolation, rows};
}

bool applyKeyEdits(const std::string& text, const std::string& file, const MusicMap& map,
                   const std::vector<KeyEdit>& edits, std::string* result, Error* error) {
    Editor editor{file, map, error, {}, {}};
    if (!readSource(text, file, map, &editor.source, error)) return false;
    for (const KeyEdit& edit : edits)
        if (!editor.apply(edit)) return false;
    *result = joinLines(editor.source.lines);
    return true;
}

std::vector<KeyEdit> editsOfFile(const std::vector<EditTrack>& tracks,
                                 const std::vector<KeyEdit>& edits, const std::string& file) {
    std::vector<KeyEdit> mine;
    for (const KeyEdit& edit : edits)
        for (const EditTrack& track : tracks)
            if (track.name == edit.track && track.file == file) mine.push_back(edit);
    return mine;
}

KeyBlock copyKeyBlock(const std::vector<EditTrack>& tracks, const std::vector<std::string>& names,
                      int32_t firstRow, int32_t rows) {
    KeyBlock block{rows, names, {}};
    for (const std::string& name : names) {
        std::vector<Key> keys;
        for (const EditTrack& track : tracks) {
            if (track.name != name) continue;
            for (const SourceKey& key : track.keys) {
                int64_t row = int64_t(key.key.row) - firstRow;
                if (row < 0 || row >= rows) continue;
                Key copied = key.key;
                copied.row = static_cast<int32_t>(row);
                keys.push_back(copied);
            }
        }
        block.keys.push_back(keys);
    }
    return block;
}

std::vector<KeyEdit> pasteKeyBlock(const KeyBlock& block, const std::vector<std::string>& into,
                                   int32_t row) {
    std::vector<KeyEdit> edits;
    for (size_t column = 0; column < block.keys.size() && column < into.size(); ++column)
        for (const Key& key : block.keys[column]) {
            // A row past the int32 range is refused by the edit as after the end.
            int64_t at = std::min<int64_t>(int64_t(row) + key.row, INT32_MAX);
            edits.push_back(
                setKey(into[column], static_cast<int32_t>(at), key.value, key.interpolation));
        }
    return edits;
}

std::string formatKeyPosition(const MusicMap& map, int32_t row) {
    if (map.hasEnd && row == map.endRow) return "end";
    const Section* section = sectionOf(map, row);
    int32_t offset = section != nullptr ? row - section->start : row;
    if (offset < 0 || offset % kRowsPerHalfBeat != 0) return std::to_string(row);
    if (section == nullptr) return barBeat(offset);
    if (offset == 0) return section->name;
    return section->name + "+" + barBeat(offset);
}

std::string formatPosition(const MusicMap& map, double row) {
    char text[64];
    // Beyond the rows of a track file no section applies (and hundredths of
    // a beat would overflow).
    if (!std::isfinite(row) || std::fabs(row) > INT32_MAX) {
        snprintf(text, sizeof text, "%.2f", row);
        return text;
    }
    if (row == std::floor(row)) {
        int32_t whole = static_cast<int32_t>(row);
        const Section* section = sectionOf(map, whole);
        int32_t offset = section != nullptr ? whole - section->start : whole;
        if ((map.hasEnd && whole == map.endRow) || (offset >= 0 && offset % kRowsPerHalfBeat == 0))
            return formatKeyPosition(map, whole);
    }
    int64_t hundredths = std::llround(row * kHundredthsPerRow);
    if (map.hasEnd && hundredths == int64_t(map.endRow) * kHundredthsPerRow) return "end";
    const Section* section = nullptr;
    for (const Section& candidate : map.sections)
        if (int64_t(candidate.start) * kHundredthsPerRow <= hundredths &&
            hundredths < int64_t(candidate.end) * kHundredthsPerRow)
            section = &candidate;
    int64_t offset =
        hundredths - (section != nullptr ? int64_t(section->start) * kHundredthsPerRow : 0);
    if (offset < 0) {
        snprintf(text, sizeof text, "%.2f", row);
        return text;
    }
    int64_t inBar = offset % kHundredthsPerBar;
    snprintf(text, sizeof text, "%lld:%lld.%02lld",
             static_cast<long long>(offset / kHundredthsPerBar),
             static_cast<long long>(inBar / kHundredthsPerBeat),
             static_cast<long long>(inBar % kHundredthsPerBeat));
    return section != nullptr ? section->name + "+" + text : text;
}

std::string formatValue(float value) {
    char text[64];
    double magnitude = std::fabs(double(value));
    if (value == 0 || (magnitude >= kFixedNotationMin && magnitude < kFixedNotationMax)) {
        for (int decimals = 0; decimals <= kMaxFixedDecimals; ++decimals) {
            snprintf(text, sizeof text, "%.*f", decimals, double(value));
            if (static_cast<float>(std::strtod(text, nullptr)) == value) return text;
        }
    }
    for (int digits = 1; digits < kMaxSignificantDigits; ++digits) {
        snprintf(text, sizeof text, "%.*g", digits, double(value));
        if (static_cast<float>(std::strtod(text, nullptr)) == value) return text;
    }
    snprintf(text, sizeof text, "%.*g", kMaxSignificantDigits, double(value));
    return text;
}

} // namespace trackc
