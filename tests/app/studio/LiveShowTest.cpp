#include "app/studio/LiveShow.h"

#include "tracks/TrackCompile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// CTest runs each test as a process of its own, several at once: every test
// gets a folder of its own.
std::string testFolder(const char* prefix) {
    return std::string(prefix) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

const char kStrobe[] = "strobo";

class LiveTracksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tracks = fs::path(::testing::TempDir()) / testFolder("live-tracks");
        fs::remove_all(tracks);
        fs::copy(SHOW_TRACKS_DIR, tracks);
        trackc::Error error;
        ASSERT_TRUE(
            trackc::readMusicMap(std::string(SHOW_TRACKS_DIR) + "music-map.txt", &map, &error));
        // A device whose files do not exist: every value must come from the
        // compiled sources.
        device = sync_new_device((tracks / "nowhere").c_str());
    }
    void TearDown() override { sync_free_device(device); }

    bool compileAndInstall(std::string* message) {
        std::vector<trackc::SourceTrack> compiled;
        trackc::Error error;
        if (!compileTrackFolder(tracks.string() + "/", map, &compiled, &error)) {
            *message = trackc::formatError(error);
            return false;
        }
        installTracks(device, compiled);
        return true;
    }

    void writeStrobe(const std::string& text) {
        std::ofstream(tracks / "strobe.tracks", std::ios::trunc) << text;
    }

    fs::path tracks;
    trackc::MusicMap map;
    SyncDevice* device;
};

} // namespace

TEST_F(LiveTracksTest, SavesReplaceKeysInPlaceAndErrorsKeepThem) {
    std::string message;
    // The first frame may have read a track already: its pointer, held by the
    // name cache, must see the new keys.
    testing::internal::CaptureStdout();
    Track* strobe = sync_open_track(device, kStrobe);
    ASSERT_EQ(testing::internal::GetCapturedStdout(), "Zowie!\n");

    writeStrobe("track strobo linear\n    0 0\n    1000 1 hold\n");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(compileAndInstall(&message)) << message;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "every track served from memory";
    EXPECT_EQ(device->trackCount, kTrackCount);
    EXPECT_EQ(device->tracks[sync_find_track(device, kStrobe)], strobe);
    EXPECT_FLOAT_EQ(sync_get_val(strobe, 250), 0.25f);
    EXPECT_FLOAT_EQ(sync_get_val(strobe, 2000), 1.0f);

    writeStrobe("track strobo\n    0 2\n");
    ASSERT_TRUE(compileAndInstall(&message)) << message;
    EXPECT_FLOAT_EQ(sync_get_val(strobe, 960), 2.0f);
    EXPECT_EQ(strobe->keyCount, 1);

    writeStrobe("track strobo\n    0 0\n    960 oops\n");
    EXPECT_FALSE(compileAndInstall(&message));
    EXPECT_EQ(message, (tracks / "strobe.tracks").string() + ":3: \"oops\" is not a number");
    EXPECT_FLOAT_EQ(sync_get_val(strobe, 960), 2.0f) << "the last good keys stay";

    fs::remove(tracks / "strobe.tracks");
    EXPECT_FALSE(compileAndInstall(&message));
    EXPECT_EQ(message, "1 track not defined: strobo");

    // The device reads its own files again once the sources are in.
    testing::internal::CaptureStdout();
    Track* fresh = sync_open_track(device, "no:such");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Zowie!\n");
    EXPECT_EQ(fresh->keyCount, 0);
}

