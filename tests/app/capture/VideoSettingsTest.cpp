// The presets as the command line overrides them, and ffmpeg's command lines
// for each step of an export.
#include "app/capture/VideoSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string resolve(std::vector<const char*> args, CaptureOptions* options,
                    VideoSettings* settings) {
    args.insert(args.begin(), "halcyon-capture");
    const std::string error =
        parseCaptureArguments(int(args.size()), const_cast<char**>(args.data()), options);
    return error.empty() ? resolveVideoSettings(options, settings) : error;
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

bool holds(const std::string& line, const std::string& part) {
    return (" " + line + " ").find(" " + part + " ") != std::string::npos;
}

TEST(VideoSettings, PresetsFillWhatTheCommandLineLeavesOpen) {
    struct Case {
        std::vector<const char*> args;
        int width, height, fps;
        const char* out;
        VideoCodec codec;
        long bitrate;
        int crf, passes, depth, gop;
    } const cases[] = {
        {{}, 1920, 1080, 60, "halcyon.mp4", VideoCodec::H264, 0, 18, 1, 8, 0},
        {{"--preset", "party"},
         1920,
         1080,
         60,
         "halcyon.mp4",
         VideoCodec::H264,
         20000000,
         0,
         2,
         8,
         120},
        {{"--preset", "party", "--size", "320x180", "--fps", "12", "--out", "a.mp4"},
         320,
         180,
         12,
         "a.mp4",
         VideoCodec::H264,
         20000000,
         0,
         2,
         8,
         120},
        // Constant quality replaces the preset's bitrate, and with it the second pass.
        {{"--preset", "party", "--crf", "20"},
         1920,
         1080,
         60,
         "halcyon.mp4",
         VideoCodec::H264,
         0,
         20,
         1,
         8,
         120},
        {{"--preset", "party", "--codec", "hevc"},
         1920,
         1080,
         60,
         "halcyon.mp4",
         VideoCodec::HEVC,
         20000000,
         22,
         1,
         8,
         120},
        {{"--preset", "web", "--depth", "10"},
         3840,
         2160,
         60,
         "halcyon.mp4",
         VideoCodec::H264,
         60000000,
         0,
         1,
         10,
         30},
        {{"--preset", "lossless"}, 1920, 1080, 60, "halcyon.mkv", VideoCodec::FFV1, 0, 0, 1, 8, 1},
        {{"--preset", "lossless", "--codec", "av1"},
         1920,
         1080,
         60,
         "halcyon.mkv",
         VideoCodec::AV1,
         0,
         32,
         1,
         8,
         0},
        {{"--codec", "ffv1", "--out", "x.mkv"},
         1920,
         1080,
         60,
         "x.mkv",
         VideoCodec::FFV1,
         0,
         0,
         1,
         8,
         1},
        {{"--bitrate", "8000k", "--passes", "2"},
         1920,
         1080,
         60,
         "halcyon.mp4",
         VideoCodec::H264,
         8000000,
         18,
         2,
         8,
         0},
    };
    for (const Case& c : cases) {
        CaptureOptions options;
        VideoSettings v;
        const std::string error = resolve(c.args, &options, &v);
        const std::string what = c.args.empty() ? "(none)" : c.args[0] + std::string("...");
        ASSERT_EQ(error, "") << what;
        EXPECT_EQ(options.width, c.width) << what;
        EXPECT_EQ(options.height, c.height) << what;
        EXPECT_EQ(options.fps, c.fps) << what;
        EXPECT_EQ(options.out, c.out) << what;
        EXPECT_EQ(v.codec, c.codec) << what;
        EXPECT_EQ(v.bitrate, c.bitrate) << what;
        if (c.bitrate == 0) {
            EXPECT_EQ(v.crf, c.crf) << what;
        }
        EXPECT_EQ(v.passes, c.passes) << what;
        EXPECT_EQ(v.depth, c.depth) << what;
        EXPECT_EQ(v.gop, c.gop) << what;
    }
}

// The export without encoding options runs ffmpeg exactly as it always has.
TEST(VideoSettings, DefaultExportKeepsItsEncoderCommandLine) {
    CaptureOptions options;
    VideoSettings v;
    ASSERT_EQ(resolve({}, &options, &v), "");
    EncodeStep step;
    step.width = 640;
    step.height = 360;
    step.fps = 30;
    step.start = 10;
    step.duration = 2;
    step.soundtrack = "/data/song.mp3";
    step.output = ".tmp.mp4";
    EXPECT_EQ(joined(encoderArguments(v, step)),
              "ffmpeg -nostdin -loglevel error -y -f rawvideo -pix_fmt rgb24 -s 640x360 "
              "-framerate 30 -i pipe:0 -ss 10.000000 -t 2.000000 -i file:/data/song.mp3 "
              "-map 0:v:0 -map 1:a:0 -vf vflip -c:v libx264 -preset veryfast -threads 0 -crf 18 "
              "-pix_fmt yuv420p -c:a aac -b:a 192k -movflags +faststart file:.tmp.mp4");
}

TEST(VideoSettings, StepsOfAPresetCarryItsSettings) {
    CaptureOptions options;
    VideoSettings party, web, lossless;
    ASSERT_EQ(resolve({"--preset", "party"}, &options, &party), "");
    ASSERT_EQ(resolve({"--preset", "web"}, &options, &web), "");
    ASSERT_EQ(resolve({"--preset", "lossless"}, &options, &lossless), "");
    EncodeStep step;
    step.width = 320;
    step.height = 180;
    step.fps = 60;
    step.soundtrack = "s.mp3";
    step.intermediate = ".i.mkv";
    step.passLog = ".p";
    step.output = ".o.mp4";

    step.kind = EncodeStep::INTERMEDIATE;
    const std::string intermediate = joined(encoderArguments(party, step));
    for (const char* part :
         {"-i pipe:0", "-vf vflip", "-c:v ffv1", "-pix_fmt bgr0", "-f matroska file:.i.mkv"})
        EXPECT_TRUE(holds(intermediate, part)) << intermediate << " lacks " << part;
    EXPECT_FALSE(holds(intermediate, "-map 1:a:0")) << intermediate;

    step.kind = EncodeStep::ANALYSIS;
    const std::string analysis = joined(encoderArguments(party, step));
    step.kind = EncodeStep::FINAL;
    const std::string final = joined(encoderArguments(party, step));
    for (const std::string& line : {analysis, final})
        for (const char* part :
             {"-i file:.i.mkv", "-c:v libx264", "-b:v 20000000", "-maxrate 40000000",
              "-profile:v high", "-level 4.2", "-g 120", "-flags +cgop", "-passlogfile .p"})
            EXPECT_TRUE(holds(line, part)) << line << " lacks " << part;
    EXPECT_TRUE(holds(analysis, "-pass 1 -passlogfile .p -pix_fmt yuv420p -an -f null -"))
        << analysis;
    for (const char* part : {"-pass 2", "-c:a aac -profile:a aac_low -b:a 320k -ar 48000 -ac 2",
                             "file:.o.mp4", "-vf vflip"})
        EXPECT_EQ(holds(final, part), std::string(part) != "-vf vflip") << final << " / " << part;

    step.kind = EncodeStep::DIRECT;
    const std::string direct = joined(encoderArguments(web, step));
    for (const char* part : {"-b:v 60000000", "-g 30 -keyint_min 30 -sc_threshold 0",
                             "-flags +cgop", "-b:a 384k -ar 48000"})
        EXPECT_TRUE(holds(direct, part)) << direct << " lacks " << part;
    EXPECT_FALSE(holds(direct, "-pass")) << direct;

    step.output = ".o.mkv";
    const std::string exact = joined(encoderArguments(lossless, step));
    for (const char* part : {"-c:v ffv1", "-pix_fmt bgr0", "-c:a flac"})
        EXPECT_TRUE(holds(exact, part)) << exact << " lacks " << part;
    EXPECT_FALSE(holds(exact, "-movflags")) << exact;
}

// A segment records the audio encoding; the join encodes the sound from it
// exactly as the one-process export would.
TEST(VideoSettings, AudioEncodingReadsBackFromItsDescription) {
    for (const char* preset : {"party", "web", "lossless"}) {
        CaptureOptions options;
        VideoSettings v, back;
        ASSERT_EQ(resolve({"--preset", preset}, &options, &v), "");
        back.audioKbits = 0;
        ASSERT_TRUE(readAudio(describeAudio(v), &back)) << preset;
        EncodeStep step;
        step.kind = EncodeStep::JOIN;
        step.soundtrack = "s.mp3";
        step.output = "o.mkv";
        EXPECT_EQ(joined(encoderArguments(back, step)), joined(encoderArguments(v, step)))
            << preset;
    }
    VideoSettings v;
    for (const char* text : {"", "ogg 192 0 0 0", "aac 192 0 0", "aac 192 0 0 0 x"})
        EXPECT_FALSE(readAudio(text, &v)) << text;
}

TEST(VideoSettings, ExtensionNamesTheContainer) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.mp4", "mp4"}, {"dir/a.mkv", "mkv"}, {"a", ""},        {".hidden", ""},
        {"a.", ""},       {"a.b-c", ""},        {"a.d/file", ""}, {"a.toolongext", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extensionOf(c.first), c.second) << c.first;
}

} // namespace
