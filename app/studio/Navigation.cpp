#include "Navigation.h"

#include "tandem1.0/SoundSync.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

const double kNsPerSecond = 1e9;

// The first line of the grid (a multiple of `spacing`) strictly after or
// before the row.
double lineAfter(double row, double spacing) {
    return (std::floor(row / spacing) + 1.0) * spacing;
}

double lineBefore(double row, double spacing) {
    return (std::ceil(row / spacing) - 1.0) * spacing;
}

} // namespace

const double kSpeeds[kSpeedCount] = {1.0, 0.5, 0.25};

double gridStepTarget(double row, GridStep step, double endRow) {
    double target = row;
    switch (step) {
    case STEP_ROW_BACK:
        target = lineBefore(row, 1.0);
        break;
    case STEP_ROW_FORWARD:
        target = lineAfter(row, 1.0);
        break;
    case STEP_BEAT_BACK:
        target = lineBefore(row, kRowsPerBeat);
        break;
    case STEP_BEAT_FORWARD:
        target = lineAfter(row, kRowsPerBeat);
        break;
    case STEP_BAR_BACK:
        target = lineBefore(row, kRowsPerBar);
        break;
    case STEP_BAR_FORWARD:
        target = lineAfter(row, kRowsPerBar);
        break;
    }
    return std::min(std::max(target, 0.0), endRow);
}

double slowRowAfter(double row, int64_t elapsedNs, double speed) {
    return row + double(elapsedNs) / kNsPerSecond * kRowRate * speed;
}

bool parseKeyValue(const char* text, float* value) {
    char* end = nullptr;
    errno = 0;
    const float parsed = strtof(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(parsed)) return false;
    // strtof also takes hexadecimal, "inf" and "nan": a cell takes decimals.
    for (const char* c = text; *c; ++c)
        if (!(*c >= '0' && *c <= '9') && *c != '.' && *c != '-' && *c != '+') return false;
    *value = parsed;
    return true;
}
