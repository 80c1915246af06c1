#include "app/studio/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Messages, PathsReadFromTheShowFolder) {
    const std::string show = "/home/me/my show/";
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"/home/me/my show/tracks/glow.tracks:12: \"x\" is not a number",
         "tracks/glow.tracks:12: \"x\" is not a number"},
        {"Error compiling shader /home/me/my show/shaders/blur.glsl [FS]:\n0:9(3): error: x\n",
         "Error compiling shader shaders/blur.glsl [FS]:\n0:9(3): error: x\n"},
        {"2 tracks not defined: glow:glowbr, glow:origbr", // names no path
         "2 tracks not defined: glow:glowbr, glow:origbr"},
        {"/home/me/my showcase/a.tracks:1: x", "/home/me/my showcase/a.tracks:1: x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(relativeToShow(c.text, show), c.expected);
    EXPECT_EQ(relativeToShow("/a/b", ""), "/a/b");
}

TEST(Messages, LongLinesWrapAtSpaces) {
    // The rows a line breaks into, as the overlay takes them (the space at a
    // break dropped).
    auto wrap = [](const std::string& line, size_t columns) {
        std::vector<std::string> rows;
        for (size_t done = 0; done < line.size();) {
            const size_t row = wrapWidth(line.data() + done, line.size() - done, columns);
            rows.push_back(line.substr(done, row));
            done += row;
            while (done < line.size() && line[done] == ' ')
                ++done;
        }
        return rows;
    };
    using Rows = std::vector<std::string>;
    struct Case {
        std::string line;
        size_t columns;
        Rows expected;
    } cases[] = {
        {"tracks/glow.tracks:3: short", 40, {"tracks/glow.tracks:3: short"}},
        {"tracks/glow.tracks:3: \"oops\" is not a number",
         24,
         {"tracks/glow.tracks:3:", "\"oops\" is not a number"}},
        {"exactly ten", 11, {"exactly ten"}},
        {"two words", 3, {"two", "wor", "ds"}}, // a word wider than the row is cut
        {"ab cd", 2, {"ab", "cd"}},             // the break falls just past the row
        {"x", 0, {"x"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrap(c.line, c.columns), c.expected) << c.line << " in " << c.columns;
}
