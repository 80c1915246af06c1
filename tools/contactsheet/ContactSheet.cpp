#include "ContactSheet.h"

#include <stb/stb_image_resize.h>

#include <algorithm>

namespace contactsheet {

namespace {

bool wellFormed(const Picture& picture) {
    return picture.width > 0 && picture.height > 0 &&
           picture.rgb.size() == size_t(picture.width) * size_t(picture.height) * kChannels;
}

} // namespace

Cell cellOrigin(int index, int cellWidth, int cellHeight, const Layout& layout) {
    const int column = index % layout.columns;
    const int row = index / layout.columns;
    return Cell{layout.gap + column * (cellWidth + layout.gap),
                layout.gap + row * (cellHeight + layout.gap)};
}

bool tile(const std::vector<Picture>& pictures, const Layout& layout, Picture* sheet,
          std::string* error) {
    if (pictures.empty()) {
        *error = "no pictures to tile";
        return false;
    }
    if (layout.columns < 1) {
        *error = "the sheet needs at least one column";
        return false;
    }
    if (layout.gap < 0) {
        *error = "the gap cannot be negative";
        return false;
    }
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (!wellFormed(pictures[i])) {
            *error = "picture " + std::to_string(i + 1) + " is empty or malformed";
            return false;
        }
    }

    const int cellWidth = pictures[0].width;
    const int cellHeight = pictures[0].height;
    const int count = int(pictures.size());
    const int columns = count < layout.columns ? count : layout.columns;
    const int rows = (count + layout.columns - 1) / layout.columns;

    Picture result;
    result.width = layout.gap + columns * (cellWidth + layout.gap);
    result.height = layout.gap + rows * (cellHeight + layout.gap);
    result.rgb.resize(size_t(result.width) * size_t(result.height) * kChannels);
    for (size_t i = 0; i < result.rgb.size(); i += kChannels)
        for (int c = 0; c < kChannels; ++c)
            result.rgb[i + c] = layout.background[c];

    std::vector<uint8_t> resampled(size_t(cellWidth) * size_t(cellHeight) * kChannels);
    const size_t cellStride = size_t(cellWidth) * kChannels;
    const size_t sheetStride = size_t(result.width) * kChannels;
    for (int i = 0; i < count; ++i) {
        const Picture& picture = pictures[i];
        const uint8_t* source = picture.rgb.data();
        if (picture.width != cellWidth || picture.height != cellHeight) {
            stbir_resize_uint8(picture.rgb.data(), picture.width, picture.height, 0,
                               resampled.data(), cellWidth, cellHeight, 0, kChannels);
            source = resampled.data();
        }
        const Cell origin = cellOrigin(i, cellWidth, cellHeight, layout);
        for (int y = 0; y < cellHeight; ++y) {
            const uint8_t* from = source + size_t(y) * cellStride;
            uint8_t* to = result.rgb.data() + size_t(origin.y + y) * sheetStride +
                          size_t(origin.x) * kChannels;
            std::copy(from, from + cellStride, to);
        }
    }
    *sheet = std::move(result);
    return true;
}

} // namespace contactsheet
