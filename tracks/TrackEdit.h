// TrackEdit: the keys of a track source with the lines they stand on, and
// edits of those keys written back into the text as a person would write them.
// Text in, text (or one error) out; nothing here reads or writes a file.
//
// An edit touches only the lines of the keys it changes: a changed key keeps
// its position text, its comment and its columns (the new value is padded into
// the old one's place when it fits); a new key gets a line of its own, right
// after the key (or the repeat's "end") before it, or after the track's header
// when it is the first, indented and aligned like its nearest key line, with
// its position relative to the section it falls in (formatKeyPosition) and its
// interpolation written only where it is not the track's default. A moved
// key between the same neighbours keeps its line with a new position; past a
// neighbour, its line (value, interpolation and comment as written) moves to
// where a new key would go. Comments, blank lines, the order, symbolic
// positions and `repeat` blocks of everything else stay byte for byte.
//
// Keys made by a repeat are edited through their pattern: setting the value or
// interpolation of any instance changes the pattern key's line, so every
// instance changes; deleting one deletes the pattern key (all its instances),
// and moving one shifts the pattern key's offset (all instances move). What a
// pattern cannot express is refused with a one-line reason: a new key between
// two keys of one repeat, deleting a repeat's last pattern key, an offset moved
// out of its period or past another offset.
//
// Every result is checked: the new text, parsed again, must give exactly the
// keys the edits ask for, or the edits are refused. Refused as well: a key
// before row 0 or after the music's end (the map's end row; without one, the
// end of its last section), a move onto another key, a value that is not
// finite, a track the text does not define.
#pragma once

#include "tracks/TrackSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trackc {

// One compiled key and where it was written.
struct SourceKey {
    Key key;                   // exactly as parseTracks compiles it
    int line;                  // 1-based; for a repeat's key, its pattern key's line
    bool interpolationWritten; // the line names an interpolation (else the track's default)
    int repeatLine;            // the header line of the repeat that made it; 0 for its own line
};

struct EditTrack {
    std::string name;
    std::string file;             // as given to parseSourceKeys
    int line;                     // the header's line
    int32_t defaultInterpolation; // of keys that name none
    std::vector<SourceKey> keys;  // ascending rows, the same keys as parseTracks gives
};

// Appends the tracks of one source, with the same checks and messages as
// parseTracks (which compiles through the same code).
bool parseSourceKeys(const std::string& text, const std::string& file, const MusicMap& map,
                     std::vector<EditTrack>* tracks, Error* error);

enum KeyEditKind {
    KEY_SET,    // a new key, or a new value and/or interpolation of the key at the row
    KEY_DELETE, // the key at the row
    KEY_MOVE,   // the key at the row, by `rows` (negative: earlier)
};

// KEY_SET without a new interpolation: the key's own, or its track's default
// for a new key.
constexpr int32_t kKeepInterpolation = -1;

struct KeyEdit {
    KeyEditKind kind;
    std::string track;
    int32_t row;
    bool hasValue;         // KEY_SET: value is set (a new key needs one)
    float value;           // KEY_SET
    int32_t interpolation; // KEY_SET: an INTERP_ kind or kKeepInterpolation
    int32_t rows;          // KEY_MOVE
};

KeyEdit setKey(const std::string& track, int32_t row, float value,
               int32_t interpolation = kKeepInterpolation);
KeyEdit setInterpolation(const std::string& track, int32_t row, int32_t interpolation);
KeyEdit deleteKey(const std::string& track, int32_t row);
KeyEdit moveKey(const std::string& track, int32_t row, int32_t rows);

// Applies the edits one after another, each to the keys the previous ones
// left, to the source `text` (named `file` in messages). All or nothing: on a
// refusal *result is untouched and *error says why (the file and, where one
// is at fault, the line). Editing one repeat's pattern key twice in one batch
// is refused, since the second would silently undo part of the first. To move
// several keys of a track, order the moves so that none lands on a key not yet
// moved (the latest first when moving later).
bool applyKeyEdits(const std::string& text, const std::string& file, const MusicMap& map,
                   const std::vector<KeyEdit>& edits, std::string* result, Error* error);

// The edits among `edits` whose tracks `file` defines (tracks: all sources'
// tracks as parseSourceKeys gave them), for a batch that spans sources; an
// edit of a track that no source defines is in no file's share.
std::vector<KeyEdit> editsOfFile(const std::vector<EditTrack>& tracks,
                                 const std::vector<KeyEdit>& edits, const std::string& file);

// A copied block of keys: rows × tracks, rows counted from the block's first.
struct KeyBlock {
    int32_t rows;
    std::vector<std::string> tracks;
    std::vector<std::vector<Key>> keys; // per track, ascending rows in [0, rows)
};

// The keys of the named tracks in rows [firstRow, firstRow + rows).
KeyBlock copyKeyBlock(const std::vector<EditTrack>& tracks, const std::vector<std::string>& names,
                      int32_t firstRow, int32_t rows);

// The edits that paste the block at `row` into the tracks `into` (one per
// column of the block, in its order): every key of the block is set with its
// value and interpolation; keys already in the area that the block has no key
// for stay.
std::vector<KeyEdit> pasteKeyBlock(const KeyBlock& block, const std::vector<std::string>& into,
                                   int32_t row);

// A new key's position: relative to the section the row falls in
// (start <= row < end), on the half-beat grid as bar:beat with the fewest
// digits ("drop1" at the section's start, "drop1+2:1", "drop1+0:0.5"), off it
// as the plain row ("1043"). Outside every section: "end" at the music's end,
// else bar:beat from row 0 ("12:2") or the plain row.
std::string formatKeyPosition(const MusicMap& map, int32_t row);

// Any row (the play head's) as the sources write positions: a whole row on
// the half-beat grid exactly as formatKeyPosition writes it; any other row
// relative to its section with the beat to two decimals, rounded to a
// hundredth of a beat ("drop1+2:0.30", "drop1+1:0.05"). For a whole row the
// text resolves back to that row.
std::string formatPosition(const MusicMap& map, double row);

// The shortest text that reads back as exactly this value ("0.7", "1", "-2.5").
std::string formatValue(float value);

} // namespace trackc
