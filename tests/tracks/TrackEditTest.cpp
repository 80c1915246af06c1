#include "tracks/EditHistory.h"
#include "tracks/TrackEdit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace trackc;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

MusicMap showMap() {
    MusicMap map;
    Error error;
    EXPECT_TRUE(
        parseMusicMap(readFile(std::string(TRACKS_DIR) + "music-map.txt"), "map", &map, &error))
        << formatError(error);
    return map;
}

std::vector<std::string> shippedSources() {
    std::vector<std::string> names;
    DIR* dir = opendir(TRACKS_DIR);
    EXPECT_NE(dir, nullptr);
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 7 && name.compare(name.size() - 7, 7, ".tracks") == 0)
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
}

// A line-by-line diff (longest common subsequence): the 1-based numbers of the
// original's lines that are gone, and how many lines of the result are new.
struct Diff {
    std::set<int> removed;
    int added;
};

Diff diffLines(const std::string& before, const std::string& after) {
    std::vector<std::string> a = linesOf(before), b = linesOf(after);
    std::vector<std::vector<int>> common(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1
                                        : std::max(common[i + 1][j], common[i][j + 1]);
    Diff diff{{}, 0};
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            ++i, ++j;
        } else if (j == b.size() || (i < a.size() && common[i + 1][j] >= common[i][j + 1])) {
            diff.removed.insert(int(i++) + 1);
        } else {
            ++diff.added, ++j;
        }
    }
    return diff;
}

// Compiled with the track compiler itself, not with the editor's reading.
std::vector<SourceTrack> compile(const std::string& text, const MusicMap& map) {
    std::vector<SourceTrack> tracks;
    Error error;
    EXPECT_TRUE(parseTracks(text, "edited", map, &tracks, &error)) << formatError(error);
    return tracks;
}

bool sameKeys(const std::vector<Key>& a, const std::vector<Key>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].row != b[i].row || a[i].value != b[i].value ||
            a[i].interpolation != b[i].interpolation)
            return false;
    return true;
}

// What a case does to one source: the edits, and what the track compiler must
// then give and which lines may change.
struct Planned {
    std::vector<KeyEdit> edits;
    std::vector<SourceTrack> expected;
    std::set<int> removed; // original lines replaced or deleted
    int added;             // new or rewritten lines
};

using Plan = std::function<bool(const std::vector<EditTrack>&, std::vector<SourceTrack>, Planned*)>;

const SourceKey* ownKey(const EditTrack& track, size_t skip = 0) {
    for (const SourceKey& key : track.keys)
        if (key.repeatLine == 0 && skip-- == 0) return &key;
    return nullptr;
}

bool hasKeyAt(const EditTrack& track, int64_t row) {
    for (const SourceKey& key : track.keys)
        if (key.key.row == row) return true;
    return false;
}

void sortKeys(std::vector<Key>* keys) {
    std::sort(keys->begin(), keys->end(), [](const Key& a, const Key& b) { return a.row < b.row; });
}

std::vector<Key>& keysNamed(std::vector<SourceTrack>& tracks, const std::string& name) {
    for (SourceTrack& track : tracks)
        if (track.name == name) return track.keys;
    ADD_FAILURE() << name;
    return tracks[0].keys;
}

// A new key at `row` of `track` lands between two keys of one repeat.
bool insideRepeat(const EditTrack& track, int64_t row) {
    const SourceKey* before = nullptr;
    const SourceKey* after = nullptr;
    for (const SourceKey& key : track.keys) {
        if (key.key.row < row) before = &key;
        if (key.key.row > row && after == nullptr) after = &key;
    }
    return before != nullptr && after != nullptr && before->repeatLine != 0 &&
           before->repeatLine == after->repeatLine;
}

const int64_t kEndRow = 3840;

} // namespace

