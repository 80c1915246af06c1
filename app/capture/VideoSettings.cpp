#include "VideoSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const char* const kTool = "halcyon-capture";
const long kMegabit = 1000000;
// H.264 High profile at level 4.2: the buffer model's highest rate (50 Mbit/s
// for the Main profile, a quarter more for High).
const long kLevel42MaxRate = 62500000;
const int kMaxCrfH26x = 51;

struct Preset {
    const char* name;
    int width, height, fps;
    const char* out; // null: the usual default
    VideoSettings video;
};

VideoSettings partyVideo() {
    VideoSettings v;
    v.crf = 0;
    // Parties ask for 1080p with a minimum near 10 Mbit/s; twice that keeps
    // the glow's gradients clean at 60 frames a second.
    v.bitrate = 20 * kMegabit;
    v.maxrate = 40 * kMegabit;
    v.passes = 2;
    v.gop = 120;
    v.closedGop = true;
    v.speed = "medium";
    v.level = "4.2";
    v.audioKbits = 320;
    v.audioProfileLow = true;
    v.audioRate = 48000;
    v.audioChannels = 2;
    return v;
}

VideoSettings webVideo() {
    VideoSettings v;
    v.crf = 0;
    // Within what the largest video sites ask of 2160p60 uploads (45-68 Mbit/s).
    v.bitrate = 60 * kMegabit;
    v.gop = 30; // half a second at 60 frames a second
    v.fixedGop = true;
    v.closedGop = true;
    v.speed = "medium";
    v.audioKbits = 384;
    v.audioProfileLow = true;
    v.audioRate = 48000;
    v.audioChannels = 2;
    return v;
}

VideoSettings losslessVideo() {
    VideoSettings v;
    v.codec = VideoCodec::FFV1;
    v.crf = 0;
    v.gop = 1;
    v.flac = true;
    return v;
}

const Preset kPresets[] = {
    {"party", 1920, 1080, 60, nullptr, partyVideo()},
    {"web", 3840, 2160, 60, nullptr, webVideo()},
    {"lossless", 0, 0, 0, "halcyon.mkv", losslessVideo()},
};

const struct {
    const char* name;
    VideoCodec codec;
    int defaultCrf;
    int maxCrf;
} kCodecs[] = {
    {"h264", VideoCodec::H264, 18, kMaxCrfH26x},
    {"hevc", VideoCodec::HEVC, 22, kMaxCrfH26x},
    {"av1", VideoCodec::AV1, 32, 63},
    {"ffv1", VideoCodec::FFV1, 0, 0},
};

int defaultCrf(VideoCodec codec) {
    for (const auto& c : kCodecs)
        if (c.codec == codec) return c.defaultCrf;
    return 0;
}

std::string bits(long value) {
    return std::to_string(value);
}

bool isMatroska(const EncodeStep& step) {
    return step.format == "matroska" || (step.format.empty() && extensionOf(step.output) == "mkv");
}

// MP4 and QuickTime, whose players want HEVC tagged hvc1.
bool isMp4(const EncodeStep& step) {
    const std::string extension = extensionOf(step.output);
    return step.format == "mp4" ||
           (step.format.empty() &&
            (extension == "mp4" || extension == "mov" || extension == "m4v"));
}

void append(std::vector<std::string>* args, std::initializer_list<std::string> more) {
    args->insert(args->end(), more);
}

