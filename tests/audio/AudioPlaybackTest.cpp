// The play position: interpolation between pulls, irregular pulls, pause, seek and the end.
#include "tests/audio/AudioTestSupport.h"

#include "audio/AudioOutput.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

const uint32_t kPeriod = 1024;

TEST_F(ManualAudio, PositionFollowsTheClockBetweenPullsButNotBeyondThem) {
    open("sine_bin10.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), (DWORD)BASS_ACTIVE_PLAYING);
    advanceFrames(500);
    EXPECT_EQ(frame(), 0u) << "nothing was handed to the output yet";
    pull(kPeriod);
    advanceFrames(256);
    EXPECT_EQ(frame(), 256u);
    advanceFrames(700);
    EXPECT_EQ(frame(), 956u);
    advanceFrames(300);
    EXPECT_EQ(frame(), kPeriod) << "cannot have heard more than was handed out";
    pull(kPeriod);
    advanceFrames(100);
    EXPECT_EQ(frame(), kPeriod + 100);
}

// Pulls come on a steady schedule but sometimes early, twice in a row or late; the position is
// read every 100 frames' time and must glide, never jump, fall back or run ahead.
TEST_F(LatentManualAudio, PositionIsSmoothWhenPullsAreIrregular) {
    open("silence_mono.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const double step = 100;
    const double early = 300, late = 200;
    // Pull k is due at (k - 2) periods: the device fills its two buffers at once on start.
    auto due = [&](uint32_t k) {
        double at = k < 2 ? 0.0 : (k - 2.0) * kPeriod;
        if (k % 9 == 4) at -= early;
        if (k % 11 == 7) at -= kPeriod; // together with the pull before it
        if (k == 30) at += late;
        return at;
    };
    // Events in time order on a clock kept in absolute frames, so rounding never accumulates.
    int64_t clockNs = 0;
    auto moveClockTo = [&](double frames) {
        int64_t target = (int64_t)std::ceil(frames * 1e9 / kRate);
        audioTestAdvanceClock(target - clockNs);
        clockNs = target;
    };
    uint32_t next = 0;
    uint64_t previous = 0;
    const double end = 64 * kPeriod;
    double now = 0;
    for (; now < end; now += step) {
        while (due(next) <= now) {
            moveClockTo(std::max(due(next), now - step));
            pull(kPeriod);
            ++next;
        }
        moveClockTo(now);
        uint64_t position = frame();
        ASSERT_GE(position, previous) << "at " << now;
        ASSERT_LE(position - previous, step * 1.25 + 1) << "at " << now;
        // The true position is the time since the start; early pulls must not pull ahead of it.
        ASSERT_LE((double)position, now + 1) << "at " << now;
        previous = position;
    }
    // The last pull that came late or lowered the estimate has long left the history, so the
    // position is back on the true one (with the 2048-frame latency: the time since the start).
    EXPECT_NEAR((double)previous, now - step, 1.0);
}

TEST_F(ManualAudio, PauseHoldsThePositionAndPlayContinuesFromIt) {
    open("sine_bin10.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const int16_t* handed = pull(kPeriod);
    const std::vector<int16_t> first(handed, handed + 2 * kPeriod);
    advanceFrames(500);
    ASSERT_EQ(frame(), 500u);
    EXPECT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), (DWORD)BASS_ACTIVE_PAUSED);
    advanceFrames(2000);
    const int16_t* paused = pull(kPeriod);
    EXPECT_EQ(std::count(paused, paused + 2 * kPeriod, 0), 2 * kPeriod) << "paused plays silence";
    EXPECT_EQ(frame(), 500u);
    EXPECT_TRUE(BASS_ChannelPause(stream));

    EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(frame(), 500u);
    const int16_t* resumed = pull(kPeriod);
    // What was handed out but not heard before the pause comes again.
    for (uint32_t i = 0; i < 2 * (kPeriod - 500); ++i)
        ASSERT_EQ(resumed[i], first[2 * 500 + i]) << i;
    advanceFrames(100);
    EXPECT_EQ(frame(), 600u);
    EXPECT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_EQ(frame(), 0u);
}

TEST_F(ManualAudio, SeekingClampsAndPlaybackContinuesFromTheNewPosition) {
    open("sine_bin10.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const int16_t* decoded = pull(kSineFrames);
    const std::vector<int16_t> whole(decoded, decoded + 2 * kSineFrames);
    ASSERT_TRUE(BASS_ChannelPlay(stream, TRUE));

    // While stopped or paused the position is simply where it was set.
    EXPECT_TRUE(BASS_ChannelPause(stream));
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 4 * 1000 + 3, BASS_POS_BYTE));
    EXPECT_EQ(frame(), 1000u);
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 4 * (kSineFrames + 5000), BASS_POS_BYTE));
    EXPECT_EQ(frame(), kSineFrames);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 0, 7));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 4 * 2000, BASS_POS_BYTE));
    EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
    pull(kPeriod);
    advanceFrames(300);
    EXPECT_EQ(frame(), 2300u);
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 4 * 40000, BASS_POS_BYTE));
    EXPECT_EQ(frame(), 40000u) << "a seek shows at once";
    advanceFrames(300);
    EXPECT_EQ(frame(), 40000u) << "until the output takes frames from there";
    const int16_t* after = pull(kPeriod);
    for (uint32_t i = 0; i < 2 * kPeriod; ++i)
        ASSERT_EQ(after[i], whole[2 * 40000 + i]) << i;
    advanceFrames(10);
    EXPECT_EQ(frame(), 40010u);
}

