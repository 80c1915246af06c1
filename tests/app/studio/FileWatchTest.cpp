#include "app/studio/FileWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int64_t kSettleNs = 10000000;
// Polls run this far after every write, so the settling never holds a change
// back unless a test asks for it.
const int64_t kLater = 60LL * 1000000000;

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct Poll {
    bool changed;
    std::vector<std::string> names;
};

Poll poll(FileWatch* watch, int64_t nowNs) {
    Poll result;
    int64_t newest = 0;
    result.changed = pollWatch(watch, nowNs, &result.names, &newest);
    return result;
}

} // namespace

TEST(FileWatch, EverySaveIsSeenOnce) {
    const fs::path dir = fs::path(::testing::TempDir()) / "file-watch";
    fs::remove_all(dir);
    fs::create_directories(dir);
    write(dir / "a.tracks", "one");
    write(dir / "b.tracks", "two");
    write(dir / "notes.txt", "not watched");
    FileWatch watch{dir.string() + "/", ".tracks", kSettleNs, {}};
    resetWatch(&watch);
    EXPECT_FALSE(poll(&watch, wallClockNs() + kLater).changed) << "nothing saved yet";

    using Step = void (*)(const fs::path&);
    struct Case {
        const char* what;
        Step edit;
        std::vector<std::string> names;
    } cases[] = {
        {"written in place",
         [](const fs::path& d) { write(d / "a.tracks", "one, longer"); },
         {"a.tracks"}},
        {"saved by rename", // same size, new inode
         [](const fs::path& d) {
             write(d / "b.tracks.new", "TWO");
             fs::rename(d / "b.tracks.new", d / "b.tracks");
         },
         {"b.tracks"}},
        {"replaced by rename with the same size and time", // only the inode tells
         [](const fs::path& d) {
             write(d / "b.tracks.new", "Two");
             fs::last_write_time(d / "b.tracks.new", fs::last_write_time(d / "b.tracks"));
             fs::rename(d / "b.tracks.new", d / "b.tracks");
         },
         {"b.tracks"}},
        {"a new file", [](const fs::path& d) { write(d / "c.tracks", "three"); }, {"c.tracks"}},
        {"a removed file", [](const fs::path& d) { fs::remove(d / "a.tracks"); }, {"a.tracks"}},
        {"unwatched files",
         [](const fs::path& d) {
             write(d / "notes.txt", "changed");
             write(d / ".b.tracks.swp", "editor's");
         },
         {}},
    };
    for (const Case& c : cases) {
        c.edit(dir);
        const Poll first = poll(&watch, wallClockNs() + kLater);
        EXPECT_EQ(first.changed, !c.names.empty()) << c.what;
        EXPECT_EQ(first.names, c.names) << c.what;
        EXPECT_FALSE(poll(&watch, wallClockNs() + kLater).changed) << c.what << " seen twice";
    }
}

TEST(FileWatch, WaitsUntilTheWriteSettles) {
    const fs::path dir = fs::path(::testing::TempDir()) / "file-watch-settle";
    fs::remove_all(dir);
    fs::create_directories(dir);
    FileWatch watch{dir.string() + "/", ".glsl", kSettleNs, {}};
    resetWatch(&watch);
    write(dir / "blur.glsl", "void main() {}");
    int64_t saved = 0;
    std::vector<std::string> names;
    const FileStamp stamp = scanFolder(watch.dir, ".glsl").at(0);
    EXPECT_FALSE(pollWatch(&watch, stamp.modifiedNs + kSettleNs - 1, &names, &saved));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(pollWatch(&watch, stamp.modifiedNs + kSettleNs, &names, &saved));
    EXPECT_EQ(saved, stamp.modifiedNs) << "the save time is the file's";

    write(dir / "blur.glsl", "void main() { discard; }");
    fs::last_write_time(dir / "blur.glsl",
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    EXPECT_TRUE(pollWatch(&watch, wallClockNs(), &names, &saved))
        << "a future stamp waits for nothing";
}
