#include "app/studio/StudioEdit.h"

#include "tracks/TrackCompile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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

// A copy of the show's track sources in DIR/tracks/, edited through the
// studio's path: read the files, edit, write, record.
class StudioEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path show = fs::path(::testing::TempDir()) / testFolder("studio-edit");
        fs::remove_all(show);
        fs::create_directories(show);
        fs::copy(SHOW_TRACKS_DIR, show / "tracks");
        trackc::Error error;
        ASSERT_TRUE(trackc::readMusicMap(std::string(SHOW_TRACKS_DIR) + "music-map.txt", &edit.map,
                                         &error));
        edit.showDir = show.string() + "/";
        for (const char* name : {"strobe.tracks", "camera.tracks", "circles.tracks"})
            original[name] = read(name);
    }

    std::string read(const std::string& name) {
        std::string text;
        EXPECT_TRUE(trackc::readTextFile(edit.showDir + "tracks/" + name, &text)) << name;
        return text;
    }

    // The file's one changed stretch against the original: "-old" lines,
    // then "+new" lines.
    std::vector<std::string> changedLines(const std::string& name) {
        std::vector<std::string> before, after, changed;
        std::istringstream a(original[name]), b(read(name));
        for (std::string line; std::getline(a, line);)
            before.push_back(line);
        for (std::string line; std::getline(b, line);)
            after.push_back(line);
        size_t head = 0, tail = 0;
        while (head < before.size() && head < after.size() && before[head] == after[head])
            ++head;
        while (tail < before.size() - head && tail < after.size() - head &&
               before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
        for (size_t i = head; i < before.size() - tail; ++i)
            changed.push_back("-" + before[i]);
        for (size_t i = head; i < after.size() - tail; ++i)
            changed.push_back("+" + after[i]);
        return changed;
    }

    StudioEdit edit;
    std::map<std::string, std::string> original;
    std::vector<std::string> written;
    std::string message;
};

} // namespace

TEST_F(StudioEditTest, EditsWriteOnlyTheirLinesAndUndoRestoresTheBytes) {
    // A new key off the beat grid, then a change of the drop's key: each a
    // line of strobe.tracks, nothing else.
    ASSERT_TRUE(applyStudioEdits(&edit, {trackc::setKey("strobo", 961, 2.0f)}, &written, &message))
        << message;
    EXPECT_EQ(written, std::vector<std::string>{"strobe.tracks"});
    EXPECT_EQ(changedLines("strobe.tracks"),
              std::vector<std::string>{"+    961                 2"});
    written.clear();
    ASSERT_TRUE(applyStudioEdits(&edit, {trackc::setKey("strobo", 960, 0.5f)}, &written, &message))
        << message;
    EXPECT_EQ(changedLines("strobe.tracks"),
              (std::vector<std::string>{"-    drop1               1.4     linear  # the drop lands",
                                        "+    drop1               0.5     linear  # the drop lands",
                                        "+    961                 2"}));

    // One batch over two files (a paste across sources) is one undo step.
    written.clear();
    ASSERT_TRUE(applyStudioEdits(
        &edit, {trackc::setKey("Camera:dist", 960, 3.0f), trackc::setKey("circles:r", 960, 0.5f)},
        &written, &message))
        << message;
    EXPECT_EQ(written, (std::vector<std::string>{"camera.tracks", "circles.tracks"}));
    written.clear();
    ASSERT_TRUE(undoStudioEdit(&edit, false, &written, &message)) << message;
    EXPECT_EQ(written, (std::vector<std::string>{"camera.tracks", "circles.tracks"}));
    EXPECT_EQ(read("camera.tracks"), original["camera.tracks"]);
    EXPECT_EQ(read("circles.tracks"), original["circles.tracks"]);
    ASSERT_TRUE(undoStudioEdit(&edit, false, &written, &message)) << message;
    ASSERT_TRUE(undoStudioEdit(&edit, false, &written, &message)) << message;
    EXPECT_EQ(read("strobe.tracks"), original["strobe.tracks"]);
    EXPECT_FALSE(undoStudioEdit(&edit, false, &written, &message));
    EXPECT_EQ(message, "nothing to undo");
    ASSERT_TRUE(undoStudioEdit(&edit, true, &written, &message)) << message;
    EXPECT_EQ(changedLines("strobe.tracks"),
              std::vector<std::string>{"+    961                 2"});
}

