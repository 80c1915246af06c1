#include "app/studio/StudioOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// CTest runs each test as a process of its own, several at once: every test
// gets a folder of its own.
std::string testFolder(const char* prefix) {
    return std::string(prefix) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

struct Parsed {
    bool ok;
    StudioOptions options;
    std::string error;
};

class StudioOptionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        show = std::filesystem::path(::testing::TempDir()) / testFolder("studio-options-show");
        std::filesystem::create_directories(show / "tracks");
        std::filesystem::create_directories(show / "shaders");
        trackc::Error error;
        ASSERT_TRUE(trackc::parseMusicMap(
            "section drop1 960 1600\nsection drop2 2560 3200\nend 3840\n", "map", &map, &error));
    }

    Parsed parse(std::vector<std::string> args) {
        args.insert(args.begin(), "halcyon-studio");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(&arg[0]);
        Parsed parsed;
        parsed.ok = parseStudioOptions(int(argv.size()), argv.data(), map, show.string(),
                                       &parsed.options, &parsed.error);
        return parsed;
    }

    std::filesystem::path show;
    trackc::MusicMap map;
};

} // namespace

TEST_F(StudioOptionsTest, PositionsAsTheSourcesWriteThem) {
    struct Case {
        std::vector<std::string> args;
        int32_t from, loopStart, loopEnd;
    } cases[] = {
        {{"--from", "drop2-1:0"}, 2520, 0, 0},
        {{"--from", "12:2.5"}, 505, 0, 0},
        {{"--from", "drop1.end"}, 1600, 0, 0},
        {{"--from", "+drop1"}, 960, 0, 0},
        {{"--loop", "0..1"}, 0, 0, 1},
        {{"--loop", "drop1..drop1.end"}, 0, 960, 1600},
        {{"--loop", "drop1.end-4:0..drop2+0:2", "--from", "end"}, 3840, 1440, 2580},
    };
    for (const Case& c : cases) {
        const Parsed parsed = parse(c.args);
        ASSERT_TRUE(parsed.ok) << c.args[1] << ": " << parsed.error;
        EXPECT_EQ(parsed.options.hasFrom ? parsed.options.from : 0, c.from) << c.args[1];
        EXPECT_EQ(parsed.options.loopStart, c.loopStart) << c.args[1];
        EXPECT_EQ(parsed.options.loopEnd, c.loopEnd) << c.args[1];
    }
    const Parsed plain = parse({"--paused", "--size", "640x360"});
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_TRUE(plain.options.paused);
    EXPECT_FALSE(plain.options.hasFrom || plain.options.hasLoop);
    EXPECT_EQ(plain.options.width * 10000 + plain.options.height, 640 * 10000 + 360);
    EXPECT_EQ(plain.options.showDir, show.string() + "/");
}

TEST_F(StudioOptionsTest, BadArgumentsSayWhy) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--from", "drop3"}, "--from drop3: unknown section \"drop3\""},
        {{"--from", "12:5"}, "--from 12:5: beat 5 of \"12:5\" is not below 4"},
        {{"--from", "drop1-1000"},
         "--from drop1-1000: row -40 is outside the music (rows 0 to 3840)"},
        {{"--from", "end+1"}, "--from end+1: row 3841 is outside the music (rows 0 to 3840)"},
        {{"--loop", "drop1"}, "--loop drop1: expected START..END"},
        {{"--loop", "drop2..drop1"}, "--loop drop2..drop1: the loop must end after it starts"},
        {{"--loop", "drop1..drop1"}, "--loop drop1..drop1: the loop must end after it starts"},
        {{"--size", "640"}, "--size 640: expected WxH"},
        {{"--show", "/nonexistent"}, "--show /nonexistent/: no folder tracks/ in it"},
        {{"--from"}, "--from needs a value"},
        {{"--fast"}, "unexpected argument --fast"},
        {{"960"}, "unexpected argument 960"},
    };
    for (const Case& c : cases) {
        const Parsed parsed = parse(c.args);
        EXPECT_FALSE(parsed.ok) << c.args[0];
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(StudioShowDir, ReadBeforeTheOptionsAsTheParserReadsIt) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    } cases[] = {
        {{}, "/default/"},
        {{"--show", "/a"}, "/a/"},
        {{"--show", "/a/", "--paused", "--show", "/b"}, "/b/"}, // the last one counts
        {{"--from", "--show", "--show", "/c"}, "/c/"},          // a value is no option
        {{"--paused", "--show"}, "/default/"},                  // no value: the parser says so
    };
    for (Case& c : cases) {
        std::vector<char*> argv{const_cast<char*>("halcyon-studio")};
        for (std::string& arg : c.args)
            argv.push_back(&arg[0]);
        EXPECT_EQ(showDirArgument(int(argv.size()), argv.data(), "/default"), c.expected)
            << ::testing::PrintToString(c.args);
    }
}