// The video encoder and its rate; `pass` 0 for a one-pass encode.
void videoArguments(const VideoSettings& v, int pass, const EncodeStep& step,
                    std::vector<std::string>* args) {
    const bool tenBit = v.depth == 10;
    switch (v.codec) {
    case VideoCodec::H264:
        append(args, {"-c:v", "libx264", "-preset", v.speed, "-threads", "0"});
        break;
    case VideoCodec::HEVC:
        append(args, {"-c:v", "libx265", "-preset", v.speed});
        break;
    case VideoCodec::AV1:
        append(args, {"-c:v", "libsvtav1", "-preset", "8"});
        break;
    case VideoCodec::FFV1:
        // Version 3 with checksummed slices, as archives keep it.
        append(args, {"-c:v", "ffv1", "-level", "3", "-slices", "4", "-slicecrc", "1", "-g", "1",
                      "-pix_fmt", "bgr0"});
        return;
    }
    if (v.bitrate > 0)
        append(args, {"-b:v", bits(v.bitrate)});
    else
        append(args, {"-crf", std::to_string(v.crf)});
    if (v.maxrate > 0) append(args, {"-maxrate", bits(v.maxrate), "-bufsize", bits(v.maxrate)});
    if (v.codec == VideoCodec::H264 && *v.level)
        append(args, {"-profile:v", tenBit ? "high10" : "high", "-level", v.level});
    if (v.gop > 0) append(args, {"-g", std::to_string(v.gop)});
    if (v.codec == VideoCodec::H264) {
        if (v.fixedGop) append(args, {"-keyint_min", std::to_string(v.gop), "-sc_threshold", "0"});
        if (v.closedGop) append(args, {"-flags", "+cgop"});
    } else if (v.codec == VideoCodec::HEVC) {
        std::string params = "log-level=error";
        if (v.closedGop) params += ":open-gop=0";
        if (v.fixedGop) params += ":min-keyint=" + std::to_string(v.gop) + ":scenecut=0";
        append(args, {"-x265-params", params});
        if (isMp4(step)) append(args, {"-tag:v", "hvc1"});
    }
    if (pass > 0) append(args, {"-pass", std::to_string(pass), "-passlogfile", step.passLog});
    append(args, {"-pix_fmt", tenBit ? "yuv420p10le" : "yuv420p"});
}

void audioArguments(const VideoSettings& v, std::vector<std::string>* args) {
    if (v.flac)
        append(args, {"-c:a", "flac"});
    else {
        append(args, {"-c:a", "aac"});
        if (v.audioProfileLow) append(args, {"-profile:a", "aac_low"});
        append(args, {"-b:a", std::to_string(v.audioKbits) + "k"});
    }
    if (v.audioRate > 0) append(args, {"-ar", std::to_string(v.audioRate)});
    if (v.audioChannels > 0) append(args, {"-ac", std::to_string(v.audioChannels)});
}

std::string seconds(double value) {
    char text[64];
    snprintf(text, sizeof text, "%.6f", value);
    return text;
}

void rawInput(const EncodeStep& step, std::vector<std::string>* args) {
    append(args, {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                  std::to_string(step.width) + "x" + std::to_string(step.height), "-framerate",
                  std::to_string(step.fps), "-i", "pipe:0"});
}

// "file:" keeps a colon in a path from reading as a protocol.
void soundInput(const EncodeStep& step, std::vector<std::string>* args) {
    if (step.soundtrack.empty()) return;
    append(args, {"-ss", seconds(step.start), "-t", seconds(step.duration), "-i",
                  "file:" + step.soundtrack});
}

void maps(const EncodeStep& step, std::vector<std::string>* args) {
    append(args, {"-map", "0:v:0"});
    if (!step.soundtrack.empty()) append(args, {"-map", "1:a:0"});
}

void output(const VideoSettings& v, const EncodeStep& step, std::vector<std::string>* args) {
    if (!step.soundtrack.empty()) audioArguments(v, args);
    if (!isMatroska(step) && step.format != "nut") append(args, {"-movflags", "+faststart"});
    if (!step.format.empty()) append(args, {"-f", step.format});
    args->push_back("file:" + step.output);
}

} // namespace

const char* codecName(VideoCodec codec) {
    for (const auto& c : kCodecs)
        if (c.codec == codec) return c.name;
    return "?";
}

std::string describeAudio(const VideoSettings& v) {
    char text[128];
    snprintf(text, sizeof text, "%s %d %d %d %d", v.flac ? "flac" : "aac", v.audioKbits,
             v.audioProfileLow, v.audioRate, v.audioChannels);
    return text;
}

