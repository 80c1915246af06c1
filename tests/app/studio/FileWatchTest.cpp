#include "app/studio/FileWatch.h"
#include "app/studio/LiveShow.h"

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
const int64_t kGraceNs = 400000000;
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
    result.changed = pollWatch(watch, nowNs, &result.names, &newest) == WATCH_BUILD;
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
    FileWatch watch = makeWatch(dir.string() + "/", ".tracks", "", kSettleNs, kGraceNs);
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
        // A removal has no time of its own: it settles from the poll that saw it.
        const bool removal = !c.names.empty() && !fs::exists(dir / c.names[0]);
        const int64_t later = wallClockNs() + kLater;
        Poll first = poll(&watch, later);
        if (removal) {
            EXPECT_FALSE(first.changed) << c.what << " reported the moment it was seen";
            first = poll(&watch, later + kSettleNs);
        }
        EXPECT_EQ(first.changed, !c.names.empty()) << c.what;
        EXPECT_EQ(first.names, c.names) << c.what;
        EXPECT_FALSE(poll(&watch, later + 2 * kSettleNs).changed) << c.what << " seen twice";
    }
}

TEST(FileWatch, WaitsUntilTheWriteSettles) {
    const fs::path dir = fs::path(::testing::TempDir()) / "file-watch-settle";
    fs::remove_all(dir);
    fs::create_directories(dir);
    FileWatch watch = makeWatch(dir.string() + "/", ".glsl", "", kSettleNs, kGraceNs);
    write(dir / "blur.glsl", "void main() {}");
    int64_t saved = 0;
    std::vector<std::string> names;
    const FileStamp stamp = scanFolder(watch.dir, ".glsl").at(0);
    EXPECT_EQ(pollWatch(&watch, stamp.modifiedNs + kSettleNs - 1, &names, &saved), WATCH_QUIET);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(pollWatch(&watch, stamp.modifiedNs + kSettleNs, &names, &saved), WATCH_BUILD);
    EXPECT_EQ(saved, stamp.modifiedNs) << "the save time is the file's";

    write(dir / "blur.glsl", "void main() { discard; }");
    fs::last_write_time(dir / "blur.glsl",
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    EXPECT_EQ(pollWatch(&watch, wallClockNs(), &names, &saved), WATCH_BUILD)
        << "a future stamp waits for nothing";
}

namespace {

// A folder on a fake clock (milliseconds, which are also the files' times)
// holding one file that a writer saves step by step.
struct FakeFolder {
    bool present = true;
    uint64_t inode = 1;
    int64_t modifiedMs = 0;
    std::string text;
    std::vector<FileStamp> stamps() const {
        if (!present) return {};
        return {FileStamp{"glow.tracks", inode, int64_t(text.size()), modifiedMs * 1000000}};
    }
};

enum WriteOp { TRUNCATE, APPEND, MOVE_AWAY, CREATE, RENAME_OVER };
struct Write {
    int64_t atMs;
    WriteOp op;
    std::string text;
};

void apply(FakeFolder* folder, const Write& write) {
    switch (write.op) {
    case TRUNCATE:
        folder->text.clear();
        break;
    case APPEND:
        folder->text += write.text;
        break;
    case MOVE_AWAY:
        folder->present = false;
        return;
    case CREATE:
    case RENAME_OVER:
        folder->present = true;
        folder->inode += 1;
        folder->text = write.text;
        break;
    }
    folder->modifiedMs = write.atMs;
}

// The stand-in compiler: a file cut inside a line, or empty, does not
// compile; one cut at a line end does (the partial state to keep off screen).
bool compiles(const FakeFolder& folder) {
    return folder.present && !folder.text.empty() && folder.text.back() == '\n';
}

struct Outcome {
    std::vector<std::string> builtTexts; // every text put on screen, in order
    int errorsShown = 0;
    int64_t lastBuildMs = -1;
};

const int64_t kPollMs = 15;

Outcome play(const std::vector<Write>& writes, int64_t untilMs) {
    FakeFolder folder;
    folder.text = "old 1\nold 2\n";
    // The studio's own settling and grace.
    FileWatch watch{
        "", "", "glow.tracks", kLiveSettleNs, kLiveErrorGraceNs, folder.stamps(), folder.stamps(),
        0,  0};
    Outcome outcome;
    size_t next = 0;
    for (int64_t ms = 1; ms <= untilMs; ++ms) {
        while (next < writes.size() && writes[next].atMs == ms)
            apply(&folder, writes[next++]);
        if (ms % kPollMs != 0) continue;
        std::vector<std::string> changed;
        int64_t newest = 0;
        const WatchStep step = stepWatch(&watch, folder.stamps(), ms * 1000000, &changed, &newest);
        if (step == WATCH_QUIET) continue;
        const bool built = compiles(folder);
        if (built) {
            outcome.builtTexts.push_back(folder.text);
            outcome.lastBuildMs = ms;
        }
        outcome.errorsShown += settleBuild(&watch, step, built, ms * 1000000);
    }
    return outcome;
}

} // namespace

TEST(FileWatch, WritersThatSaveInStepsShowOnlyTheWholeFile) {
    const std::string whole = "new 1\nnew 2\nnew 3\n";
    struct Case {
        const char* writer;
        std::vector<Write> writes;
    } cases[] = {
        {"cat > file", {{100, TRUNCATE, ""}, {101, APPEND, whole}}},
        {"cat > file on a busy machine", {{100, TRUNCATE, ""}, {230, APPEND, whole}}},
        {"vim: the old file moved away, a new one written",
         {{100, MOVE_AWAY, ""}, {101, CREATE, ""}, {102, APPEND, whole}}},
        {"vim on a busy machine", {{100, MOVE_AWAY, ""}, {190, CREATE, ""}, {260, APPEND, whole}}},
        {"a new file renamed over the old one", {{100, RENAME_OVER, whole}}},
        {"truncate, then two chunks 50 ms apart",
         {{100, TRUNCATE, ""}, {101, APPEND, "new 1\n"}, {151, APPEND, "new 2\nnew 3\n"}}},
        {"chunks cut inside a line",
         {{100, TRUNCATE, ""}, {101, APPEND, "new 1\nne"}, {151, APPEND, "w 2\nnew 3\n"}}},
        {"cut at a line end for a moment",
         {{100, TRUNCATE, ""}, {100, APPEND, "new 1\nnew 2\n"}, {140, APPEND, "new 3\n"}}},
    };
    for (const Case& c : cases) {
        const Outcome outcome = play(c.writes, 2000);
        EXPECT_EQ(outcome.errorsShown, 0) << c.writer;
        EXPECT_EQ(outcome.builtTexts, std::vector<std::string>{whole})
            << c.writer << ": only the whole file reaches the screen";
        // On screen within the settling and a poll of the last write.
        EXPECT_LE(outcome.lastBuildMs, c.writes.back().atMs + kLiveSettleNs / 1000000 + kPollMs)
            << c.writer;
    }
}

TEST(FileWatch, AnErrorThatPersistsIsShownOnceAndAFixClearsIt) {
    // A broken save: shown once, after the settling and the grace.
    Outcome broken = play({{100, RENAME_OVER, "new 1\nbroken"}}, 2000);
    EXPECT_EQ(broken.errorsShown, 1);
    EXPECT_TRUE(broken.builtTexts.empty());
    // Fixed before the grace ran out: no error at all, and the fix is on screen.
    Outcome fixed =
        play({{100, RENAME_OVER, "new 1\nbroken"}, {300, RENAME_OVER, "new 1\n"}}, 2000);
    EXPECT_EQ(fixed.errorsShown, 0);
    EXPECT_EQ(fixed.builtTexts, std::vector<std::string>{"new 1\n"});
    // Removed: a change like any other once the removal has been seen settled.
    Outcome removed = play({{100, MOVE_AWAY, ""}}, 2000);
    EXPECT_EQ(removed.errorsShown, 1) << "the stand-in cannot build without its file";
}