TEST(LiveShaders, ReportsCountLinesFromTheTopOfTheFile) {
    // Five lines of vertex shader, the marker on line 6: the fragment stage's
    // line 4 is the file's line 9.
    const std::string file = "#version 120\nvoid main() {\n  gl_Position = gl_Vertex;\n}\n\n"
                             "//____FRAGMENT_SHADER____\n#version 120\nvoid main() {\n"
                             "  gl_FragColor = nope;\n}\n";
    struct Case {
        const char* what;
        std::string report;
        std::string expected;
    } cases[] = {
        {"fragment stage",
         "\n\tError compiling shader /s/shaders/x.glsl [FS]: (79)\n"
         "0:4(18): error: `nope' undeclared\n0:4(3): error: type mismatch\n",
         "Error compiling shader /s/shaders/x.glsl [FS]:\n"
         "0:9(18): error: `nope' undeclared\n0:9(3): error: type mismatch\n"},
        {"vertex stage: its lines are the file's",
         "\n\tError compiling shader /s/x.glsl [VS]: (40)\n0:3(17): error: bad\n",
         "Error compiling shader /s/x.glsl [VS]:\n0:3(17): error: bad\n"},
        {"lines the driver does not number stay",
         "\n\tError compiling shader /s/x.glsl [FS]: (30)\nerror: 12 problems\n0:x(1) odd\n",
         "Error compiling shader /s/x.glsl [FS]:\nerror: 12 problems\n0:x(1) odd\n"},
        {"a link report", "\tError linking shader /s/x.glsl\nerror: no main\n",
         "Error linking shader /s/x.glsl\nerror: no main\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shaderReportForFile(c.report, file), c.expected) << c.what;
}

TEST(LiveMusicMap, TheShowFoldersOwnBesideTheSourcesOrAsInstalled) {
    const fs::path show = fs::path(::testing::TempDir()) / "live-map-show";
    fs::remove_all(show);
    fs::create_directories(show / "tracks");
    const std::string dir = show.string() + "/";
    EXPECT_EQ(showMusicMapPath(dir), "") << "none: the build's map stands";
    std::ofstream(show / "music-map.txt") << "end 3840\n";
    EXPECT_EQ(showMusicMapPath(dir), dir + "music-map.txt");
    std::ofstream(show / "tracks" / "music-map.txt") << "end 3840\n";
    EXPECT_EQ(showMusicMapPath(dir), dir + "tracks/music-map.txt");
}

TEST_F(LiveTracksTest, TheStudiosOwnWritesAreNotReportedBack) {
    // The studio's show folder holds tracks/.
    const fs::path show = fs::path(::testing::TempDir()) / "live-show";
    fs::remove_all(show);
    fs::create_directories(show);
    fs::rename(tracks, show / "tracks");
    tracks = show / "tracks";
    LiveShow live{};
    live.showDir = show.string() + "/";
    live.map = &map;
    live.device = device;
    // No settling: the test's own writes are whole.
    live.trackWatch = makeWatch(tracks.string() + "/", ".tracks", "", 0, 0);
    std::vector<std::string> changed;
    int64_t newestNs = 0;

    // A rename over the old file, as the studio's atomic write does.
    std::ofstream(tracks / "strobe.tmp") << "track strobo\n    0 2\n";
    fs::rename(tracks / "strobe.tmp", tracks / "strobe.tracks");
    ASSERT_TRUE(trackFileWritten(&live, {"strobe.tracks"})) << live.tracksError;
    EXPECT_FLOAT_EQ(sync_get_val(device->tracks[sync_find_track(device, kStrobe)], 960), 2.0f);
    const int generation = live.tracksGeneration;
    EXPECT_FALSE(pollWatch(&live.trackWatch, wallClockNs(), &changed, &newestNs))
        << "the studio's write came back as " << changed.front();

    // Another file saved meanwhile is still reported, and so is a later
    // save of the same file by an editor.
    std::ofstream(tracks / "glow.tracks", std::ios::app) << "# saved\n";
    ASSERT_TRUE(trackFileWritten(&live, {"strobe.tracks"}));
    EXPECT_EQ(live.tracksGeneration, generation + 1);
    ASSERT_TRUE(pollWatch(&live.trackWatch, wallClockNs(), &changed, &newestNs));
    EXPECT_EQ(changed, std::vector<std::string>{"glow.tracks"});
    writeStrobe("track strobo\n    0 1.5\n"); // another size: the same stamp time may recur
    ASSERT_TRUE(pollWatch(&live.trackWatch, wallClockNs(), &changed, &newestNs));
    EXPECT_EQ(changed, std::vector<std::string>{"strobe.tracks"});

    // A write that breaks the tracks keeps the keys in use and says why.
    writeStrobe("track strobo\n    0 oops\n");
    EXPECT_FALSE(trackFileWritten(&live, {"strobe.tracks"}));
    EXPECT_NE(live.tracksError.find("strobe.tracks:2: "), std::string::npos) << live.tracksError;
    EXPECT_FLOAT_EQ(sync_get_val(device->tracks[sync_find_track(device, kStrobe)], 960), 2.0f);
}

// The bookmark file is watched like the sources: a good save is taken, a bad
// one reports file:line once it persists and keeps the last good bookmarks,
// a removed file holds none, and the studio's own write is not handed back.
TEST_F(LiveTracksTest, BookmarkSavesAreTakenAndBadOnesKeepTheLastGood) {
    const fs::path show = fs::path(::testing::TempDir()) / "live-bookmarks";
    fs::remove_all(show);
    fs::create_directories(show);
    LiveShow live{};
    live.showDir = show.string() + "/";
    live.map = &map;
    live.device = device;
    live.bookmarkWatch = makeWatch(live.showDir, "", kBookmarkFileName, 0, 0);
    const fs::path file = show / kBookmarkFileName;
    const auto save = [&](const std::string& text) {
        std::ofstream(show / "b.tmp") << text;
        fs::rename(show / "b.tmp", file);
    };
    const auto rows = [&] {
        std::vector<int32_t> result;
        for (const Bookmark& bookmark : live.bookmarks)
            result.push_back(bookmark.row);
        return result;
    };

    save("climax drop2+4:0\nstart 0\n");
    EXPECT_TRUE(pollLiveShow(&live));
    EXPECT_EQ(rows(), (std::vector<int32_t>{2720, 0}));
    EXPECT_TRUE(live.errorsOnScreen.empty()) << live.errorsOnScreen;

    save("climax drop2+4:0\nstart 0\nstart 40\n");
    testing::internal::CaptureStderr();
    pollLiveShow(&live);
    pollLiveShow(&live); // the failure held still: now it stands
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              file.string() + ":3: bookmark \"start\" is already set on line 2\n");
    EXPECT_EQ(rows(), (std::vector<int32_t>{2720, 0})) << "the last good bookmarks stay";
    EXPECT_EQ(live.errorsOnScreen,
              "bookmarks.txt:3: bookmark \"start\" is already set on line 2\n");

    fs::remove(file);
    EXPECT_TRUE(pollLiveShow(&live));
    EXPECT_TRUE(live.bookmarks.empty());
    EXPECT_TRUE(live.errorsOnScreen.empty()) << live.errorsOnScreen;

    save("mine 960\n");
    std::vector<Bookmark> written;
    trackc::Error error;
    ASSERT_TRUE(parseBookmarks("mine 960\n", file.string(), map, &written, &error));
    bookmarkFileWritten(&live, written);
    EXPECT_EQ(rows(), std::vector<int32_t>{960});
    EXPECT_FALSE(pollLiveShow(&live)) << "the studio's own write came back";
}
