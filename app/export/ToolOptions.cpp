#include "ToolOptions.h"

#include "app/common/Shell.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>

const char* const kFramesUsage =
    "usage: halcyon-frames [--size WxH] [--offscreen] --out DIR ROW...\n"
    "Renders each ROW of the show into DIR/row-ROW.png (DIR is created if needed).\n"
    "  --size WxH    picture size in pixels (default 1280x720)\n"
    "  --out DIR     folder of the pictures\n"
    "  --offscreen   render without a window even where there is an X display\n"
    "  --help        print this and exit\n";

const char* const kCaptureUsage =
    "usage: halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]\n"
    "                       [--offscreen]\n"
    "Exports the show, or the rows from..to of it, as a video with its soundtrack.\n"
    "  --size WxH    picture size in pixels (default 1920x1080)\n"
    "  --fps N       frames a second, 1 to 240 (default 60)\n"
    "  --from ROW    first row (default 0; 21.6 rows a second)\n"
    "  --to ROW      row to stop before (default the end of the soundtrack)\n"
    "  --out FILE    the video (default halcyon.mp4; MP4 unless the name says otherwise)\n"
    "  --offscreen   render without a window even where there is an X display\n"
    "  --help        print this and exit\n"
    "Encoding (options given override the preset's):\n"
    "  --preset NAME party: 1920x1080, 60 fps, H.264 High level 4.2, two passes at\n"
    "                  20 Mbit/s, key frame every 2 s, AAC-LC stereo 48 kHz 320 kbit/s\n"
    "                web: 3840x2160, 60 fps, H.264 High at 60 Mbit/s, key frame every\n"
    "                  30 frames, AAC stereo 48 kHz 384 kbit/s\n"
    "                lossless: FFV1 (every frame exactly as drawn) and FLAC in\n"
    "                  Matroska (default FILE halcyon.mkv)\n"
    "  --codec C     h264, hevc, av1 or ffv1 (default h264)\n"
    "  --crf N       constant quality, 0 best (default 18 for h264, 22 hevc, 32 av1)\n"
    "  --bitrate R   video bits a second instead (20M, 8000k)\n"
    "  --passes 2    two passes at the bitrate (h264): the frames are drawn once\n"
    "                into a lossless file beside FILE, which is encoded twice\n"
    "  --depth 10    10-bit 4:2:0 against banding (default 8)\n"
    "Exporting on several processes or machines:\n"
    "  --segment K/N render only the K-th of N equal parts, into the folder --out\n"
    "                as segment-K-of-N.nut with its description segment-K-of-N.txt\n"
    "  --join DIR    join the complete segments in DIR into --out FILE, with the\n"
    "                soundtrack (scripts/export-parallel runs both)\n";

namespace {

const int kMaxFps = 240;
const int kMaxCrf = 63; // AV1's scale; H.264 and HEVC stop at 51

std::string message(const char* tool, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

std::string message(const char* tool, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = nullptr;
    const int length = vasprintf(&text, format, args);
    va_end(args);
    std::string line =
        std::string(tool) + ": " + (length < 0 ? format : text) + " (see " + tool + " --help)\n";
    free(text);
    return line;
}

bool parseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

bool isOption(const char* arg) {
    return strncmp(arg, "--", 2) == 0;
}

// The flags both tools take without a value: true when `arg` is one of them.
bool takeSharedFlag(const char* arg, bool* help, bool* offscreen) {
    if (strcmp(arg, "--help") == 0) return *help = true;
    if (strcmp(arg, "--offscreen") == 0) return *offscreen = true;
    return false;
}

bool parseWhole(const char* text, double low, double high, int* value) {
    double number = 0.0;
    if (!parseNumber(text, &number) || number < low || number > high ||
        number != std::floor(number))
        return false;
    *value = int(number);
    return true;
}

// "20M", "8000k" or plain bits a second.
bool parseBitrate(const char* text, long* bits) {
    const long kLowest = 10000, kHighest = 1000000000;
    char* end = nullptr;
    double value = strtod(text, &end);
    if (end == text) return false;
    if (*end == 'k' || *end == 'K')
        value *= 1e3, ++end;
    else if (*end == 'M' || *end == 'm')
        value *= 1e6, ++end;
    if (*end != '\0' || !std::isfinite(value) || value < kLowest || value > kHighest) return false;
    *bits = long(value);
    return true;
}

bool parseSegment(const char* text, int* segment, int* segments) {
    const int kMostSegments = 100000;
    int used = 0;
    if (sscanf(text, "%d/%d%n", segment, segments, &used) != 2 || text[used] != '\0' ||
        !isdigit(static_cast<unsigned char>(text[0])))
        return false;
    return *segment >= 1 && *segment <= *segments && *segments <= kMostSegments;
}

} // namespace

std::string usageLine(const char* tool, const std::string& what) {
    return message(tool, "%s", what.c_str());
}

std::string parseFramesArguments(int argc, char** argv, FramesOptions* options) {
    const char* const tool = "halcyon-frames";
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (takeSharedFlag(arg, &options->help, &options->offscreen)) {
            if (options->help) return "";
            continue;
        }
        if (!isOption(arg)) {
            // Anything else is a row; "-5" is one, a row before the music.
            FrameRequest request{arg, 0.0};
            if (!parseNumber(arg, &request.row)) return message(tool, "bad row %s", arg);
            options->rows.push_back(request);
            continue;
        }
        if (strcmp(arg, "--size") != 0 && strcmp(arg, "--out") != 0)
            return message(tool, "unknown option %s", arg);
        if (i + 1 == argc) return message(tool, "%s needs a value", arg);
        const char* value = argv[++i];
        if (strcmp(arg, "--size") == 0) {
            if (!parseWindowSize(value, &options->width, &options->height))
                return message(tool, "bad size %s", value);
        } else {
            if (!*value) return message(tool, "--out needs a folder");
            options->outDir = value;
        }
    }
    if (options->outDir.empty()) return message(tool, "no --out folder");
    if (options->rows.empty()) return message(tool, "no row to render");
    return "";
}

