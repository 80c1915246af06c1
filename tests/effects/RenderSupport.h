// Support for the frame tests that look at rendered pictures: each test
// writes its own data directory (ShowData plus the tracks and clips it
// needs), points the frame renderer's data link at it, runs halcyon-frames
// and reads back the PNG files. The renderer's data directory is fixed at
// build time, so these tests run one at a time.
#pragma once

#include "ShowData.h"
#include "tandem1.0/App.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // RGB, rows top down

    // x from the left, y from the top.
    Rgb at(int x, int y) const;
    // The pixel at normalised device coordinates of the shown 16:9 picture
    // (the letterboxed viewport), x right and y up, both -1 to 1.
    Rgb atNdc(float x, float y) const;
    // Largest channel difference to another picture of the same size.
    int maxDifference(const Picture& other) const;
    int maxChannel(int channel) const;
};

// A clip byte for a coordinate in normalised device coordinates.
uint8_t clipByte(float ndc);

class FrameRender : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override;
    void track(const char* name, float value);
    void keys(const char* name, const std::vector<TrackKey>& keys);
    void clip(int number, const ClipFrames& frames);
    void clipFile(int number, const std::vector<unsigned char>& bytes);
    // Renders rows (as written) at the given size; one picture per row.
    std::vector<Picture> render(int width, int height, const std::vector<std::string>& rows);
};
