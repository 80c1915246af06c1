#include "Transport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double clampToMusic(const Transport& transport, double row) {
    return std::min(std::max(row, 0.0), transport.endRow);
}

double sectionBack(const Transport& transport, const trackc::MusicMap& map) {
    const double before = transport.row - (transport.playing ? kSectionBackGraceRows : 0.0);
    double target = -1.0;
    for (const trackc::Section& section : map.sections)
        if (section.start < before && section.start > target) target = section.start;
    return target < 0.0 ? transport.row : target;
}

double sectionForward(const Transport& transport, const trackc::MusicMap& map) {
    double target = -1.0;
    for (const trackc::Section& section : map.sections)
        if (section.start > transport.row && (target < 0.0 || section.start < target))
            target = section.start;
    return target < 0.0 ? transport.row : target;
}

} // namespace

double seekTarget(const Transport& transport, SeekMove move, const trackc::MusicMap& map) {
    const double row = transport.row;
    switch (move) {
    case SEEK_BEAT_BACK:
        return clampToMusic(transport, row - kRowsPerBeat);
    case SEEK_BEAT_FORWARD:
        return clampToMusic(transport, row + kRowsPerBeat);
    case SEEK_BAR_BACK:
        return clampToMusic(transport, row - kRowsPerBar);
    case SEEK_BAR_FORWARD:
        return clampToMusic(transport, row + kRowsPerBar);
    case SEEK_SECTION_BACK:
        return clampToMusic(transport, sectionBack(transport, map));
    case SEEK_SECTION_FORWARD:
        return clampToMusic(transport, sectionForward(transport, map));
    case SEEK_HOME:
        return 0.0;
    }
    return row;
}

void setLoopStart(Transport* transport) {
    transport->loop.start = transport->row;
    if (transport->loop.end <= transport->loop.start) transport->loop.end = transport->endRow;
}

void setLoopEnd(Transport* transport) {
    transport->loop.end = transport->row;
    if (transport->loop.start >= transport->loop.end) transport->loop.start = 0.0;
}

bool loopInForce(const Loop& loop) {
    return loop.enabled && loop.end > loop.start;
}

PlayStep playStep(const Transport& transport, double row, bool streamPlaying) {
    if (loopInForce(transport.loop) && (row >= transport.loop.end || !streamPlaying))
        return PLAY_WRAP;
    return streamPlaying ? PLAY_ON : PLAY_STOP;
}

void stopAtEnd(Transport* transport) {
    transport->row = transport->endRow;
    transport->playing = false;
}

double playStartRow(const Transport& transport) {
    if (transport.row < transport.endRow) return transport.row;
    return loopInForce(transport.loop) ? transport.loop.start : 0.0;
}

void formatBarBeat(double row, char* text, size_t capacity) {
    // Rounded first, so a row just below a bar line never reads as beat 4.
    const double beats = std::round(row / kRowsPerBeat * 100.0) / 100.0;
    const double bars = std::floor(beats / kBeatsPerBar);
    const double beat = beats - bars * kBeatsPerBar;
    snprintf(text, capacity, "%.0f:%.2f", bars, beat);
}

const char* sectionAt(const trackc::MusicMap& map, double row) {
    for (const trackc::Section& section : map.sections)
        if (row >= section.start && row < section.end) return section.name.c_str();
    return "";
}