TEST(TrackEdit, KeysKnowTheirLines) {
    MusicMap map = showMap();
    for (const std::string& name : shippedSources()) {
        std::string text = readFile(TRACKS_DIR + name);
        std::vector<std::string> lines = linesOf(text);
        std::vector<EditTrack> tracks;
        Error error;
        ASSERT_TRUE(parseSourceKeys(text, name, map, &tracks, &error)) << formatError(error);
        std::vector<SourceTrack> compiled = compile(text, map);
        ASSERT_EQ(tracks.size(), compiled.size()) << name;
        for (size_t t = 0; t < tracks.size(); ++t) {
            EXPECT_EQ(tracks[t].line, compiled[t].line);
            std::vector<Key> keys;
            for (const SourceKey& key : tracks[t].keys) {
                keys.push_back(key.key);
                std::istringstream words(lines[key.line - 1]);
                std::string position, value, interpolation;
                words >> position >> value >> interpolation;
                EXPECT_EQ(key.interpolationWritten,
                          !interpolation.empty() && interpolation[0] != '#')
                    << name << ":" << key.line;
                if (key.repeatLine == 0) {
                    int32_t row = -1;
                    EXPECT_TRUE(resolvePosition(position, map, name, key.line, &row, &error));
                    EXPECT_EQ(row, key.key.row) << name << ":" << key.line;
                } else {
                    EXPECT_EQ(lines[key.repeatLine - 1].find("repeat"),
                              lines[key.repeatLine - 1].find_first_not_of(' '));
                    EXPECT_GT(key.line, key.repeatLine);
                }
            }
            EXPECT_TRUE(sameKeys(keys, compiled[t].keys)) << tracks[t].name;
        }
    }
}

