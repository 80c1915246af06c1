// How halcyon-capture encodes: the presets, the checks of the encoding
// options' combinations, and ffmpeg's command lines for each step of an
// export. Pure functions of the options; nothing here spawns or touches a
// file (Encoder.h spawns, CaptureMain.cpp runs the steps).
//
// An export's frames come as raw RGB on ffmpeg's standard input, bottom row
// first. A one-pass export encodes them straight into the output. A two-pass
// one first keeps them in a lossless intermediate file (drawing in software
// costs far more than encoding, so the frames are drawn once and encoded
// twice), then runs the encoder's analysis pass and its final pass on it.
// Bitrates are in bits a second; a GOP is counted in frames.
#pragma once

#include "app/export/ToolOptions.h"

#include <string>
#include <vector>

enum class VideoCodec { H264, HEVC, AV1, FFV1 };

struct VideoSettings {
    VideoCodec codec = VideoCodec::H264;
    int crf = 18;     // constant quality, used when bitrate is 0
    long bitrate = 0; // 0: constant quality
    long maxrate = 0; // the decoder's buffer model: 0 for none
    int passes = 1;
    int depth = 8;
    int gop = 0;           // a key frame every gop frames; 0 leaves it to the encoder
    bool fixedGop = false; // no key frames at scene cuts between them
    bool closedGop = false;
    const char* speed = "veryfast"; // the encoder's preset (H.264, HEVC)
    const char* level = "";         // H.264 level, empty for the encoder's choice
    bool flac = false;              // else AAC
    int audioKbits = 192;
    bool audioProfileLow = false; // AAC-LC named explicitly
    int audioRate = 0;            // 0 keeps the soundtrack's
    int audioChannels = 0;        // 0 keeps the soundtrack's
};

// Fills `settings` from the preset and the options given, and fills the
// options' size, rate and output name where the preset sets them and the
// command line does not. Returns "" or the usage line of the first bad
// combination.
std::string resolveVideoSettings(CaptureOptions* options, VideoSettings* settings);

// One line naming every setting that shapes the frames or their encoding:
// exports with equal descriptions produce interchangeable segments.
std::string describeVideo(const VideoSettings& settings, const CaptureOptions& options);

// ffmpeg's name of the codec: "h264", "hevc", "av1" or "ffv1".
const char* codecName(VideoCodec codec);

// The audio encoding in one line, for a segment's description, and back
// (false for any other text).
std::string describeAudio(const VideoSettings& settings);
bool readAudio(const std::string& text, VideoSettings* settings);

// What one ffmpeg run reads and writes.
struct EncodeStep {
    enum Kind {
        DIRECT,       // raw frames -> output
        INTERMEDIATE, // raw frames -> lossless intermediate
        ANALYSIS,     // intermediate -> the pass log only
        FINAL,        // intermediate -> output
        JOIN,         // concat list on stdin -> output, video copied
    } kind = DIRECT;
    int width = 0, height = 0, fps = 0;
    double start = 0.0, duration = 0.0; // the soundtrack's span, seconds
    std::string soundtrack;             // empty: no audio (a segment)
    std::string intermediate;           // the lossless file of a two-pass export
    std::string passLog;                // the encoder's pass-log prefix
    std::string output;
    std::string format; // the container; empty: by the output's extension
};

std::vector<std::string> encoderArguments(const VideoSettings& settings, const EncodeStep& step);

// A file name's extension (without the dot), or "" where it has none that
// ffmpeg could take for a container.
std::string extensionOf(const std::string& name);
