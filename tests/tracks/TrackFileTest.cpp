#include "tracks/TrackFile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

using namespace trackc;

namespace {

const char* const kSources[] = {"camera", "symbol", "eq",      "strobe",
                                "video",  "laser",  "circles", "glow"};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string makeTempDir() {
    std::string pattern = ::testing::TempDir() + "trackc-XXXXXX";
    EXPECT_NE(mkdtemp(&pattern[0]), nullptr);
    return pattern + "/";
}

// File name -> contents of every file in a directory.
std::map<std::string, std::string> readDir(const std::string& dir) {
    std::map<std::string, std::string> files;
    DIR* d = opendir(dir.c_str());
    while (dirent* entry = d ? readdir(d) : nullptr)
        if (entry->d_name[0] != '.') files[entry->d_name] = readFile(dir + entry->d_name);
    if (d) closedir(d);
    return files;
}

int runCompiler(const std::string& out, const std::string& sources, const std::string& log) {
    std::string command = std::string(TRACKC_EXE) + " --map " + TRACKS_DIR + "music-map.txt" +
                          " --out " + out + sources + " 2>" + log;
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string starterSources() {
    std::string list;
    for (const char* name : kSources)
        list += std::string(" ") + TRACKS_DIR + name + ".tracks";
    return list;
}

int32_t readInt32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

} // namespace

TEST(TrackFile, BytesOfASmallTrack) {
    SourceTrack track{"eq:br",
                      {{-40, -1.5f, INTERP_HOLD},
                       {0, 0.25f, INTERP_LINEAR},
                       {505, 3.75f, INTERP_SMOOTHSTEP},
                       {70000, 0.1f, INTERP_QUADRATIC}},
                      "a",
                      1};
    std::vector<uint8_t> bytes = encodeTrack(track);
    const std::vector<uint8_t> expected = {
        4,    0,    0,    0,    0,    0,    0,    0,       // count, ignored
        0xd8, 0xff, 0xff, 0xff, 0x00, 0x00, 0xc0, 0xbf, 0, // -40, -1.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3e, 1, // 0, 0.25
        0xf9, 0x01, 0x00, 0x00, 0x00, 0x00, 0x70, 0x40, 2, // 505, 3.75
        0x70, 0x11, 0x01, 0x00, 0xcd, 0xcc, 0xcc, 0x3d, 3, // 70000, 0.1
    };
    EXPECT_EQ(bytes, expected);

    // Read back as the program reads it.
    ASSERT_EQ(bytes.size(), kTrackHeaderSize + 4 * kKeyRecordSize);
    EXPECT_EQ(readInt32(bytes.data()), 4);
    for (size_t i = 0; i < track.keys.size(); ++i) {
        const uint8_t* record = bytes.data() + kTrackHeaderSize + i * kKeyRecordSize;
        float value;
        std::memcpy(&value, record + 4, sizeof value);
        EXPECT_EQ(readInt32(record), track.keys[i].row);
        EXPECT_EQ(value, track.keys[i].value);
        EXPECT_EQ(int8_t(record[8]), track.keys[i].interpolation);
    }

    EXPECT_EQ(encodeTrack(SourceTrack{"eq:br", {}, "a", 1}), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(trackFileName("Camera:offset.x"), "sync_Camera:offset.x.track");
}

TEST(TrackFile, CompilerWritesAllOrNothing) {
    std::string root = makeTempDir();
    std::string out = root + "out/";
    std::string again = root + "again/";
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(again.c_str(), 0700), 0);
    std::string log = root + "log.txt";

    // One bad key among good sources: status 1, the message, and no file.
    std::string bad = root + "bad.tracks";
    writeFile(bad, "# camera\ntrack Camera:dist\n  0 5\n  drop1 inf\n");
    EXPECT_EQ(runCompiler(out, starterSources() + " " + bad, log), 1);
    std::string duplicate =
        bad + ":2: track \"Camera:dist\" is already defined at " + TRACKS_DIR + "camera.tracks:";
    EXPECT_EQ(readFile(log).rfind(duplicate, 0), 0u) << readFile(log);
    EXPECT_TRUE(readDir(out).empty());
    EXPECT_EQ(runCompiler(out, " " + bad, log), 1);
    EXPECT_EQ(readFile(log), bad + ":4: value \"inf\" is not a finite number\n");
    EXPECT_TRUE(readDir(out).empty());

    // A position whose terms overflow to infinity and sum to NaN.
    const std::string huge(309, '9');
    writeFile(bad, "track strobo\n  " + huge + "-" + huge + " 1\n");
    EXPECT_EQ(runCompiler(out, " " + bad, log), 1);
    EXPECT_EQ(readFile(log).rfind(bad + ":2: \"" + huge + "-", 0), 0u) << readFile(log);
    EXPECT_TRUE(readDir(out).empty());

    // A missing track.
    EXPECT_EQ(runCompiler(out, starterSources().substr(0, starterSources().rfind(' ')), log), 1);
    EXPECT_EQ(readFile(log), "halcyon-trackc: 2 tracks not defined: glow:glowbr, glow:origbr\n");
    EXPECT_TRUE(readDir(out).empty());

    // The starter set, twice: 45 files, the same bytes each time.
    ASSERT_EQ(runCompiler(out, starterSources(), log), 0) << readFile(log);
    ASSERT_EQ(runCompiler(again, starterSources(), log), 0) << readFile(log);
    std::map<std::string, std::string> files = readDir(out);
    EXPECT_EQ(files.size(), size_t(kTrackCount));
    for (const char* name : kTrackNames)
        EXPECT_EQ(files.count(trackFileName(name)), 1u) << name;
    EXPECT_EQ(files, readDir(again));
    std::system(("rm -r " + root).c_str());
}

TEST(TrackFile, CompilerCommandLine) {
    std::string root = makeTempDir();
    const std::string log = root + "log.txt";
    const std::string expected =
        "halcyon-trackc: expected --map MUSIC_MAP --out DIR SOURCE... (see --help)\n";
    struct Case {
        std::string arguments;
        int status;
        std::string stdoutText; // and nothing on stderr, or
        std::string stderrText; // and nothing on stdout
    } cases[] = {
        {"--help", 0, "usage: halcyon-trackc --map MUSIC_MAP --out DIR SOURCE...\n", ""},
        {"--out " + root + " a.tracks --help", 0,
         "usage: halcyon-trackc --map MUSIC_MAP --out DIR SOURCE...\n", ""},
        {"", 2, "", expected},
        {"--map m --out " + root, 2, "", expected},
        {"--map m --out " + root + " --verbose a.tracks", 2, "",
         "halcyon-trackc: unknown option --verbose (see --help)\n"},
    };
    for (const Case& c : cases) {
        const std::string command =
            std::string(TRACKC_EXE) + " " + c.arguments + " >" + log + ".out 2>" + log;
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << c.arguments;
        EXPECT_EQ(readFile(log + ".out"), c.stdoutText) << c.arguments;
        EXPECT_EQ(readFile(log), c.stderrText) << c.arguments;
    }
    std::system(("rm -r " + root).c_str());
}