bool readAudio(const std::string& text, VideoSettings* v) {
    char codec[8] = {};
    int low = 0, used = 0;
    if (sscanf(text.c_str(), "%7s %d %d %d %d%n", codec, &v->audioKbits, &low, &v->audioRate,
               &v->audioChannels, &used) != 5 ||
        used != int(text.size()))
        return false;
    v->flac = strcmp(codec, "flac") == 0;
    v->audioProfileLow = low != 0;
    return v->flac || strcmp(codec, "aac") == 0;
}

std::string extensionOf(const std::string& name) {
    // An extension longer than this is no container ffmpeg knows.
    const size_t kMaxExtension = 8;
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() ||
        name.size() - dot - 1 > kMaxExtension || name.find('/', dot) != std::string::npos)
        return "";
    for (size_t i = dot + 1; i < name.size(); ++i)
        if (!isalnum(static_cast<unsigned char>(name[i]))) return "";
    return name.substr(dot + 1);
}

std::string resolveVideoSettings(CaptureOptions* options, VideoSettings* settings) {
    auto refuse = [](const std::string& what) { return usageLine(kTool, what); };
    const CaptureOptions& o = *options;
    VideoSettings v;
    if (!o.preset.empty()) {
        const Preset* preset = nullptr;
        for (const Preset& p : kPresets)
            if (o.preset == p.name) preset = &p;
        if (!preset) return refuse("unknown preset " + o.preset + ": party, web or lossless");
        v = preset->video;
        if (!o.sizeGiven && preset->width > 0) {
            options->width = preset->width;
            options->height = preset->height;
        }
        if (!o.fpsGiven && preset->fps > 0) options->fps = preset->fps;
        if (!o.outGiven && preset->out) options->out = preset->out;
    }
    const bool crfGiven = o.crf >= 0, bitrateGiven = o.bitrate > 0;
    if (!o.codec.empty()) {
        int found = -1;
        for (int i = 0; i < int(sizeof kCodecs / sizeof kCodecs[0]); ++i)
            if (o.codec == kCodecs[i].name) found = i;
        if (found < 0) return refuse("unknown codec " + o.codec + ": h264, hevc, av1 or ffv1");
        const VideoCodec codec = kCodecs[found].codec;
        if (codec != v.codec) {
            // The preset's rate and encoder settings belong to its codec.
            const VideoSettings preset = v;
            v.codec = codec;
            v.crf = defaultCrf(codec);
            v.bitrate = codec == VideoCodec::FFV1 ? 0 : preset.bitrate;
            v.maxrate = 0;
            v.passes = codec == VideoCodec::H264 ? preset.passes : 1;
            v.level = "";
            v.gop = codec == VideoCodec::FFV1 ? 1 : preset.gop == 1 ? 0 : preset.gop;
        }
    }
    if (crfGiven && bitrateGiven) return refuse("--crf and --bitrate exclude each other");
    if (v.codec == VideoCodec::FFV1) {
        const char* given = crfGiven        ? "--crf"
                            : bitrateGiven  ? "--bitrate"
                            : o.passes == 2 ? "--passes 2"
                            : o.depth == 10 ? "--depth 10"
                                            : nullptr;
        if (given)
            return refuse(std::string(given) + " does not apply to ffv1, which keeps every frame " +
                          "exactly as drawn");
    }
    if (crfGiven) {
        for (const auto& c : kCodecs)
            if (c.codec == v.codec && o.crf > c.maxCrf)
                return refuse("bad crf " + std::to_string(o.crf) + ": 0 to " +
                              std::to_string(c.maxCrf) + " for " + c.name);
        v.crf = o.crf;
        v.bitrate = v.maxrate = 0;
        if (o.passes == 0) v.passes = 1;
    }
    if (bitrateGiven) {
        v.bitrate = o.bitrate;
        if (*v.level) {
            if (v.bitrate > kLevel42MaxRate)
                return refuse("--bitrate " + bits(v.bitrate) +
                              " is above what H.264 level 4.2 allows (62500000)");
            v.maxrate = std::min(2 * v.bitrate, kLevel42MaxRate);
        }
    }
    if (o.passes > 0) v.passes = o.passes;
    if (o.depth > 0) v.depth = o.depth;
    if (v.passes == 2 && v.codec != VideoCodec::H264)
        return refuse(std::string("--passes 2 is for h264, not ") + codecName(v.codec));
    if (v.passes == 2 && v.bitrate == 0) return refuse("--passes 2 needs a --bitrate");

    const bool rendering = o.joinDir.empty();
    if (!o.joinDir.empty()) {
        if (o.segment > 0) return refuse("--segment and --join exclude each other");
        if (!o.preset.empty() || !o.codec.empty() || crfGiven || bitrateGiven || o.depth > 0 ||
            o.passes > 0 || o.sizeGiven || o.fpsGiven || o.fromRow != 0.0 || o.toRow >= 0)
            return refuse("--join takes only --out: the segments carry their settings");
    }
    if (o.segment > 0 && !o.outGiven) return refuse("--segment needs --out FOLDER");
    if (rendering && o.segment == 0 && v.codec == VideoCodec::FFV1 &&
        extensionOf(options->out) != "mkv")
        return refuse("ffv1 needs a Matroska file (.mkv), not " + options->out);
    *settings = v;
    return "";
}

