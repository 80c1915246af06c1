// MusicTime: the soundtrack's grid and arrangement, as exact integer arithmetic.
//
// The show counts time in rows, 21.6 a second; the music runs at 129.6 BPM so
// that a beat is exactly 10 rows and a bar (4 beats) 40 rows. At 44100 Hz a row
// is 6125/3 samples, so positions are computed from whole rows or ticks (48 a
// beat) in one rounding step, never by adding up beat lengths. The arrangement
// table (sections, drops, drum fills) is the one source the synthesiser and the
// map file written for the track sources both read.
#pragma once

#include "sync/show.h" // rows a beat and a bar

#include <cstdint>
#include <cstdio>

constexpr int kSampleRate = 44100;
constexpr int kTicksPerBeat = 48;
constexpr int kTicksPerBar = kTicksPerBeat * kBeatsPerBar;
constexpr int kTicksPerStep = kTicksPerBeat / 4; // one sixteenth note
constexpr int kSongBars = 96;
constexpr int kEndRow = kSongBars * kRowsPerBar;
// Decay allowed to ring on after the last bar, in samples (1.5 s).
constexpr int64_t kTailSamples = kSampleRate * 3 / 2;

// Samples per row = 44100 / 21.6 = 6125 / 3.
constexpr int64_t kRowSampleNum = 6125;
constexpr int64_t kRowSampleDen = 3;

// First sample of a row, rounded to the nearest sample.
constexpr int64_t sampleAtRow(int64_t row) {
    return (2 * row * kRowSampleNum + kRowSampleDen) / (2 * kRowSampleDen);
}

// First sample of a tick (1/48 beat), rounded to the nearest sample.
constexpr int64_t sampleAtTick(int64_t tick) {
    const int64_t num = tick * kRowsPerBeat * kRowSampleNum;
    const int64_t den = int64_t(kTicksPerBeat) * kRowSampleDen;
    return (2 * num + den) / (2 * den);
}

constexpr int64_t sampleAtBar(int64_t bar) {
    return sampleAtRow(bar * kRowsPerBar);
}

enum SectionKind { SECTION_INTRO, SECTION_BUILD, SECTION_DROP, SECTION_BREAKDOWN, SECTION_OUTRO };

struct Section {
    const char* name;
    SectionKind kind;
    int firstBar;
    int endBar; // one past the last bar
};

// A drum fill: starts at a beat and runs to the end of its bar.
struct Fill {
    int bar;
    int beat;
};

constexpr int kSectionCount = 7;
extern const Section kSections[kSectionCount];
constexpr int kFillCount = 10;
extern const Fill kFills[kFillCount];

// The section that holds a bar; bars past the end report the last section.
const Section& sectionAtBar(int bar);

// True when a fill covers the given beat of the given bar.
bool fillCovers(int bar, int beat);

int fillStartRow(const Fill& fill);

// Writes the section and beat map in the line format the track sources read.
// Returns false when the file could not be written.
bool writeMusicMap(FILE* file);
