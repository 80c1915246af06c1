// The contact-sheet tiler: where each picture lands, what fills the gaps and
// the short last row, resampling of odd-sized pictures, refusals; and the
// command line end to end on PNG files.
#include "ContactSheet.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using contactsheet::Layout;
using contactsheet::Picture;

Picture solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < width * height; ++i)
        picture.rgb.insert(picture.rgb.end(), {r, g, b});
    return picture;
}

std::vector<uint8_t> pixelAt(const Picture& picture, int x, int y) {
    const size_t at = (size_t(y) * picture.width + x) * contactsheet::kChannels;
    return {picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

std::vector<uint8_t> rgb(uint8_t r, uint8_t g, uint8_t b) {
    return {r, g, b};
}

TEST(ContactSheet, LaysPicturesOutRowByRowWithGapsAndAShortLastRow) {
    // Five 4x3 cells in three columns with a 2-pixel grey gap: 3 x 2 cells.
    std::vector<Picture> pictures;
    for (uint8_t i = 1; i <= 5; ++i)
        pictures.push_back(solid(4, 3, i * 40, 0, 255 - i * 40));
    Layout layout;
    layout.columns = 3;
    layout.gap = 2;
    layout.background[0] = layout.background[1] = layout.background[2] = 7;
    Picture sheet;
    std::string error;
    ASSERT_TRUE(contactsheet::tile(pictures, layout, &sheet, &error)) << error;
    EXPECT_EQ(sheet.width, 2 + 3 * (4 + 2));
    EXPECT_EQ(sheet.height, 2 + 2 * (3 + 2));

    for (int i = 0; i < 5; ++i) {
        const contactsheet::Cell cell = contactsheet::cellOrigin(i, 4, 3, layout);
        EXPECT_EQ(cell.x, 2 + (i % 3) * 6);
        EXPECT_EQ(cell.y, 2 + (i / 3) * 5);
        const std::vector<uint8_t> colour = pictures[i].rgb;
        const std::vector<uint8_t> expected(colour.begin(), colour.begin() + 3);
        EXPECT_EQ(pixelAt(sheet, cell.x, cell.y), expected) << "picture " << i;
        EXPECT_EQ(pixelAt(sheet, cell.x + 3, cell.y + 2), expected) << "picture " << i;
        // The gap just before and after each cell keeps the background.
        EXPECT_EQ(pixelAt(sheet, cell.x - 1, cell.y), rgb(7, 7, 7));
        EXPECT_EQ(pixelAt(sheet, cell.x + 4, cell.y + 2), rgb(7, 7, 7));
    }
    // The sixth cell, never filled, is background.
    EXPECT_EQ(pixelAt(sheet, 2 + 2 * 6 + 1, 2 + 5 + 1), rgb(7, 7, 7));
}

TEST(ContactSheet, FewerPicturesThanColumnsMakeOneNarrowRowWithoutGaps) {
    Layout layout;
    layout.columns = 8;
    Picture sheet;
    std::string error;
    ASSERT_TRUE(contactsheet::tile({solid(2, 2, 255, 0, 0), solid(2, 2, 0, 255, 0)}, layout, &sheet,
                                   &error));
    EXPECT_EQ(sheet.width, 4);
    EXPECT_EQ(sheet.height, 2);
    EXPECT_EQ(pixelAt(sheet, 1, 1), rgb(255, 0, 0));
    EXPECT_EQ(pixelAt(sheet, 2, 0), rgb(0, 255, 0));
}

TEST(ContactSheet, ResamplesPicturesOfAnotherSizeIntoTheirCell) {
    Layout layout;
    layout.columns = 2;
    Picture sheet;
    std::string error;
    ASSERT_TRUE(contactsheet::tile({solid(4, 4, 10, 20, 30), solid(9, 7, 200, 100, 50)}, layout,
                                   &sheet, &error));
    EXPECT_EQ(sheet.width, 8);
    EXPECT_EQ(sheet.height, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            EXPECT_EQ(pixelAt(sheet, x, y), rgb(200, 100, 50));
}

TEST(ContactSheet, RefusesWhatCannotBeTiled) {
    Picture sheet = solid(1, 1, 1, 2, 3);
    std::string error;
    Layout layout;
    EXPECT_FALSE(contactsheet::tile({}, layout, &sheet, &error));
    layout.columns = 0;
    EXPECT_FALSE(contactsheet::tile({solid(2, 2, 0, 0, 0)}, layout, &sheet, &error));
    layout.columns = 2;
    layout.gap = -1;
    EXPECT_FALSE(contactsheet::tile({solid(2, 2, 0, 0, 0)}, layout, &sheet, &error));
    layout.gap = 0;
    Picture broken = solid(2, 2, 0, 0, 0);
    broken.rgb.pop_back();
    EXPECT_FALSE(contactsheet::tile({solid(2, 2, 0, 0, 0), broken}, layout, &sheet, &error));
    EXPECT_NE(error.find("picture 2"), std::string::npos) << error;
    EXPECT_EQ(sheet.width, 1) << "a refused sheet is left as it was";
}

class ContactSheetTool : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/halcyon-sheet-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + directory).c_str()); }

    std::string writePng(const std::string& name, const Picture& picture) {
        const std::string path = directory + "/" + name;
        EXPECT_TRUE(stbi_write_png(path.c_str(), picture.width, picture.height, 3,
                                   picture.rgb.data(), picture.width * 3));
        return path;
    }

    int run(const std::string& arguments) {
        return std::system(
            (std::string(HALCYON_CONTACTSHEET) + " " + arguments + " 2>/dev/null").c_str());
    }

    std::string directory;
};

