#include "app/studio/Bookmarks.h"

#include <gtest/gtest.h>

namespace {

trackc::MusicMap showMap() {
    trackc::MusicMap map;
    trackc::Error error;
    EXPECT_TRUE(
        trackc::parseMusicMap("bpm 129.6\nsection intro 0 640\nsection drop1 960 1600\n"
                              "section drop2 2560 3200\nsection mark1 3200 3840\nend 3840\n",
                              "music-map.txt", &map, &error))
        << trackc::formatError(error);
    return map;
}

std::vector<Bookmark> parsed(const std::string& text, const trackc::MusicMap& map) {
    std::vector<Bookmark> bookmarks;
    trackc::Error error;
    EXPECT_TRUE(parseBookmarks(text, "bookmarks.txt", map, &bookmarks, &error))
        << trackc::formatError(error);
    return bookmarks;
}

void expectSame(const std::vector<Bookmark>& a, const std::vector<Bookmark>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_EQ(a[i].row, b[i].row);
    }
}

} // namespace

TEST(Bookmarks, ParseResolvesPositionsAndRoundTrips) {
    const trackc::MusicMap map = showMap();
    const std::string text = "# places to check\n"
                             "\n"
                             "climax  drop2+4:0   # the big one\n"
                             "\tstart intro\n"
                             "odd_1 1043\n"
                             "last end-1:0";
    const std::vector<Bookmark> bookmarks = parsed(text, map);
    ASSERT_EQ(bookmarks.size(), 4u);
    const struct {
        const char* name;
        int32_t row;
        int line;
    } expected[] = {{"climax", 2720, 3}, {"start", 0, 4}, {"odd_1", 1043, 5}, {"last", 3800, 6}};
    for (size_t i = 0; i < bookmarks.size(); ++i) {
        EXPECT_EQ(bookmarks[i].name, expected[i].name);
        EXPECT_EQ(bookmarks[i].row, expected[i].row) << expected[i].name;
        EXPECT_EQ(bookmarks[i].line, expected[i].line) << expected[i].name;
    }
    // Formatted and parsed again: the same bookmarks.
    expectSame(parsed(formatBookmarks(bookmarks), map), bookmarks);
    // Added lines come at the end in the sources' own form, with the rest of
    // the file kept byte for byte; removing a line keeps the others too.
    const std::string added = addBookmarkLine(text, newBookmarkName(bookmarks, map), map, 2600);
    EXPECT_EQ(added, text + "\nmark2  drop2+1:0\n"); // mark1 is a section
    const std::vector<Bookmark> more = parsed(added, map);
    ASSERT_EQ(more.size(), 5u);
    EXPECT_EQ(more.back().row, 2600);
    EXPECT_EQ(removeBookmarkLine(added, more.back().line), text + "\n");
    EXPECT_EQ(removeBookmarkLine(text, 3),
              "# places to check\n\n\tstart intro\nodd_1 1043\nlast end-1:0");
    EXPECT_EQ(removeBookmarkLine(text, 6),
              "# places to check\n\nclimax  drop2+4:0   # the big one\n"
              "\tstart intro\nodd_1 1043\n");
    EXPECT_EQ(addBookmarkLine("", "a", map, 960), "a  drop1\n");
}

TEST(Bookmarks, BadLinesAreRefusedWithFileAndLine) {
    const trackc::MusicMap map = showMap();
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"a 0\n2fast drop1\n", "bookmarks.txt:2: bad bookmark name \"2fast\""},
        {"a-b drop1\n", "bookmarks.txt:1: bad bookmark name \"a-b\""},
        {"end drop1\n", "bookmarks.txt:1: bad bookmark name \"end\""},
        {"# x\ndrop1 drop2\n", "bookmarks.txt:2: bookmark \"drop1\" has a section's name"},
        {"a 0\n\nb 40\na 80\n", "bookmarks.txt:4: bookmark \"a\" is already set on line 1"},
        {"a drop9\n", "bookmarks.txt:1: unknown section \"drop9\""},
        {"a\n", "bookmarks.txt:1: expected: NAME POSITION"},
        {"a drop1 drop2\n", "bookmarks.txt:1: expected: NAME POSITION"},
    };
    for (const auto& c : cases) {
        std::vector<Bookmark> bookmarks;
        trackc::Error error;
        EXPECT_FALSE(parseBookmarks(c.text, "bookmarks.txt", map, &bookmarks, &error)) << c.text;
        EXPECT_EQ(trackc::formatError(error), c.message) << c.text;
    }
}

TEST(Bookmarks, JumpsAndLookups) {
    const trackc::MusicMap map = showMap();
    const std::vector<Bookmark> bookmarks = parsed("b 2000\na 1000\nc 3000\n", map);
    const struct {
        double row;
        bool forward;
        bool found;
        int32_t target;
    } jumps[] = {
        {0, true, true, 1000},     {1000, true, true, 2000}, {1000.5, false, true, 1000},
        {1000, false, false, 0},   {3000, true, false, 0},   {2999.9, true, true, 3000},
        {5000, false, true, 3000},
    };
    for (const auto& j : jumps) {
        int32_t target = 0;
        EXPECT_EQ(nextBookmarkRow(bookmarks, j.row, j.forward, &target), j.found) << j.row;
        if (j.found) {
            EXPECT_EQ(target, j.target) << j.row << (j.forward ? " forward" : " back");
        }
    }
    ASSERT_NE(bookmarkAt(bookmarks, 2000), nullptr);
    EXPECT_EQ(bookmarkAt(bookmarks, 2000)->name, "b");
    EXPECT_EQ(bookmarkAt(bookmarks, 2001), nullptr);
    int32_t row = 0;
    trackc::Error error;
    ASSERT_TRUE(resolveBookmarkOrPosition("c", map, bookmarks, "--from", &row, &error));
    EXPECT_EQ(row, 3000);
    ASSERT_TRUE(resolveBookmarkOrPosition("drop1+1:0", map, bookmarks, "--from", &row, &error));
    EXPECT_EQ(row, 1000);
    EXPECT_FALSE(resolveBookmarkOrPosition("d", map, bookmarks, "--from", &row, &error));
}
