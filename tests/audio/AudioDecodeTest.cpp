// Stream creation: exact lengths and content, refused files, handles, unit conversions.
#include "tests/audio/AudioTestSupport.h"

#include <algorithm>
#include <cstdio>

namespace {

uint64_t lengthFrames(HSTREAM stream) {
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, ~(QWORD)0 / 2, BASS_POS_BYTE));
    uint64_t frames = BASS_ChannelGetPosition(stream, BASS_POS_BYTE) / kBytesPerFrame;
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE));
    return frames;
}

std::string writeTempFile(const char* name, const std::string& contents) {
    std::string path = testing::TempDir() + name;
    FILE* file = fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    fwrite(contents.data(), 1, contents.size(), file);
    fclose(file);
    return path;
}

std::string readFile(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    char chunk[65536];
    for (size_t n; file && (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.append(chunk, n);
    if (file) fclose(file);
    return bytes;
}

// The largest distance of frames [first, first + count) of a pull from the encoded sine.
double sineError(const int16_t* pcm, uint64_t first, uint32_t count) {
    double worst = 0.0;
    for (uint32_t i = 0; i < count; ++i) {
        const double n = double(first + i);
        const double expected = kSineAmp * 32767.0 * std::sin(2.0 * M_PI * kSineHz * n / kRate);
        worst = std::max(worst, std::fabs(pcm[2 * i] - expected));
    }
    return worst;
}

const uint64_t kLongSineFrames = 40 * kRate; // sine_bin10_long.mp3
const uint64_t kMp3FrameSamples = 1152;
const double kSineTolerance = 0.02 * 32768.0;

TEST_F(ManualAudio, StreamsAreCreatedStoppedAtZeroWithTheExactLength) {
    struct Case {
        const char* name;
        uint64_t frames;
    } cases[] = {{"sine_bin10.mp3", kSineFrames}, {"silence_mono.mp3", kSilenceFrames}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HSTREAM s = open(c.name);
        EXPECT_EQ(BASS_ChannelIsActive(s), (DWORD)BASS_ACTIVE_STOPPED);
        EXPECT_EQ(BASS_ChannelGetPosition(s, BASS_POS_BYTE), 0u);
        EXPECT_EQ(lengthFrames(s), c.frames);
        EXPECT_EQ(BASS_ChannelGetLength(s, BASS_POS_BYTE), c.frames * 4);
        EXPECT_TRUE(BASS_StreamFree(s));
    }
}

// A decoder that kept the encoder's delay would shift the sine by 1000-odd samples, which is no
// whole number of its 25.6-sample periods; one that kept the padding would be longer (above).
TEST_F(ManualAudio, DecodedSamplesLineUpWithTheEncodedSignal) {
    open("sine_bin10.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const int16_t* pcm = pull(kSineFrames);
    double worst = 0.0;
    for (uint32_t n = 2000; n < kSineFrames - 2000; ++n) {
        double expected = kSineAmp * 32767.0 * std::sin(2.0 * M_PI * kSineHz * n / kRate);
        worst = std::max(worst, std::fabs(pcm[2 * n] - expected));
        ASSERT_EQ(pcm[2 * n], pcm[2 * n + 1]) << n;
    }
    EXPECT_LT(worst, 0.02 * 32768.0);
}

// Decoding runs behind creation: a seek to the end of a long file, issued at once, must still
// land on exactly the right samples and spectrum.
TEST_F(ManualAudio, ASeekFarAheadRightAfterCreationPlaysTheSamplesThere) {
    open("sine_bin10_long.mp3");
    const uint64_t far = kLongSineFrames - 2 * kRate;
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, far * kBytesPerFrame, BASS_POS_BYTE));
    EXPECT_EQ(frame(), far);
    float bins[128];
    ASSERT_EQ(BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256 | BASS_DATA_FLOAT), 512u);
    EXPECT_NEAR(bins[10], kSineAmp, 0.02);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), kLongSineFrames * kBytesPerFrame);

    // A second of it, period by period as a device pulls: a second's clock without a pull would
    // count as a hanging output and hand the stream to the real-time silent output.
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const uint32_t kPeriod = 1024;
    const uint32_t periods = kRate / kPeriod;
    for (uint32_t p = 0; p < periods; ++p) {
        ASSERT_LT(sineError(pull(kPeriod), far + p * kPeriod, kPeriod), kSineTolerance) << p;
        advanceFrames(kPeriod);
    }
    EXPECT_EQ(frame(), far + periods * kPeriod);
    EXPECT_EQ(audioTestOutputKind(), AUDIO_OUTPUT_MANUAL);
}

