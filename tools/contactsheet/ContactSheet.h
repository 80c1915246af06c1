// ContactSheet: lays equal cells of pictures out in a grid, row by row, for
// the README's overview of the show. Pure pixel work on 8-bit RGB buffers;
// reading and writing files is the caller's.
//
// Every cell has the size of the first picture; a picture of another size is
// resampled into its cell. A gap of `gap` pixels in the background colour
// separates the cells and frames the sheet. The last row may be short: its
// empty cells stay background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace contactsheet {

constexpr int kChannels = 3;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * kChannels, rows top to bottom
};

struct Layout {
    int columns = 6;
    int gap = 0;
    uint8_t background[kChannels] = {0, 0, 0};
};

// Fails (with a message, *sheet untouched) on no pictures, fewer than one
// column, a negative gap, an empty picture or a buffer of the wrong size.
bool tile(const std::vector<Picture>& pictures, const Layout& layout, Picture* sheet,
          std::string* error);

// The pixel rectangle of cell `index` in a sheet tiled from cells of the given
// size: where tile() puts picture `index`.
struct Cell {
    int x;
    int y;
};
Cell cellOrigin(int index, int cellWidth, int cellHeight, const Layout& layout);

} // namespace contactsheet