std::string describeVideo(const VideoSettings& v, const CaptureOptions& o) {
    char text[512];
    snprintf(text, sizeof text,
             "codec=%s crf=%d bitrate=%ld maxrate=%ld passes=%d depth=%d gop=%d fixed=%d "
             "closed=%d speed=%s level=%s audio=%s:%d:%d:%d:%d size=%dx%d fps=%d from=%.17g "
             "to=%.17g",
             codecName(v.codec), v.crf, v.bitrate, v.maxrate, v.passes, v.depth, v.gop, v.fixedGop,
             v.closedGop, v.speed, v.level, v.flac ? "flac" : "aac", v.audioKbits,
             v.audioProfileLow, v.audioRate, v.audioChannels, o.width, o.height, o.fps, o.fromRow,
             o.toRow);
    return text;
}

std::vector<std::string> encoderArguments(const VideoSettings& v, const EncodeStep& step) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    switch (step.kind) {
    case EncodeStep::DIRECT:
        rawInput(step, &args);
        soundInput(step, &args);
        maps(step, &args);
        append(&args, {"-vf", "vflip"});
        videoArguments(v, 0, step, &args);
        output(v, step, &args);
        break;
    case EncodeStep::INTERMEDIATE: {
        rawInput(step, &args);
        append(&args, {"-map", "0:v:0", "-vf", "vflip"});
        VideoSettings lossless;
        lossless.codec = VideoCodec::FFV1;
        videoArguments(lossless, 0, step, &args);
        append(&args, {"-f", "matroska", "file:" + step.intermediate});
        break;
    }
    case EncodeStep::ANALYSIS:
        append(&args, {"-i", "file:" + step.intermediate, "-map", "0:v:0"});
        videoArguments(v, 1, step, &args);
        append(&args, {"-an", "-f", "null", "-"});
        break;
    case EncodeStep::FINAL:
        append(&args, {"-i", "file:" + step.intermediate});
        soundInput(step, &args);
        maps(step, &args);
        videoArguments(v, 2, step, &args);
        output(v, step, &args);
        break;
    case EncodeStep::JOIN:
        // The list names the segments by absolute path.
        append(&args,
               {"-f", "concat", "-safe", "0", "-protocol_whitelist", "file,pipe", "-i", "pipe:0"});
        soundInput(step, &args);
        maps(step, &args);
        append(&args, {"-c:v", "copy"});
        output(v, step, &args);
        break;
    }
    return args;
}