// A file cut short plays what it holds, as a whole decode did; a little garbage in the middle
// costs the frames it hit; garbage the decoder cannot resynchronise on is refused at creation.
// Nothing hangs: every stream that is created plays to its end. (A damaged file no longer
// matches its gapless tag, so the decoder keeps the encoder's delay: only the spectrum, which
// does not care for the shift, is compared.)
TEST_F(ManualAudio, DamagedFilesAreRefusedAtCreationOrPlayToTheirEnd) {
    const std::string whole = readFile(tone("sine_bin10_long.mp3"));
    ASSERT_GT(whole.size(), 100000u);
    auto withGarbage = [&](size_t bytes) {
        std::string damaged = whole;
        uint32_t noise = 12345;
        for (size_t i = 0; i < bytes; ++i) {
            noise = noise * 1103515245u + 12345u;
            damaged[whole.size() / 2 + i] = char(noise >> 24);
        }
        return damaged;
    };
    const struct Case {
        const char* name;
        std::string bytes;
        uint64_t fewestFrames, mostFrames; // 0, 0: refused
    } cases[] = {
        {"audio_truncated.mp3", whole.substr(0, whole.size() / 2 + 77), kLongSineFrames * 45 / 100,
         kLongSineFrames * 55 / 100},
        {"audio_some_garbage.mp3", withGarbage(300), kLongSineFrames * 99 / 100,
         kLongSineFrames + 2 * kMp3FrameSamples},
        {"audio_much_garbage.mp3", withGarbage(20000), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTempFile(c.name, c.bytes);
        stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
        if (c.mostFrames == 0) {
            EXPECT_EQ(stream, 0u);
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
            continue;
        }
        ASSERT_NE(stream, 0u);
        const uint64_t length = BASS_ChannelGetLength(stream, BASS_POS_BYTE) / kBytesPerFrame;
        EXPECT_GE(length, c.fewestFrames);
        EXPECT_LE(length, c.mostFrames);
        float bins[128];
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, kRate * kBytesPerFrame, BASS_POS_BYTE));
        BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256 | BASS_DATA_FLOAT);
        EXPECT_NEAR(bins[10], kSineAmp, 0.02);
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE));
        ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
        // Pulled and heard as a device would, period after period: an output
        // that stops pulling while its clock runs counts as lost.
        const uint32_t chunk = kRate / 4;
        for (uint64_t pulled = 0; pulled <= length; pulled += chunk) {
            pull(chunk);
            advanceFrames(chunk);
        }
        EXPECT_EQ(BASS_ChannelIsActive(stream), (DWORD)BASS_ACTIVE_STOPPED);
        EXPECT_EQ(frame(), length);
        EXPECT_TRUE(BASS_StreamFree(stream));
    }
}

TEST_F(ManualAudio, FilesThatCannotBePlayedGiveNoStreamAndAReason) {
    const std::string text = writeTempFile("audio_not_mp3.txt", "just some words, no sound\n");
    const std::string empty = writeTempFile("audio_empty.mp3", "");
    const std::string missing = tone("no_such_file.mp3");
    const std::string halfRate = tone("sine_22050.mp3");
    struct Case {
        const char* path;
        int error;
    } cases[] = {{missing.c_str(), BASS_ERROR_FILEOPEN},
                 {text.c_str(), BASS_ERROR_FORMAT},
                 {empty.c_str(), BASS_ERROR_FORMAT},
                 {halfRate.c_str(), BASS_ERROR_FORMAT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, c.path, 0, 0, BASS_STREAM_PRESCAN), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), c.error);
    }
    const std::string good = tone("sine_bin10.mp3");
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, good.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    // The failures leave nothing behind.
    open("sine_bin10.mp3");
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
}

TEST_F(ManualAudio, OnlyTheOpenStreamsHandleIsAccepted) {
    EXPECT_FALSE(BASS_ChannelPlay(0, FALSE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    HSTREAM first = open("sine_bin10.mp3");
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, tone("silence_mono.mp3").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_BUSY);
    EXPECT_FALSE(BASS_ChannelPause(first + 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_TRUE(BASS_StreamFree(first));

    // A freed handle stays dead even when a new stream is open.
    HSTREAM second = open("silence_mono.mp3");
    EXPECT_NE(second, first);
    EXPECT_EQ(BASS_ChannelGetPosition(first, BASS_POS_BYTE), (QWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_StreamFree(first));
    float fft[128];
    EXPECT_EQ(BASS_ChannelGetData(first, fft, BASS_DATA_FFT256 | BASS_DATA_FLOAT), (DWORD)-1);
    EXPECT_EQ(BASS_ChannelGetPosition(second, BASS_POS_BYTE), 0u);
}

TEST(AudioLifecycle, CallsNeedOneSuccessfulInit) {
    const std::string path = tone("sine_bin10.mp3");
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Start());
    EXPECT_FALSE(BASS_Free());
    EXPECT_FALSE(BASS_Init(-1, 48000, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    audioTestSelectManualOutput(0);
    ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(BASS_Start());
    // Free releases the stream with the output.
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(audioTestOutputKind(), AUDIO_OUTPUT_NONE);
    EXPECT_FALSE(BASS_ChannelIsActive(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST_F(ManualAudio, ConversionsUseWholeFrames) {
    open("sine_bin10.mp3");
    EXPECT_EQ(BASS_ChannelBytes2Seconds(stream, 176400), 1.0);
    EXPECT_EQ(BASS_ChannelBytes2Seconds(stream, 176400 + 3), 1.0);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 10.0f), 1764000u);
    // 216 rows at 21.6 rows per second, through single precision as the timer does it.
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, (float)(216 / 21.6)), 1764000u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, -2.0), 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 0.4 / kRate), 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 0.6 / kRate), 4u);
    for (uint64_t frames :
         {uint64_t(1), uint64_t(441), uint64_t(12345), kSineFrames - 1, uint64_t(158760000)}) {
        double seconds = BASS_ChannelBytes2Seconds(stream, frames * kBytesPerFrame);
        EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, seconds), frames * kBytesPerFrame) << frames;
    }
}

} // namespace