TEST(TrackEdit, EditsOfEveryShippedSource) {
    MusicMap map = showMap();
    // Each plan finds a key of the kind it needs in the source, or says the
    // source has none.
    const struct {
        const char* name;
        Plan plan;
    } cases[] = {
        {"change a value",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 const SourceKey* key = ownKey(track);
                 if (key == nullptr) continue;
                 float value = key->key.value + 0.25f;
                 p->edits = {setKey(track.name, key->key.row, value)};
                 for (Key& k : keysNamed(model, track.name))
                     if (k.row == key->key.row) k.value = value;
                 p->expected = model;
                 p->removed = {key->line};
                 p->added = 1;
                 return true;
             }
             return false;
         }},
        {"change an interpolation",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 const SourceKey* key = ownKey(track, 1);
                 if (key == nullptr) continue;
                 int32_t interpolation = (key->key.interpolation + 1) % 4;
                 p->edits = {setInterpolation(track.name, key->key.row, interpolation)};
                 for (Key& k : keysNamed(model, track.name))
                     if (k.row == key->key.row) k.interpolation = interpolation;
                 p->expected = model;
                 p->removed = {key->line};
                 p->added = 1;
                 return true;
             }
             return false;
         }},
        {"insert before the first key",
         // The shipped tracks all start at row 0: the first key moves a row
         // later, then the new key takes row 0.
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 const SourceKey* first = ownKey(track);
                 if (first == nullptr || first != &track.keys[0] ||
                     hasKeyAt(track, first->key.row + 1))
                     continue;
                 int32_t row = first->key.row;
                 p->edits = {moveKey(track.name, row, 1), setKey(track.name, row, 0.5f)};
                 std::vector<Key>& keys = keysNamed(model, track.name);
                 keys[0].row = row + 1;
                 keys.insert(keys.begin(), Key{row, 0.5f, track.defaultInterpolation});
                 p->expected = model;
                 p->removed = {first->line};
                 p->added = 2;
                 return true;
             }
             return false;
         }},
        {"insert between keys",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 for (size_t i = 0; i + 1 < track.keys.size(); ++i) {
                     const SourceKey& a = track.keys[i];
                     const SourceKey& b = track.keys[i + 1];
                     if (a.repeatLine != 0 || b.repeatLine != 0 || b.key.row - a.key.row < 2)
                         continue;
                     int32_t row = (a.key.row + b.key.row) / 2;
                     p->edits = {setKey(track.name, row, -1.5f, INTERP_QUADRATIC)};
                     std::vector<Key>& keys = keysNamed(model, track.name);
                     keys.push_back(Key{row, -1.5f, INTERP_QUADRATIC});
                     sortKeys(&keys);
                     p->expected = model;
                     p->added = 1;
                     return true;
                 }
             }
             return false;
         }},
        {"insert after the last key",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 int64_t row = track.keys.back().key.row + 5;
                 if (row > kEndRow) continue;
                 p->edits = {setKey(track.name, int32_t(row), 2)};
                 keysNamed(model, track.name)
                     .push_back(Key{int32_t(row), 2, track.defaultInterpolation});
                 p->expected = model;
                 p->added = 1;
                 return true;
             }
             return false;
         }},
        {"delete",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 const SourceKey* key = ownKey(track, 1);
                 if (key == nullptr) continue;
                 p->edits = {deleteKey(track.name, key->key.row)};
                 std::vector<Key>& keys = keysNamed(model, track.name);
                 keys.erase(std::find_if(keys.begin(), keys.end(),
                                         [&](const Key& k) { return k.row == key->key.row; }));
                 p->expected = model;
                 p->removed = {key->line};
                 p->added = 0;
                 return true;
             }
             return false;
         }},
        {"edit inside a repeat: every instance",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 for (const SourceKey& key : track.keys) {
                     if (key.repeatLine == 0) continue;
                     p->edits = {setKey(track.name, key.key.row, 3.75f, INTERP_SMOOTHSTEP)};
                     std::vector<Key>& keys = keysNamed(model, track.name);
                     for (size_t i = 0; i < keys.size(); ++i)
                         if (track.keys[i].line == key.line)
                             keys[i].value = 3.75f, keys[i].interpolation = INTERP_SMOOTHSTEP;
                     p->expected = model;
                     p->removed = {key.line};
                     p->added = 1;
                     return true;
                 }
             }
             return false;
         }},
        {"move a repeat's key: every instance",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             // A pattern key one row later, where the next offset (or the
             // period) leaves room and no instance meets another key.
             for (const EditTrack& track : tracks) {
                 for (size_t i = 0; i < track.keys.size(); ++i) {
                     const SourceKey& key = track.keys[i];
                     if (key.repeatLine == 0) continue;
                     std::vector<Key> keys;
                     bool clash = false;
                     for (size_t j = 0; j < track.keys.size(); ++j) {
                         Key k = track.keys[j].key;
                         if (track.keys[j].line == key.line) ++k.row;
                         clash = clash || (track.keys[j].line == key.line &&
                                           (hasKeyAt(track, k.row) || j + 1 == track.keys.size() ||
                                            track.keys[j + 1].repeatLine != key.repeatLine));
                         keys.push_back(k);
                     }
                     if (clash) continue;
                     p->edits = {moveKey(track.name, key.key.row, 1)};
                     sortKeys(&keys);
                     keysNamed(model, track.name) = keys;
                     p->expected = model;
                     p->removed = {key.line};
                     p->added = 1;
                     return true;
                 }
             }
             return false;
         }},
        {"move a key by a beat",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 for (size_t i = 0; i + 1 < track.keys.size(); ++i) {
                     const SourceKey& key = track.keys[i];
                     int64_t row = key.key.row + kRowsPerBeat;
                     if (key.repeatLine != 0 || hasKeyAt(track, row) || row > kEndRow ||
                         insideRepeat(track, row))
                         continue;
                     p->edits = {moveKey(track.name, key.key.row, kRowsPerBeat)};
                     std::vector<Key>& keys = keysNamed(model, track.name);
                     keys[i].row = int32_t(row);
                     sortKeys(&keys);
                     p->expected = model;
                     p->removed = {key.line};
                     p->added = 1;
                     return true;
                 }
             }
             return false;
         }},
        {"move a key past its neighbour",
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             for (const EditTrack& track : tracks) {
                 for (size_t i = 0; i + 1 < track.keys.size(); ++i) {
                     const SourceKey& key = track.keys[i];
                     int64_t row = track.keys[i + 1].key.row + 1;
                     if (key.repeatLine != 0 || track.keys[i + 1].repeatLine != 0 ||
                         hasKeyAt(track, row) || row > kEndRow || insideRepeat(track, row))
                         continue;
                     p->edits = {moveKey(track.name, key.key.row, int32_t(row - key.key.row))};
                     std::vector<Key>& keys = keysNamed(model, track.name);
                     keys[i].row = int32_t(row);
                     sortKeys(&keys);
                     p->expected = model;
                     p->removed = {key.line};
                     p->added = 1;
                     return true;
                 }
             }
             return false;
         }},
        {"paste a block",
         // Two tracks' keys of one bar, pasted into each other's columns (one
         // track: a bar later), where neither destination has repeat keys.
         [](const std::vector<EditTrack>& tracks, std::vector<SourceTrack> model, Planned* p) {
             const int32_t rows = kRowsPerBar;
             for (size_t t = 0; t < tracks.size(); ++t) {
                 size_t other = tracks.size() > 1 ? (t + 1) % tracks.size() : t;
                 int32_t shift = other == t ? rows : 0;
                 for (const SourceKey& start : tracks[t].keys) {
                     int32_t from = start.key.row;
                     std::vector<std::string> names = {tracks[t].name};
                     std::vector<std::string> into = {tracks[other].name};
                     if (other != t) {
                         names.push_back(tracks[other].name);
                         into.push_back(tracks[t].name);
                     }
                     KeyBlock block = copyKeyBlock(tracks, names, from, rows);
                     std::vector<KeyEdit> edits = pasteKeyBlock(block, into, from + shift);
                     bool usable = !edits.empty();
                     Planned planned{edits, model, {}, 0};
                     for (const KeyEdit& edit : edits) {
                         const EditTrack* dest = nullptr;
                         for (const EditTrack& candidate : tracks)
                             if (candidate.name == edit.track) dest = &candidate;
                         if (edit.row > kEndRow || insideRepeat(*dest, edit.row)) usable = false;
                         std::vector<Key>& keys = keysNamed(planned.expected, edit.track);
                         Key pasted{edit.row, edit.value, edit.interpolation};
                         bool found = false;
                         for (const SourceKey& old : dest->keys) {
                             if (old.key.row != edit.row) continue;
                             found = true;
                             if (old.repeatLine != 0) usable = false;
                             if (!sameKeys({old.key}, {pasted})) {
                                 planned.removed.insert(old.line);
                                 ++planned.added;
                             }
                             for (Key& k : keys)
                                 if (k.row == edit.row) k = pasted;
                         }
                         if (!found) {
                             keys.push_back(pasted);
                             sortKeys(&keys);
                             ++planned.added;
                         }
                     }
                     if (!usable || planned.added == 0) continue;
                     *p = planned;
                     return true;
                 }
             }
             return false;
         }},
    };

    std::vector<int> applied(sizeof cases / sizeof cases[0], 0);
    for (const std::string& name : shippedSources()) {
        const std::string original = readFile(TRACKS_DIR + name);
        std::vector<EditTrack> tracks;
        Error error;
        ASSERT_TRUE(parseSourceKeys(original, name, map, &tracks, &error)) << formatError(error);
        for (size_t c = 0; c < applied.size(); ++c) {
            Planned planned{{}, {}, {}, 0};
            if (!cases[c].plan(tracks, compile(original, map), &planned)) continue;
            ++applied[c];
            SCOPED_TRACE(name + ": " + cases[c].name);
            std::string edited;
            ASSERT_TRUE(applyKeyEdits(original, name, map, planned.edits, &edited, &error))
                << formatError(error);
            std::vector<SourceTrack> got = compile(edited, map);
            ASSERT_EQ(got.size(), planned.expected.size());
            for (size_t t = 0; t < got.size(); ++t)
                EXPECT_TRUE(sameKeys(got[t].keys, planned.expected[t].keys)) << got[t].name;
            Diff diff = diffLines(original, edited);
            EXPECT_EQ(diff.removed, planned.removed);
            EXPECT_EQ(diff.added, planned.added);

            EditHistory history;
            recordEdit(&history, {{name, original, edited}});
            std::vector<FileBytes> writes;
            ASSERT_TRUE(undoEdit(&history, {{name, edited}}, &writes, &error));
            ASSERT_EQ(writes.size(), 1u);
            EXPECT_EQ(writes[0].bytes, original);
            ASSERT_TRUE(redoEdit(&history, {{name, original}}, &writes, &error));
            EXPECT_EQ(writes[0].bytes, edited);
        }
    }
    for (size_t c = 0; c < applied.size(); ++c)
        EXPECT_GE(applied[c], 3) << cases[c].name << " found too few sources to edit";
}

