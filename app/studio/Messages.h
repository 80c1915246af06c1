// Messages: the studio's error and status messages made to fit its overlay.
// Pure functions on text; nothing here draws.
#pragma once

#include <cstddef>
#include <string>

// The text with the show folder's path (with its trailing slash) taken out
// wherever it stands, so "/home/me/show/tracks/glow.tracks:12: ..." reads
// "tracks/glow.tracks:12: ..."; the driver's logs and every other text stay.
std::string relativeToShow(const std::string& text, const std::string& showDir);

// How much of a line of `length` characters goes on an overlay row of
// `columns` (at least 1): all of it when it fits, else up to its last space
// that fits, else (a word wider than the row) the row's width. Allocates
// nothing, for the overlay that wraps every frame.
size_t wrapWidth(const char* line, size_t length, size_t columns);
