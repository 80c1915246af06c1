// Segmented exports: part K of N of an export's frames rendered on its own
// (another process, another machine), then the parts joined by stream copy.
//
// Segment K of N holds frames [first, end) of the export's `total`: the
// contiguous K-th share, each starting with a key frame of a closed GOP.
// Beside its video, segment-K-of-N.nut (NUT keeps each frame's exact time,
// where Matroska rounds it to the millisecond), its description segment-K-of-N.txt
// records the range, the soundtrack's span, the encoding and the show's
// build; the description is written last, so its presence marks a complete
// segment. The checks and the description's text are pure functions; only
// hashShow reads files.
#pragma once

#include <string>
#include <vector>

struct SegmentRecord {
    int segment = 0, segments = 0;  // K of N
    long first = 0, end = 0;        // frames [first, end) of the export
    long total = 0;                 // the export's frames
    int align = 1;                  // shares start at multiples of this (a fixed GOP)
    double start = 0, duration = 0; // the export's span of the soundtrack, seconds
    std::string show;               // hash of the show's data files
    std::string codec;              // ffmpeg's name for the video codec
    std::string audio;              // audio encoding: flac|aac KBITS LOW RATE CHANNELS
    std::string settings;           // every setting that shapes the frames
};

// Frames [first, end) of segment k of n (1 <= k <= n) among `total`. Shares
// start at multiples of `align`, so that an encoding with a key frame every
// `align` frames keeps that rhythm across the joins.
void segmentFrames(int k, int n, long total, int align, long* first, long* end);

// "segment-K-of-N" (add ".nut" or ".txt").
std::string segmentName(int k, int n);

std::string formatSegmentRecord(const SegmentRecord& record);
bool parseSegmentRecord(const std::string& text, SegmentRecord* record);

// A folder's segment files, by name (without the folder).
struct SegmentFolder {
    std::vector<std::string> videos;           // segment-*.mkv
    std::vector<std::string> descriptions;     // segment-*.txt
    std::vector<std::string> descriptionTexts; // their contents, in the same order
};

// Checks that the folder's segments are complete, were made by one export of
// this show (`show`), and cover the export's frames once each, in order.
// Returns "" and the records in frame order, or the one reason to refuse,
// "NAME: what is wrong", NAME a file name in the folder.
std::string checkSegments(const SegmentFolder& folder, const std::string& show,
                          std::vector<SegmentRecord>* ordered);

// A hash (hex) of every regular file's name and bytes in the data folder:
// the same for two builds of the show only when their data agree. False with
// errno set when the folder or a file cannot be read.
bool hashShow(const std::string& dataDir, std::string* hash);
