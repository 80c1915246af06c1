#include "TrackGrid.h"

#include "sync/data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char* const kTrackSuffix = ".tracks";
const int kMostDecimals = 3;
const int kWide = 16, kHigh = 9;

std::string groupName(const std::string& file) {
    const size_t slash = file.rfind('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t suffix = strlen(kTrackSuffix);
    if (name.size() > suffix && name.compare(name.size() - suffix, suffix, kTrackSuffix) == 0)
        name.resize(name.size() - suffix);
    return name;
}

} // namespace

std::vector<GridColumn> gridColumns(const std::vector<trackc::SourceTrack>& tracks,
                                    const SyncDevice* device) {
    std::vector<GridColumn> columns;
    for (const trackc::SourceTrack& source : tracks) {
        const int index = sync_find_track(device, source.name.c_str());
        if (index < 0) continue;
        const std::string group = groupName(source.file);
        const bool opens = columns.empty() || columns.back().group != group;
        columns.push_back(GridColumn{source.name, group, device->tracks[index], opens});
    }
    return columns;
}

GridCell gridCell(const Track* track, int row) {
    const int index = sync_find_key(track, row);
    if (index >= 0)
        return GridCell{true, track->keys[index].interpolation, track->keys[index].value};
    return GridCell{false, INTERP_HOLD, sync_get_val(track, row)};
}

char interpolationMark(int32_t interpolation) {
    switch (interpolation) {
    case INTERP_LINEAR:
        return '/';
    case INTERP_SMOOTHSTEP:
        return '~';
    case INTERP_QUADRATIC:
        return '^';
    default:
        return '-';
    }
}

int32_t nextInterpolation(int32_t interpolation) {
    if (interpolation < INTERP_HOLD || interpolation >= INTERP_QUADRATIC) return INTERP_HOLD;
    return interpolation + 1;
}

RowLine rowLine(int row) {
    if (row % kRowsPerBar == 0) return LINE_BAR;
    if (row % kRowsPerBeat == 0) return LINE_BEAT;
    return LINE_NONE;
}

const trackc::Section* sectionStartingAt(const trackc::MusicMap& map, int row) {
    for (const trackc::Section& section : map.sections)
        if (section.start == row) return &section;
    return nullptr;
}

void abbreviateTrackName(const std::string& name, int maxChars, char* text, size_t capacity) {
    // Drawn every frame: pointers into the name, nothing allocated.
    const size_t colon = name.find(':');
    const char* shortName = name.c_str() + (colon == std::string::npos ? 0 : colon + 1);
    const size_t length = strlen(shortName);
    const size_t room = std::min(size_t(std::max(maxChars, 0)), capacity - 1);
    size_t head = std::min(length, room);
    const char* tail = "";
    const char* separator = nullptr;
    for (const char* c = shortName + 1; *c; ++c)
        if (*c == '.' || *c == '_') separator = c;
    if (length > room && separator && size_t(shortName + length - separator) < room) {
        tail = separator;
        head = room - strlen(tail);
    }
    snprintf(text, capacity, "%.*s%s", int(head), shortName, tail);
}

void formatCellValue(float value, int maxChars, char* text, size_t capacity) {
    // Drawn for every cell every frame: start at the decimals that should
    // fit beside the integer part, so that one snprintf is the usual cost.
    const double magnitude = std::fabs(double(value));
    const int integerChars =
        (magnitude < 1.0 ? 1 : int(std::floor(std::log10(magnitude))) + 1) + (value < 0.0f ? 1 : 0);
    const int fitting = std::min(kMostDecimals, std::max(0, maxChars - integerChars - 1));
    for (int decimals = fitting; decimals >= 0; --decimals) {
        snprintf(text, capacity, "%.*f", decimals, double(value));
        if (strchr(text, '.')) {
            size_t end = strlen(text);
            while (text[end - 1] == '0')
                text[--end] = '\0';
            if (text[end - 1] == '.') text[--end] = '\0';
        }
        // Rounding may leave "-0".
        if (strcmp(text, "-0") == 0) snprintf(text, capacity, "0");
        if (int(strlen(text)) <= maxChars) return;
    }
    const size_t hashes = std::min(size_t(maxChars), capacity - 1);
    memset(text, '#', hashes);
    text[hashes] = '\0';
}

int firstShownRow(int cursorRow, int count) {
    return cursorRow - count / 3;
}

int firstShownColumn(int previousFirst, int cursorColumn, int shown, int count) {
    if (shown <= 0) return std::max(0, std::min(cursorColumn, count - 1));
    int first = std::min(previousFirst, cursorColumn);
    first = std::max(first, cursorColumn - shown + 1);
    return std::max(0, std::min(first, count - shown));
}

StudioLayout studioLayout(int width, int height, bool pictureOnly) {
    if (pictureOnly)
        return StudioLayout{{0, 0, width, height},
                            {width, 0, 0, 0},
                            {0, height, width, 0},
                            {width, height, 0, 0},
                            {0, height, width, 0}};
    int pictureWidth = int(std::lround(width * kPictureShare));
    int pictureHeight = pictureWidth * kHigh / kWide;
    const int highest = int(std::lround(height * kPictureShare));
    if (pictureHeight > highest) {
        pictureHeight = highest;
        pictureWidth = pictureHeight * kWide / kHigh;
    }
    const int below = height - pictureHeight;
    const int timelineHeight = std::min(kTimelineHeight, below / 2);
    const int bandHeight = below - timelineHeight;
    const int gridWidth = int(std::lround(width * kGridShare));
    return StudioLayout{{0, 0, pictureWidth, pictureHeight},
                        {pictureWidth, 0, width - pictureWidth, pictureHeight},
                        {0, pictureHeight, gridWidth, bandHeight},
                        {gridWidth, pictureHeight, width - gridWidth, bandHeight},
                        {0, height - timelineHeight, width, timelineHeight}};
}
