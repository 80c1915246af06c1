// Transport: the studio's play state and the arithmetic behind its keys, kept
// apart from the window and the sound so that it can be tested alone.
//
// Rows as everywhere in the show: 10 a beat, 40 a bar, 21.6 a second. While
// paused the row is exact (a seek lands on the very row asked for); while
// playing it follows the stream and the transport only records it. A loop
// plays from its start to its end and wraps; it is in force only while it is
// switched on and ends after it starts. Pure functions of plain records: the
// caller positions the stream and draws.
#pragma once

#include "tracks/TrackSource.h"

#include <cstddef>

struct Loop {
    double start;
    double end;
    bool enabled;
};

struct Transport {
    double row;
    bool playing;
    Loop loop;
    double endRow; // the music's length
};

enum SeekMove {
    SEEK_BEAT_BACK,
    SEEK_BEAT_FORWARD,
    SEEK_BAR_BACK,
    SEEK_BAR_FORWARD,
    SEEK_SECTION_BACK, // the last section start before the row
    SEEK_SECTION_FORWARD,
    SEEK_HOME,
};

// While playing, a section step back from less than this after a section's
// start goes to the section before, so repeated presses walk back instead of
// landing on the start the music has just passed.
const double kSectionBackGraceRows = 10.0;

// The row a key moves to, within the music (0 to endRow). A section step with
// no section in that direction stays where it is.
double seekTarget(const Transport& transport, SeekMove move, const trackc::MusicMap& map);

// `[` and `]`: one end of the loop at the current row. An end set on the
// wrong side of the other resets the other to the music's bound, so the loop
// never turns inside out.
void setLoopStart(Transport* transport);
void setLoopEnd(Transport* transport);

bool loopInForce(const Loop& loop);

// What a playing transport does at a frame, given the stream's row and
// whether the stream still plays: go on, jump back to the loop's start (past
// the loop's end, or at the music's end with a loop in force), or stop on the
// music's last moment.
enum PlayStep {
    PLAY_ON,
    PLAY_WRAP,
    PLAY_STOP,
};
PlayStep playStep(const Transport& transport, double row, bool streamPlaying);

// PLAY_STOP: the stream ran out, so the transport pauses on the music's end.
// The stream's last row can read a hair short of endRow (the timer rounds to
// single precision); taking endRow itself makes the next play start over.
void stopAtEnd(Transport* transport);

// The row Space plays from: the current one, or from the music's end the
// start (the loop's, with a loop in force).
double playStartRow(const Transport& transport);

// "bar:beat" of a row with the beat to two decimals, as the sources write it,
// into a caller's buffer (the overlay formats it every frame).
void formatBarBeat(double row, char* text, size_t capacity);

// The name of the section holding the row, or "" between and after sections.
const char* sectionAt(const trackc::MusicMap& map, double row);
