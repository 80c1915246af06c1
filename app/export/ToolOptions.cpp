#include "ToolOptions.h"

#include "app/common/Shell.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
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
    "  --help        print this and exit\n";

namespace {

const int kMaxFps = 240;

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

} // namespace

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
        const bool known = strcmp(arg, "--size") == 0 || strcmp(arg, "--fps") == 0 ||
                           strcmp(arg, "--from") == 0 || strcmp(arg, "--to") == 0 ||
                           strcmp(arg, "--out") == 0;
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
        } else if (strcmp(arg, "--fps") == 0) {
            if (!parseNumber(value, &number) || number < 1 || number > kMaxFps ||
                number != std::floor(number))
                return message(tool, "bad frame rate %s", value);
            options->fps = int(number);
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