TEST(TrackEdit, LinesKeepTheirLayout) {
    MusicMap map = showMap();
    const std::string source = "# head\n"
                               "track strobo\n"
                               "    0           1.25    linear  # first\n"
                               "    drop1       2               # second\n"
                               "    repeat every 0:1 from drop1+1:0 to drop1+2:0\n"
                               "        0       1\n"
                               "    end\n"
                               "    drop1+4:0   3\n"
                               "\n"
                               "# the next\n"
                               "track eq:br\n";
    const struct {
        const char* what;
        std::string text;
        std::vector<KeyEdit> edits;
        std::string result;
    } cases[] = {
        {"a shorter value keeps the columns",
         source,
         {setKey("strobo", 0, 2)},
         "    0           2       linear  # first\n"},
        {"a longer one pushes what follows",
         source,
         {setKey("strobo", 0, 12345.25f)},
         "    0           12345.25 linear  # first\n"},
        {"an interpolation goes into the track's column",
         source,
         {setInterpolation("strobo", 960, INTERP_SMOOTHSTEP)},
         "    drop1       2       smooth  # second\n"},
        {"a new key copies its neighbour's layout",
         source,
         {setKey("strobo", 970, 0.5f, INTERP_LINEAR)},
         "    drop1       2               # second\n"
         "    drop1+0:1   0.5     linear\n"},
        {"a new key after a repeat goes after its end",
         source,
         {setKey("strobo", 1060, 7)},
         "    end\n"
         "    drop1+2:2   7\n"},
        {"a new last key stays before the blank line",
         source,
         {setKey("strobo", 1200, -1)},
         "    drop1+4:0   3\n"
         "    drop1+6:0   -1\n"
         "\n"},
        {"the music's last row takes a key",
         source,
         {setKey("strobo", 3840, 0)},
         "    drop1+4:0   3\n"
         "    end         0\n"},
        {"a track without keys takes the file's layout",
         source,
         {setKey("eq:br", 0, 1)},
         "track eq:br\n"
         "    intro       1"},
        {"a moved key takes its comment along",
         source,
         {moveKey("strobo", 0, 1205)},
         "    drop1+4:0   3\n"
         "    drop1+6:0.5 1.25    linear  # first\n"},
        {"CRLF lines stay CRLF",
         "track strobo\r\n    0   1\r\n",
         {setKey("strobo", 5, 2)},
         "    0   1\r\n"
         "    intro+0:0.5 2\r\n"},
        {"no newline at the end stays so",
         "track strobo\n    0   1",
         {setKey("strobo", 5, 2)},
         "    0   1\n"
         "    intro+0:0.5 2"},
    };
    for (const auto& c : cases) {
        std::string result;
        Error error;
        ASSERT_TRUE(applyKeyEdits(c.text, "a.tracks", map, c.edits, &result, &error))
            << c.what << ": " << formatError(error);
        EXPECT_NE(result.find(c.result), std::string::npos) << c.what << ":\n" << result;
    }
}

