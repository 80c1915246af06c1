#include "RenderSupport.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

Rgb Picture::at(int x, int y) const {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    const unsigned char* p = &pixels[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

Rgb Picture::atNdc(float x, float y) const {
    const Viewport v = letterbox(uint32_t(width), uint32_t(height));
    const float px = v.x + (x + 1.0f) * 0.5f * v.width;
    const float pyUp = v.y + (y + 1.0f) * 0.5f * v.height;
    return at(int(std::floor(px)), height - 1 - int(std::floor(pyUp)));
}

int Picture::maxDifference(const Picture& other) const {
    if (other.width != width || other.height != height) return 256;
    int most = 0;
    for (size_t i = 0; i < pixels.size(); ++i)
        most = std::max(most, std::abs(int(pixels[i]) - int(other.pixels[i])));
    return most;
}

int Picture::maxChannel(int channel) const {
    int most = 0;
    for (size_t i = size_t(channel); i < pixels.size(); i += 3)
        most = std::max(most, int(pixels[i]));
    return most;
}

uint8_t clipByte(float ndc) {
    return uint8_t(std::lround(std::clamp((ndc + 1.0f) * 0.5f * 255.0f, 0.0f, 255.0f)));
}

void FrameRender::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string(FRAME_TEST_DATA) + "/" + info->test_suite_name() + "." + info->name() + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "out");
    ASSERT_TRUE(writeShowData(dir, FRAME_TEST_SHADER_DIR, FRAME_TEST_SOUNDTRACK)) << dir;
    // A plain camera, so that whatever the effects draw sits in view.
    track("Camera:dist", 4.0f);
    track("Camera:fov", 60.0f);
    track("symbol:scale", 1.0f);
}

void FrameRender::track(const char* name, float value) {
    ASSERT_TRUE(writeConstantTrack(dir, name, value)) << name;
}

void FrameRender::keys(const char* name, const std::vector<TrackKey>& k) {
    ASSERT_TRUE(writeTrack(dir, name, k)) << name;
}

void FrameRender::clip(int number, const ClipFrames& frames) {
    ASSERT_TRUE(writeClip(dir, number, frames));
}

void FrameRender::clipFile(int number, const std::vector<unsigned char>& bytes) {
    ASSERT_TRUE(writeBytes(dir + "rave" + std::to_string(number) + ".dat", bytes));
}

std::vector<Picture> FrameRender::render(int width, int height,
                                         const std::vector<std::string>& rows) {
    const fs::path link = fs::path(FRAME_TEST_DATA) / "current";
    fs::remove(link);
    fs::create_directory_symlink(dir, link);
    for (const auto& entry : fs::directory_iterator(dir + "out"))
        fs::remove(entry.path());

    std::string command = std::string("'") + FRAME_TEST_RENDERER + "' --size " +
                          std::to_string(width) + "x" + std::to_string(height) + " --out '" + dir +
                          "out'";
    for (const std::string& row : rows)
        command += " " + row;
    command += " >'" + dir + "log' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command << "\n(see " << dir << "log)";

    std::vector<Picture> pictures;
    for (const std::string& row : rows) {
        const std::string path = dir + "out/row-" + row + ".png";
        Picture p;
        int channels = 0;
        unsigned char* data = stbi_load(path.c_str(), &p.width, &p.height, &channels, 3);
        EXPECT_NE(data, nullptr) << path;
        if (data) {
            p.pixels.assign(data, data + size_t(p.width) * p.height * 3);
            stbi_image_free(data);
        }
        EXPECT_EQ(p.width, width);
        EXPECT_EQ(p.height, height);
        if (p.pixels.empty()) p.pixels.assign(size_t(width) * height * 3, 0);
        p.width = width;
        p.height = height;
        pictures.push_back(std::move(p));
    }
    return pictures;
}