TEST_F(ContactSheetTool, TilesPngFilesInTheOrderGiven) {
    const std::string a = writePng("a.png", solid(6, 4, 255, 0, 0));
    const std::string b = writePng("b.png", solid(6, 4, 0, 255, 0));
    const std::string c = writePng("c.png", solid(6, 4, 0, 0, 255));
    const std::string out = directory + "/sheet.png";
    ASSERT_EQ(
        run("--columns 2 --gap 1 --background 102030 --out " + out + " " + c + " " + a + " " + b),
        0);
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(out.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    Picture sheet;
    sheet.width = width;
    sheet.height = height;
    sheet.rgb.assign(pixels, pixels + width * height * 3);
    stbi_image_free(pixels);
    EXPECT_EQ(width, 1 + 2 * 7);
    EXPECT_EQ(height, 1 + 2 * 5);
    EXPECT_EQ(pixelAt(sheet, 1, 1), rgb(0, 0, 255));
    EXPECT_EQ(pixelAt(sheet, 8, 1), rgb(255, 0, 0));
    EXPECT_EQ(pixelAt(sheet, 1, 6), rgb(0, 255, 0));
    EXPECT_EQ(pixelAt(sheet, 0, 0), rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(pixelAt(sheet, 9, 7), rgb(0x10, 0x20, 0x30)) << "the empty fourth cell";
}

TEST_F(ContactSheetTool, FailsOnBadArgumentsAndUnreadableFiles) {
    const std::string a = writePng("a.png", solid(2, 2, 1, 1, 1));
    const std::string out = directory + "/sheet.png";
    EXPECT_NE(run("--columns 0 --out " + out + " " + a), 0);
    EXPECT_NE(run("--gap x --out " + out + " " + a), 0);
    EXPECT_NE(run("--out " + out), 0) << "no pictures";
    EXPECT_NE(run(a), 0) << "no output";
    EXPECT_NE(run("--out " + out + " " + a + " " + directory + "/missing.png"), 0);
    EXPECT_NE(run("--out " + directory + "/no/such/dir/sheet.png " + a), 0);
}

} // namespace