TEST(TrackEdit, RefusesWithOneLineReason) {
    MusicMap map = showMap();
    const std::string strobe = readFile(std::string(TRACKS_DIR) + "strobe.tracks");
    const std::string single = "track strobo\n"
                               "    0 0\n"
                               "    repeat every 0:1 from 10 to 40\n"
                               "        0 1\n"
                               "    end\n";
    const struct {
        std::string text;
        std::vector<KeyEdit> edits;
        const char* message;
    } cases[] = {
        {strobe, {setKey("strobo", -1, 1)}, "s: row -1 of \"strobo\" is before row 0"},
        {strobe,
         {setKey("strobo", 3841, 1)},
         "s: row 3841 of \"strobo\" is after the music's end (row 3840)"},
        {strobe, {moveKey("strobo", 960, 8)}, "s:16: row 968 of \"strobo\" has a key already"},
        {strobe, {moveKey("strobo", 0, -1)}, "s: row -1 of \"strobo\" is before row 0"},
        {strobe,
         {setKey("strobo", 1043, 1)},
         "s:17: row 1043 of \"strobo\" falls between two keys of this repeat"},
        {strobe,
         {setInterpolation("strobo", 5, INTERP_LINEAR)},
         "s: no key at row 5 of \"strobo\""},
        {strobe, {deleteKey("strobo", 5)}, "s: no key at row 5 of \"strobo\""},
        {strobe, {setKey("eq:br", 0, 1)}, "s: the file defines no track \"eq:br\""},
        {strobe, {setKey("strobo", 0, NAN)}, "s: a value of \"strobo\" must be a finite number"},
        {strobe,
         {setInterpolation("strobo", 0, 4)},
         "s: interpolation 4 of \"strobo\" is none of the four"},
        // Offsets of the bar pattern at line 17 are 0 and 2, its period 40.
        {strobe,
         {moveKey("strobo", 1002, 38)},
         "s:19: offset 40 would leave the period 40 of the repeat at line 17"},
        {strobe,
         {moveKey("strobo", 1000, 2)},
         "s:18: offset 2 would reach another key of the repeat at line 17"},
        {strobe,
         {setKey("strobo", 1000, 1.5f), setKey("strobo", 1040, 2)},
         "s:18: the pattern key is edited twice in one edit (the repeat at line 17)"},
        {single,
         {deleteKey("strobo", 20)},
         "s:3: the key at row 20 of \"strobo\" is this repeat's only one; delete the repeat in "
         "its source"},
        // The moved pattern's last instance lands on the key after the repeat:
        // the text would not compile.
        {"track strobo\n    repeat every 10 from 0 to 30\n        0 1\n    end\n    25 0\n",
         {moveKey("strobo", 10, 5)},
         "s:5: two keys on row 25 of \"strobo\""},
        // A batch is all or nothing: the first edit is fine, the second not.
        {strobe,
         {setKey("strobo", 0, 0.5f), setKey("strobo", 3841, 1)},
         "s: row 3841 of \"strobo\" is after the music's end"},
    };
    for (const auto& c : cases) {
        std::string result = "untouched";
        Error error;
        EXPECT_FALSE(applyKeyEdits(c.text, "s", map, c.edits, &result, &error)) << c.message;
        EXPECT_EQ(formatError(error).rfind(c.message, 0), 0u) << formatError(error);
        EXPECT_EQ(result, "untouched");
    }
}

