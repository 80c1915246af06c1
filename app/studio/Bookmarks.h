// Bookmarks: the author's own named places in the music, kept in a small text
// file in the show folder ("bookmarks.txt"; missing means none), one a line:
//
//   # the moments to check after every change
//   climax   drop2+4:0
//
// a name (letters, digits and '_', not starting with a digit; not "end" and
// not a section's name, so that every position stays unambiguous) and a
// position written as in the track sources, resolved with the music map.
// '#' starts a comment. The studio adds and removes whole lines and keeps
// every other byte of the file as it is, so the file diffs cleanly. Pure
// functions of text and the map; reading and writing the file is the
// caller's.
#pragma once

#include "tracks/TrackSource.h"

#include <cstdint>
#include <string>
#include <vector>

extern const char* const kBookmarkFileName;

struct Bookmark {
    std::string name;
    std::string position; // as written
    int32_t row;
    int line; // in the file, from 1
};

// The file's bookmarks in file order, or false with the first bad line as
// "file:line: message" (a bad name, a bad position, a name given twice or a
// section's, a line not of two words).
bool parseBookmarks(const std::string& text, const std::string& file, const trackc::MusicMap& map,
                    std::vector<Bookmark>* bookmarks, trackc::Error* error);

// A file holding these bookmarks, one line each in the order given.
std::string formatBookmarks(const std::vector<Bookmark>& bookmarks);

// The bookmark at the row (the first in the file), or null.
const Bookmark* bookmarkAt(const std::vector<Bookmark>& bookmarks, int32_t row);
const Bookmark* bookmarkNamed(const std::vector<Bookmark>& bookmarks, const std::string& name);

// "mark1", "mark2", ...: the first such name neither a bookmark nor a section has.
std::string newBookmarkName(const std::vector<Bookmark>& bookmarks, const trackc::MusicMap& map);

// The text with one bookmark line added at its end (a line end is added
// before it when the text lacks one), its position as a key line writes it.
std::string addBookmarkLine(const std::string& text, const std::string& name,
                            const trackc::MusicMap& map, int32_t row);
// The text without its line `line` (from 1); the other lines' bytes are kept.
std::string removeBookmarkLine(const std::string& text, int line);

// The nearest bookmark row strictly after (or before) `row`; false when none.
bool nextBookmarkRow(const std::vector<Bookmark>& bookmarks, double row, bool forward,
                     int32_t* target);

// A position typed on the command line or at go-to: a bookmark's name, else
// anything the sources write (resolvePosition's messages).
bool resolveBookmarkOrPosition(const std::string& text, const trackc::MusicMap& map,
                               const std::vector<Bookmark>& bookmarks, const std::string& file,
                               int32_t* row, trackc::Error* error);