// With a latency the output has taken the last frames before they are heard; the stream plays
// until then, stops at its length and stays there.
TEST_F(LatentManualAudio, TheEndStopsThePositionOnceHeard) {
    open("sine_bin10.mp3");
    const uint64_t start = kSineFrames - 3 * kPeriod - 100;
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, 4 * start, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    uint64_t handedOut = start, previous = start;
    while (handedOut < kSineFrames + latency) {
        const int16_t* pcm = pull(kPeriod);
        if (handedOut + kPeriod > kSineFrames) {
            EXPECT_EQ(pcm[2 * kPeriod - 1], 0) << "silence past the end";
        }
        handedOut += kPeriod;
        for (int part = 0; part < 4; ++part) {
            advanceFrames(kPeriod / 4);
            uint64_t position = frame();
            ASSERT_GE(position, previous);
            ASSERT_LE(position, kSineFrames);
            DWORD active = BASS_ChannelIsActive(stream);
            EXPECT_EQ(active, position < kSineFrames ? (DWORD)BASS_ACTIVE_PLAYING
                                                     : (DWORD)BASS_ACTIVE_STOPPED);
            previous = position;
        }
    }
    EXPECT_EQ(frame(), kSineFrames);
    pull(kPeriod);
    advanceFrames(5 * kPeriod);
    EXPECT_EQ(frame(), kSineFrames);
    EXPECT_EQ(BASS_ChannelIsActive(stream), (DWORD)BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
}

// The one test on the real clock: the silent output must move the position at all, forward
// only, and not faster than real time. Its pulls are never early, so the position can be ahead
// of the time since play only by how late the pull before play came; the position's own
// catch-up limit would let an output that pulls too fast show as a quarter ahead (in a stream
// long enough that its end does not stop the position first).
TEST(SilentOutput, PositionAdvancesInRealTime) {
    setenv("HALCYON_AUDIO", "silent", 1);
    ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(audioTestOutputKind(), AUDIO_OUTPUT_SILENT);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, tone("sine_bin10_long.mp3").c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    QWORD previous = 0;
    for (int i = 0; i < 120; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
        ASSERT_GE(position, previous);
        previous = position;
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double played = BASS_ChannelBytes2Seconds(stream, previous);
    EXPECT_GT(played, 0.0);
    const double kLateness = 0.2; // seconds, generous for a loaded machine
    EXPECT_LT(played, elapsed + kLateness);
    EXPECT_TRUE(BASS_Free());
}

// The silent output's deadlines stay whole periods of 1024 frames at 44100 Hz from its start for
// weeks: 44100 periods are exactly 1024 s. The old arithmetic passed the 64-bit range near period
// 9.0e6 (58 hours); 13230000 periods (3.6 days) and 26460000 (a week) lie past it.
TEST(SilentOutput, ScheduleHoldsForWeeks) {
    const int64_t kSecond = 1000000000, kStart = 5 * kSecond, kOnePeriod = 23219954; // floor
    struct Case {
        int64_t period, due;
    };
    const Case cases[] = {{1, kStart + kOnePeriod},
                          {44100, kStart + 1024 * kSecond},
                          {13230000, kStart + 307200 * kSecond},
                          {13230001, kStart + 307200 * kSecond + kOnePeriod},
                          {26460000, kStart + 614400 * kSecond}};
    for (const Case& c : cases)
        EXPECT_EQ(silentPeriodDueNs(kStart, c.period), c.due) << c.period;
}

// A device that reports itself gone, or whose thread stops asking for frames, is replaced by the
// silent output from the position heard at that moment, with one line; the clock then goes on in
// real time instead of freezing the show, without the lost device's latency.
TEST(LostOutput, SilentOutputTakesOverAtTheHeardPosition) {
    const struct {
        const char* cause;
        bool disconnect;
        uint32_t latency, periodsPulled;
        double framesWithoutPull;
        uint64_t heardAtLoss;
    } cases[] = {
        {"unplugged", true, 0, 1, 500, 500},
        // Half a second without a pull; the estimate stopped at the end of what was handed out.
        {"hanging", false, 0, 1, 0.6 * kRate, kPeriod},
        // Three periods handed out at once, the first heard 2048 frames later.
        {"unplugged with a latency", true, 2048, 3, 2548, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        audioTestSelectManualOutput(c.latency);
        ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
        HSTREAM stream = BASS_StreamCreateFile(FALSE, tone("silence_mono.mp3").c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
        std::vector<int16_t> scratch(2 * kPeriod);
        for (uint32_t p = 0; p < c.periodsPulled; ++p)
            ASSERT_TRUE(audioTestPull(scratch.data(), kPeriod));
        advanceFrames(c.framesWithoutPull);
        if (c.disconnect) audioTestLoseOutput();

        testing::internal::CaptureStderr();
        const auto lost = std::chrono::steady_clock::now();
        const QWORD atLoss = BASS_ChannelGetPosition(stream, BASS_POS_BYTE) / kBytesPerFrame;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(atLoss, c.heardAtLoss);
        EXPECT_EQ(audioTestOutputKind(), AUDIO_OUTPUT_SILENT);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("lost"), std::string::npos) << said;
        EXPECT_FALSE(audioTestPull(scratch.data(), kPeriod)) << "the lost output pulls no more";

        // The silent output hears a pull at once: keeping the lost device's latency would hold
        // the show that far behind for the rest of the run. (Only the output can say so: from
        // outside, such a lag looks like a silent output that started late.)
        EXPECT_EQ(audioOutputLatencyFrames(), 0u);

        // Moving on from there, on the real clock (a generous bound: no timing is measured).
        QWORD now = atLoss;
        while (now == atLoss && std::chrono::steady_clock::now() - lost < std::chrono::seconds(5)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            now = BASS_ChannelGetPosition(stream, BASS_POS_BYTE) / kBytesPerFrame;
        }
        EXPECT_GT(now, atLoss);
        EXPECT_LT(now, atLoss + kRate) << "no jump at the hand-over";
        EXPECT_EQ(BASS_ChannelIsActive(stream), (DWORD)BASS_ACTIVE_PLAYING);
        EXPECT_TRUE(BASS_Free());
    }
}

// Every exit after the output started (a fatal error's exit(1) included) stops the output's
// thread before static objects are torn down: an exit handler registered before the audio layer
// starts runs after the layer's own, and must find the output closed.
void sayWhetherTheOutputStopped() {
    fprintf(stderr, audioTestOutputKind() == AUDIO_OUTPUT_NONE ? "output stopped\n"
                                                               : "output still running\n");
}

TEST(OutputAtExit, StopsBeforeTheProcessTearsDown) {
    EXPECT_EXIT(
        {
            atexit(sayWhetherTheOutputStopped);
            setenv("HALCYON_AUDIO", "silent", 1);
            BASS_Init(-1, kRate, 0, nullptr, nullptr);
            HSTREAM stream =
                BASS_StreamCreateFile(FALSE, tone("silence_mono.mp3").c_str(), 0, 0, 0);
            BASS_ChannelPlay(stream, FALSE);
            fprintf(stderr, "fatal\n");
            exit(1);
        },
        testing::ExitedWithCode(1), "^fatal\noutput stopped\n$");
}

// Without a sound card (as on build machines) the fallback is announced in exactly one line and
// nothing of the sound system's own complaints gets through.
TEST(DeviceOutput, FallingBackToSilenceSaysSoInOneLine) {
    const char* saved = getenv("HALCYON_AUDIO");
    std::string restore = saved ? saved : "";
    unsetenv("HALCYON_AUDIO");
    testing::internal::CaptureStderr();
    bool initialised = BASS_Init(-1, kRate, 0, nullptr, nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    if (saved) setenv("HALCYON_AUDIO", restore.c_str(), 1);
    ASSERT_TRUE(initialised);
    AudioOutputKind kind = audioTestOutputKind();
    BASS_Free();
    if (kind == AUDIO_OUTPUT_DEVICE) GTEST_SKIP() << "a sound device is present";
    EXPECT_EQ(kind, AUDIO_OUTPUT_SILENT);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("silent"), std::string::npos) << said;
}

} // namespace
