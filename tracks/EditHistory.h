// EditHistory: undo and redo of the studio's edits as the bytes of the source
// files they changed. The sources stay the only truth: an entry holds, for
// every file one edit touched, its bytes before and after, and undoing writes
// the before bytes back (redoing, the after bytes).
//
// Nothing is overwritten that another editor wrote: an undo is done only when
// every file of the entry still holds exactly its after bytes (a redo: its
// before bytes), as the caller read them just now. Otherwise the undo is
// refused with a one-line reason naming the first file that differs, and the
// history stays as it was, so that once that file is back as the studio left
// it the undo can be done. A new edit clears the redo side.
//
// The history itself touches no file: the caller reads the current bytes,
// and writes what undo and redo return, with writeFileAtomically (the one
// function here that touches the disk).
#pragma once

#include "tracks/TrackSource.h"

#include <cstddef>
#include <string>
#include <vector>

namespace trackc {

struct FileBytes {
    std::string file;
    std::string bytes;
};

struct FileChange {
    std::string file;
    std::string before;
    std::string after;
};

struct EditHistory {
    std::vector<std::vector<FileChange>> undo; // oldest first
    std::vector<std::vector<FileChange>> redo; // the next redo last
};

// Entries beyond this many are forgotten, oldest first (each holds whole
// files, a few kilobytes each).
constexpr size_t kMaxEditHistory = 1000;

// Records one edit: its files whose bytes changed (none changed: nothing is
// recorded, and the redo side stays).
void recordEdit(EditHistory* history, const std::vector<FileChange>& changes);

// The files the next undo (redo) needs the current bytes of; empty when there
// is nothing to undo (redo).
std::vector<std::string> undoFiles(const EditHistory& history);
std::vector<std::string> redoFiles(const EditHistory& history);

// `current`: the bytes each of those files holds now; a file missing from it
// (one that could not be read) counts as changed. On success *writes holds
// the files and the bytes to write, and the entry moves to the other side.
bool undoEdit(EditHistory* history, const std::vector<FileBytes>& current,
              std::vector<FileBytes>* writes, Error* error);
bool redoEdit(EditHistory* history, const std::vector<FileBytes>& current,
              std::vector<FileBytes>* writes, Error* error);

// Writes the file whole under a temporary name in its folder, flushes it and
// renames it over `path`, so that a reader sees the old bytes or the new ones,
// never a part. A symbolic link is written through (its target is replaced)
// and an existing file's permissions are kept. On failure the file is as it
// was, and *error names the path and the reason.
bool writeFileAtomically(const std::string& path, const std::string& bytes, Error* error);

} // namespace trackc
