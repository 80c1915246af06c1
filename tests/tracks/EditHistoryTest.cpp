#include "tracks/EditHistory.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace trackc;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (dirent* entry = dir != nullptr ? readdir(dir) : nullptr)
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.push_back(entry->d_name);
    if (dir != nullptr) closedir(dir);
    return names;
}

} // namespace

TEST(EditHistory, UndoAndRedoOnlyOverTheStudiosOwnBytes) {
    EditHistory history;
    // Two edits: one of a.tracks alone, one of both files (b unchanged by the
    // first, so not recorded for it).
    recordEdit(&history, {{"a", "a0", "a1"}, {"b", "b0", "b0"}});
    recordEdit(&history, {{"a", "a1", "a2"}, {"b", "b0", "b1"}});
    recordEdit(&history, {{"a", "a2", "a2"}}); // no change: nothing recorded
    EXPECT_EQ(undoFiles(history), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(redoFiles(history).empty());

    std::vector<FileBytes> writes;
    Error error;
    // b was saved by another editor since: refused, naming it, history kept.
    EXPECT_FALSE(undoEdit(&history, {{"a", "a2"}, {"b", "b1 edited"}}, &writes, &error));
    EXPECT_EQ(formatError(error), "b: changed since the studio wrote it; not undone");
    EXPECT_FALSE(undoEdit(&history, {{"a", "a2"}}, &writes, &error)); // b unreadable
    EXPECT_EQ(error.file, "b");
    EXPECT_EQ(history.undo.size(), 2u);
    EXPECT_TRUE(history.redo.empty());

    // Once b is back as the studio left it, the undo goes through.
    ASSERT_TRUE(undoEdit(&history, {{"b", "b1"}, {"a", "a2"}}, &writes, &error));
    EXPECT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].file + writes[0].bytes + writes[1].file + writes[1].bytes, "aa1bb0");
    ASSERT_TRUE(undoEdit(&history, {{"a", "a1"}}, &writes, &error));
    EXPECT_EQ(writes[0].bytes, "a0");
    EXPECT_FALSE(undoEdit(&history, {}, &writes, &error));
    EXPECT_EQ(formatError(error), "nothing to undo");

    // Redo checks the before bytes the same way.
    EXPECT_FALSE(redoEdit(&history, {{"a", "a0 edited"}}, &writes, &error));
    EXPECT_EQ(formatError(error), "a: changed since the studio wrote it; not redone");
    ASSERT_TRUE(redoEdit(&history, {{"a", "a0"}}, &writes, &error));
    EXPECT_EQ(writes[0].bytes, "a1");
    EXPECT_EQ(redoFiles(history), (std::vector<std::string>{"a", "b"}));

    // A new edit clears what could be redone.
    recordEdit(&history, {{"a", "a1", "a3"}});
    EXPECT_TRUE(redoFiles(history).empty());
    EXPECT_FALSE(redoEdit(&history, {{"a", "a1"}, {"b", "b0"}}, &writes, &error));
    EXPECT_EQ(formatError(error), "nothing to redo");

    // The oldest entries go first past the limit.
    EditHistory capped;
    for (size_t i = 0; i <= kMaxEditHistory; ++i)
        recordEdit(&capped, {{"a", std::to_string(i), std::to_string(i + 1)}});
    EXPECT_EQ(capped.undo.size(), kMaxEditHistory);
    EXPECT_EQ(capped.undo.front()[0].before, "1");
}

TEST(EditHistory, WritesFilesWholeInPlaceOfTheOld) {
    char folderTemplate[] = "/tmp/edit-history-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const std::string file = folder + "/glow.tracks";
    Error error;

    ASSERT_TRUE(writeFileAtomically(file, "new\n", &error)) << formatError(error);
    EXPECT_EQ(readFile(file), "new\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(file, std::string(100000, 'x'), &error));
    EXPECT_EQ(readFile(file), std::string(100000, 'x'));
    struct stat info;
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Through a link the file it names is replaced; the link stays one.
    const std::string link = folder + "/link.tracks";
    ASSERT_EQ(symlink("glow.tracks", link.c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(link, "through\n", &error)) << formatError(error);
    EXPECT_EQ(readFile(file), "through\n");
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));

    // A folder that is not there: the reason, and nothing left behind.
    EXPECT_FALSE(writeFileAtomically(folder + "/none/x.tracks", "x", &error));
    EXPECT_EQ(formatError(error), folder + "/none/x.tracks: cannot create a file beside it: No "
                                           "such file or directory");
    std::vector<std::string> names = namesIn(folder);
    EXPECT_EQ(names.size(), 2u) << "a temporary file was left in " << folder;

    unlink(link.c_str());
    unlink(file.c_str());
    rmdir(folder.c_str());
}