std::string parseCaptureArguments(int argc, char** argv, CaptureOptions* options) {
    const char* const tool = "halcyon-capture";
    bool toGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (takeSharedFlag(arg, &options->help, &options->offscreen)) {
            if (options->help) return "";
            continue;
        }
        static const char* const kValued[] = {
            "--size", "--fps",     "--from",  "--to",     "--out",     "--preset", "--codec",
            "--crf",  "--bitrate", "--depth", "--passes", "--segment", "--join"};
        bool known = false;
        for (const char* name : kValued)
            known = known || strcmp(arg, name) == 0;
        if (!known) {
            return isOption(arg) ? message(tool, "unknown option %s", arg)
                                 : message(tool, "unexpected argument %s", arg);
        }
        if (i + 1 == argc) return message(tool, "%s needs a value", arg);
        const char* value = argv[++i];
        double number = 0.0;
        if (strcmp(arg, "--size") == 0) {
            if (!parseWindowSize(value, &options->width, &options->height))
                return message(tool, "bad size %s", value);
            options->sizeGiven = true;
        } else if (strcmp(arg, "--fps") == 0) {
            if (!parseNumber(value, &number) || number < 1 || number > kMaxFps ||
                number != std::floor(number))
                return message(tool, "bad frame rate %s", value);
            options->fps = int(number);
            options->fpsGiven = true;
        } else if (strcmp(arg, "--preset") == 0) {
            options->preset = value;
        } else if (strcmp(arg, "--codec") == 0) {
            options->codec = value;
        } else if (strcmp(arg, "--crf") == 0) {
            if (!parseWhole(value, 0, kMaxCrf, &options->crf))
                return message(tool, "bad crf %s", value);
        } else if (strcmp(arg, "--bitrate") == 0) {
            if (!parseBitrate(value, &options->bitrate))
                return message(tool, "bad bitrate %s", value);
        } else if (strcmp(arg, "--depth") == 0) {
            if (strcmp(value, "8") != 0 && strcmp(value, "10") != 0)
                return message(tool, "bad depth %s: 8 or 10", value);
            options->depth = atoi(value);
        } else if (strcmp(arg, "--passes") == 0) {
            if (strcmp(value, "1") != 0 && strcmp(value, "2") != 0)
                return message(tool, "bad passes %s: 1 or 2", value);
            options->passes = atoi(value);
        } else if (strcmp(arg, "--segment") == 0) {
            if (!parseSegment(value, &options->segment, &options->segments))
                return message(tool, "bad segment %s: K/N with 1 <= K <= N", value);
        } else if (strcmp(arg, "--join") == 0) {
            if (!*value) return message(tool, "--join needs a folder");
            options->joinDir = value;
        } else if (strcmp(arg, "--from") == 0) {
            if (!parseNumber(value, &options->fromRow) || options->fromRow < 0)
                return message(tool, "bad row %s", value);
        } else if (strcmp(arg, "--to") == 0) {
            if (!parseNumber(value, &options->toRow) || options->toRow < 0)
                return message(tool, "bad row %s", value);
            toGiven = true;
        } else {
            if (!*value) return message(tool, "--out needs a file name");
            options->out = value;
            options->outGiven = true;
        }
    }
    if (toGiven && options->fromRow >= options->toRow)
        return message(tool, "--from %g is not before --to %g", options->fromRow, options->toRow);
    return "";
}

bool commandLineEnds(bool help, const std::string& usageError, const char* usage, int* status) {
    if (help) {
        fputs(usage, stdout);
        *status = 0;
        return true;
    }
    if (usageError.empty()) return false;
    fputs(usageError.c_str(), stderr);
    *status = kUsageStatus;
    return true;
}