TEST_F(StudioEditTest, RefusalsWriteNothing) {
    struct Case {
        std::vector<trackc::KeyEdit> edits;
        const char* messagePart;
    } cases[] = {
        // A key between two keys of one repeat's pattern cannot be written.
        {{trackc::setKey("strobo", 1005, 1.0f)}, "repeat"},
        // A batch with one refusal writes none of its files.
        {{trackc::setKey("Camera:dist", 960, 3.0f), trackc::deleteKey("circles:r", 961)}, ""},
        {{trackc::setKey("no:such", 960, 1.0f)}, "no:such"},
    };
    for (const Case& c : cases) {
        written.clear();
        message.clear();
        EXPECT_FALSE(applyStudioEdits(&edit, c.edits, &written, &message)) << c.messagePart;
        EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_TRUE(written.empty());
        for (const auto& file : original)
            EXPECT_EQ(read(file.first), file.second) << file.first;
    }
    EXPECT_FALSE(undoStudioEdit(&edit, false, &written, &message)) << "nothing was recorded";
}

TEST_F(StudioEditTest, UndoNeverOverwritesAnotherEditorsSave) {
    ASSERT_TRUE(applyStudioEdits(&edit, {trackc::setKey("strobo", 961, 2.0f)}, &written, &message));
    const std::string studioBytes = read("strobe.tracks");
    const std::string theirs = studioBytes + "# saved by an editor\n";
    std::ofstream(edit.showDir + "tracks/strobe.tracks", std::ios::trunc) << theirs;
    EXPECT_FALSE(undoStudioEdit(&edit, false, &written, &message));
    EXPECT_NE(message.find("strobe.tracks"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(read("strobe.tracks"), theirs);
    // Once the file is as the studio left it, the undo goes through.
    std::ofstream(edit.showDir + "tracks/strobe.tracks", std::ios::trunc) << studioBytes;
    EXPECT_TRUE(undoStudioEdit(&edit, false, &written, &message)) << message;
    EXPECT_EQ(read("strobe.tracks"), original["strobe.tracks"]);
}

TEST_F(StudioEditTest, KeysKnowTheirLinesAndBlocksCopyFromTheFiles) {
    std::vector<trackc::EditTrack> tracks;
    ASSERT_TRUE(readSourceKeys(edit, &tracks, &message)) << message;
    EXPECT_EQ(keyOrigin(tracks, "strobo", 960), "tracks/strobe.tracks:15");
    // drop1+1:0 is the first instance of the repeat on line 17.
    EXPECT_EQ(keyOrigin(tracks, "strobo", 1000),
              "tracks/strobe.tracks:18, from the repeat at line 17 (an edit changes every "
              "instance)");
    EXPECT_EQ(keyOrigin(tracks, "strobo", 961), "");
    EXPECT_EQ(keyOrigin(tracks, "no:such", 960), "");

    // A block of two tracks from two files, pasted a bar later.
    ASSERT_TRUE(copyStudioBlock(&edit, {"strobo", "symbol:num"}, 960, 10, &message)) << message;
    EXPECT_EQ(edit.copied.rows, 10);
    ASSERT_EQ(edit.copied.keys.size(), 2u);
    EXPECT_FALSE(edit.copied.keys[0].empty());
    EXPECT_EQ(edit.copied.keys[0][0].row, 0);
    EXPECT_FLOAT_EQ(edit.copied.keys[0][0].value, 1.4f);
}
