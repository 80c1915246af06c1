// The command lines of the two tools, halcyon-frames and halcyon-capture,
// read into plain records before anything touches a display or the data.
//
// A parser fills its record and returns the empty string, or returns the
// one-line message (ending in a newline) of the first bad argument; the caller
// prints it and exits with kUsageStatus. `--help` is not an error: it sets
// `help` and the caller prints the usage text to stdout. Rows are in the
// show's unit (21.6 a second); sizes are pixels.
#pragma once

#include <string>
#include <vector>

// Exit statuses of the tools: 0 done, 1 a run-time failure (App::fail), 2 a
// command line that cannot be run.
const int kUsageStatus = 2;

struct FrameRequest {
    std::string text; // as written: it names the file
    double row;
};

struct FramesOptions {
    int width = 1280;
    int height = 720;
    std::string outDir;
    std::vector<FrameRequest> rows;
    bool offscreen = false;
    bool help = false;
};

struct CaptureOptions {
    int width = 1920;
    int height = 1080;
    int fps = 60;
    double fromRow = 0.0;
    double toRow = -1.0; // the end of the soundtrack
    std::string out = "halcyon.mp4";
    bool offscreen = false;
    bool help = false;
    // The encoding, as written: empty, 0 or -1 where not given, so that a
    // preset's values fill only what the command line leaves open (see
    // app/capture/VideoSettings.h, which also checks their combinations).
    bool sizeGiven = false, fpsGiven = false, outGiven = false;
    std::string preset;
    std::string codec;
    int crf = -1;
    long bitrate = 0; // bits a second
    int depth = 0;
    int passes = 0;
    int segment = 0, segments = 0; // --segment K/N
    std::string joinDir;
};

extern const char* const kFramesUsage;
extern const char* const kCaptureUsage;

std::string parseFramesArguments(int argc, char** argv, FramesOptions* options);
std::string parseCaptureArguments(int argc, char** argv, CaptureOptions* options);

// A command-line refusal in the tools' form: "TOOL: what (see TOOL --help)".
std::string usageLine(const char* tool, const std::string& what);

// Prints the usage text (for --help) to stdout or the command line's error to stderr, and gives
// the status the tool then exits with. False when the command line is good and the tool goes on.
bool commandLineEnds(bool help, const std::string& usageError, const char* usage, int* status);
