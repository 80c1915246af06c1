// StudioEdit: the grid's key edits written into the show's track sources, and
// their undo. Every edit reads the sources as they are on disk now (they are
// the truth; an editor may have saved since the last rebuild), applies the
// key edits to the files defining their tracks through the track editor
// (tracks/TrackEdit), which touches only the changed keys' lines, writes each
// changed file atomically and records the files' bytes before and after in
// the history. All or nothing: a refused edit writes no file. Undo and redo
// write the recorded bytes back only while the files still hold what the
// studio left in them (tracks/EditHistory). Messages are one line, files named
// as "tracks/NAME.tracks". No window is involved; the caller rebuilds the
// tracks from the written files (LiveShow's trackFileWritten).
#pragma once

#include "tracks/EditHistory.h"
#include "tracks/TrackEdit.h"

#include <string>
#include <vector>

struct StudioEdit {
    std::string showDir; // with a trailing slash
    trackc::MusicMap map;
    trackc::EditHistory history;
    trackc::KeyBlock copied{}; // rows 0: nothing copied yet
};

// The keys of every source as it is on disk, with their lines; false with
// *message when a source cannot be read or parsed.
bool readSourceKeys(const StudioEdit& edit, std::vector<trackc::EditTrack>* tracks,
                    std::string* message);

// *written: the names (within tracks/) of the files written, in order.
bool applyStudioEdits(StudioEdit* edit, const std::vector<trackc::KeyEdit>& edits,
                      std::vector<std::string>* written, std::string* message);

// Ctrl+Z (redo false) and Ctrl+Shift+Z (redo true).
bool undoStudioEdit(StudioEdit* edit, bool redo, std::vector<std::string>* written,
                    std::string* message);

// Copies rows [firstRow, firstRow + rows) of the named tracks.
bool copyStudioBlock(StudioEdit* edit, const std::vector<std::string>& names, int32_t firstRow,
                     int32_t rows, std::string* message);

// Where the key at the row of the track stands in the sources, for the
// panel: "tracks/strobe.tracks:16", or "tracks/strobe.tracks:17, from the
// repeat at line 16 (an edit changes every instance)"; "" without a key.
std::string keyOrigin(const std::vector<trackc::EditTrack>& tracks, const std::string& track,
                      int32_t row);