TEST(TrackEdit, PositionsAsTheSourcesWriteThem) {
    MusicMap map = showMap();
    const struct {
        double row;
        const char* position;
        const char* keyPosition; // a new key's, where the row is whole
    } cases[] = {
        {0, "intro", "intro"},
        {960, "drop1", "drop1"},
        {970, "drop1+0:1", "drop1+0:1"},
        {1005, "drop1+1:0.5", "drop1+1:0.5"},
        {1043, "drop1+2:0.30", "1043"},
        {3830, "outro+15:3", "outro+15:3"},
        {3840, "end", "end"},
        {1000.5, "drop1+1:0.05", nullptr},
        {1234.56, "drop1+6:3.46", nullptr},
        {959.999, "drop1+0:0.00", nullptr},
        {3839.999, "end", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatPosition(map, c.row), c.position) << c.row;
        if (c.keyPosition != nullptr) {
            EXPECT_EQ(formatKeyPosition(map, int32_t(c.row)), c.keyPosition) << c.row;
        }
    }
    // Outside every section: from row 0.
    MusicMap bare{{}, true, 100};
    EXPECT_EQ(formatKeyPosition(bare, 45), "1:0.5");
    EXPECT_EQ(formatKeyPosition(bare, 43), "43");
    EXPECT_EQ(formatPosition(bare, 43), "1:0.30");

    // Every row of the show reads back as itself, in either form.
    Error error;
    for (int32_t row = 0; row <= kEndRow; ++row) {
        int32_t back = -1;
        EXPECT_TRUE(resolvePosition(formatPosition(map, row), map, "", 0, &back, &error));
        EXPECT_EQ(back, row) << formatPosition(map, row);
        EXPECT_TRUE(resolvePosition(formatKeyPosition(map, row), map, "", 0, &back, &error));
        EXPECT_EQ(back, row) << formatKeyPosition(map, row);
    }
}

TEST(TrackEdit, ValuesReadBackExactly) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.7f, "0.7"},        {1, "1"},         {-2.5f, "-2.5"},
        {0.1f + 0.2f, "0.3"}, {1e-7f, "1e-07"}, {3e9f, "3e+09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatValue(c.value), c.text);
    for (int i = -2000; i <= 2000; ++i) {
        float value = float(i) * 0.37f + float(i % 7) * 1e-4f;
        EXPECT_EQ(float(std::strtod(formatValue(value).c_str(), nullptr)), value) << value;
    }
}
