#include "effects/Passes.h"
#include "tandem1.0/App.h"
#include "tandem1.0/DataFile.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/Texture.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void writeText(const char* name, const std::string& text) {
    FILE* f = fopen((std::string(kDataDir) + name).c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

// An image whose every pixel differs, so a skewed upload shows.
std::vector<unsigned char> pattern(int width, int height, int channels) {
    std::vector<unsigned char> pixels(size_t(width * height * channels));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 7 + i / 3);
    return pixels;
}

void writePng(const char* name, int width, int height, int channels) {
    const std::vector<unsigned char> pixels = pattern(width, height, channels);
    ASSERT_TRUE(stbi_write_png((std::string(kDataDir) + name).c_str(), width, height, channels,
                               pixels.data(), width * channels));
}

std::vector<unsigned char> readBack(const Texture& t, GLenum format, int channels) {
    std::vector<unsigned char> out(size_t(t.width * t.height * channels));
    glBindTexture(GL_TEXTURE_2D, t.id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
}

const char* const kPassThrough = "void main() { gl_Position = ftransform(); }\n"
                                 "//____FRAGMENT_SHADER____\n"
                                 "uniform sampler2D u_a, u_b, u_c, u_d;\n"
                                 "void main() { gl_FragColor = texture2D(u_a, vec2(0.0)) + "
                                 "texture2D(u_b, vec2(0.0)) + texture2D(u_c, vec2(0.0)) + "
                                 "texture2D(u_d, vec2(0.0)); }\n";

bool textureEnabledOn(unsigned unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    return glIsEnabled(GL_TEXTURE_2D);
}

// A small RGBA PNG written into the data directory, and its bytes, for tests that alter them.
std::string generatedPngBytes(const char* name) {
    writePng(name, 4, 4, 4);
    std::string png(4096, '\0');
    FILE* f = fopen((std::string(kDataDir) + name).c_str(), "rb");
    png.resize(f ? fread(&png[0], 1, png.size(), f) : 0);
    if (f) fclose(f);
    return png;
}

// A colour JPEG of these pixels made by stb's writer, with its quantisation and Huffman tables.
std::string generatedJpegBytes(int width, int height, const std::vector<unsigned char>& pixels) {
    std::string jpeg;
    const int kQuality = 90;
    stbi_write_jpg_to_func(
        [](void* out, void* data, int size) {
            static_cast<std::string*>(out)->append((char*)data, size_t(size));
        },
        &jpeg, width, height, 3, pixels.data(), kQuality);
    return jpeg;
}

std::string fromHex(const char* hex) {
    std::string bytes;
    for (; hex[0] && hex[1]; hex += 2)
        bytes += char(std::stoi(std::string(hex, 2), nullptr, 16));
    return bytes;
}

// A JPEG that fuzzing found, minimised (see JpegsTheDecoderReadsDecode).
const char* const kScanEndsEarly =
    "ffd8ffc00011080008000803012200021101031101ffc401a200000105010101010101000000000000000001"
    "05060409020803070a0b100002010303020403050504040000017d010203000411051221314106d438060080"
    "6100008181a1082342b1c11552d1f02433627282090a161718191a25262728292a3435363738393a43444546"
    "4748494a535455565758595a636465666768696a737475767778797a838485868788898a9293949596979899"
    "9aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7"
    "e8e9eaf1f2f3f4f5f6f7f8f9fa0100030101010101010101010000000000000102030405060708090a0b1100"
    "020102040403040705040400010277000102031104052130061241510761711322328108144291a1b1c10923"
    "3352f0156272d10a162434e125010061300013acc0ffffffffffffffffffffffffffffffffffffffffff4445"
    "46470000ff00feff05770001020311040521300612ffffffffff00000368a7a8a9aab24e0000000000000000"
    "0000a8ed4dace52b0cffd9c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9"
    "faffda000c03010002110311003f0000000000ff00feffd9";

} // namespace

TEST(Textures, OddWidthRgbUploadsIntact) {
    writePng("odd.png", 33, 5, 3);
    Texture t("odd.png");
    EXPECT_EQ(t.width, 33);
    EXPECT_EQ(t.height, 5);
    EXPECT_EQ(readBack(t, GL_RGB, 3), pattern(33, 5, 3));
    GLint bound = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &bound);
    EXPECT_EQ(bound, 4) << "the upload must leave OpenGL's default alignment";
}

TEST(Textures, RgbaKeepsItsSizeAndMipmaps) {
    writePng("rgba.png", 16, 8, 4);
    Texture t("rgba.png");
    EXPECT_EQ(readBack(t, GL_RGBA, 4), pattern(16, 8, 4));
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 1) << "full mipmap chain";
}

// An empty image-data chunk is legal PNG and adds nothing; the decoder mishandled one that comes
// first (found by fuzzing; undefined behaviour that the sanitizer build reports).
TEST(Textures, EmptyFirstImageDataChunkChangesNothing) {
    std::string png = generatedPngBytes("plain.png");
    ASSERT_NE(png.find("IDAT"), std::string::npos);
    const size_t idat = png.find("IDAT") - 4; // the chunk's length comes first
    // Length 0, the type and the CRC of the type alone.
    png.insert(idat, std::string("\0\0\0\0IDAT\x35\xaf\x06\x1e", 12));
    writeText("emptyidat.png", png);
    Texture t("emptyidat.png");
    EXPECT_EQ(readBack(t, GL_RGBA, 4), pattern(4, 4, 4));
}

// The checks made before decoding must not refuse what the decoder reads well: a real JPEG, one
// with padding bytes between its segments, and a progressive 8x8 grey one whose only scan, of
// DC values, names an AC table that it never defines (and needs none). Last a damaged one whose
// scan data ends at a marker before its last block (fuzzing: the decoder's bit reader then shifts
// by more than 31 bits, its own arithmetic, which the sanitizer builds leave unchecked): it must
// decode with no other fault.
TEST(Textures, JpegsTheDecoderReadsDecode) {
    const std::string jpeg = generatedJpegBytes(24, 16, pattern(24, 16, 3));
    const size_t frameHeader = jpeg.find("\xff\xc0");
    ASSERT_NE(frameHeader, std::string::npos);
    const std::string progressive =
        std::string("\xff\xd8\xff\xdb\x00\x43\x00", 7) + std::string(64, '\x01') +
        std::string("\xff\xc2\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13) +
        std::string("\xff\xc4\x00\x14\x00\x01", 6) + std::string(16, '\0') +
        std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x00\x00\x7f\xff\xd9", 13);
    struct Case {
        std::string bytes;
        int width, height;
    };
    const Case cases[] = {{jpeg, 24, 16},
                          {std::string(jpeg).insert(frameHeader, "\x01\x02"), 24, 16},
                          {progressive, 8, 8},
                          {fromHex(kScanEndsEarly), 8, 8}};
    for (const Case& c : cases) {
        writeText("photo.jpg", c.bytes);
        Texture t("photo.jpg");
        EXPECT_EQ(t.width, c.width);
        EXPECT_EQ(t.height, c.height);
    }
}

// A PNM that holds all its pixels decodes, one level a byte or two (more than 255 levels), the
// file exactly as long as its header says: the length check refuses only what is short (see
// NotAnImageIsRejected for the same files a byte shorter).
TEST(Textures, PnmsThatHoldTheirPixelsDecode) {
    struct Case {
        std::string header;
        size_t pixelBytes;
        int channels;
    };
    const Case cases[] = {{"P5\n4 3\n255\n", 12, 1},
                          {"P6 # a comment\n4 3 255\t", 36, 3},
                          {"P5\n4 3\n65535\n", 24, 1}};
    for (const Case& c : cases) {
        const std::string file = c.header + std::string(c.pixelBytes, '\x40');
        TextureImage image;
        ASSERT_EQ(
            decodeTextureImage((const unsigned char*)file.data(), int32_t(file.size()), &image),
            TextureDecode::Ok)
            << c.header;
        EXPECT_EQ(image.width, 4);
        EXPECT_EQ(image.height, 3);
        EXPECT_EQ(image.channels, c.channels);
        freeTextureImage(&image);
    }
}

TEST(Textures, GreyExpandsToEqualChannels) {
    writePng("grey.png", 7, 3, 1);
    Texture t("grey.png");
    const std::vector<unsigned char> rgb = readBack(t, GL_RGB, 3);
    const std::vector<unsigned char> grey = pattern(7, 3, 1);
    for (size_t i = 0; i < grey.size(); ++i) {
        ASSERT_EQ(rgb[i * 3], grey[i]) << i;
        ASSERT_EQ(rgb[i * 3 + 2], grey[i]) << i;
    }
}

// A 16-bit PNM (up to 65535 levels, two bytes a sample) decodes: the check of the header's
// numbers before decoding must not take that level count for an oversized side.
TEST(Textures, SixteenBitPnmDecodes) {
    writeText("deep.pgm", "P5\n3 2\n65535\n" + std::string(3 * 2 * 2, '\x7f'));
    Texture t("deep.pgm");
    EXPECT_EQ(t.width, 3);
    EXPECT_EQ(t.height, 2);
}

TEST(TexturesDeathTest, GreyAlphaIsRejected) {
    writePng("greyalpha.png", 4, 4, 2);
    EXPECT_EXIT(Texture("greyalpha.png"), ::testing::ExitedWithCode(1),
                "^\tUnregonized number of components: 2\n$");
}

// Bytes the decoder refuses; headers of no pixels that it would hand out as an image; numbers
// that would overflow its header reader (undefined behaviour the sanitizer build reports); a side
// no OpenGL takes. Fuzzing found the empty and the overflowing headers, and the size limit
// follows a tiny header of a huge image that took seconds to decode.
TEST(TexturesDeathTest, NotAnImageIsRejected) {
    const char* const kRefusal = "^\tsbt_image failed to process image\n$";
    const char* const cases[] = {"this is text",
                                 "P5\n0 0\n255\n",
                                 "P6\n0 4\n255\n",
                                 "P5\n4 0\n255\n",
                                 "P5\n8111111111111111111111 8 255\n",
                                 "P6 8 # x\n8 99999999999\n",
                                 "P5\n16385 1\n255\n"};
    for (const char* bytes : cases) {
        writeText("notimage.png", bytes);
        EXPECT_EXIT(Texture("notimage.png"), ::testing::ExitedWithCode(1), kRefusal) << bytes;
    }
    // Formats the decoder is not let read: an 18-byte TGA header of 16384 x 16384 at 32 bits a
    // pixel (decoded as a gigabyte image in seconds), and last a Radiance HDR cut off after its
    // first scanline's start (its run-length reader looped forever).
    // Between them PNMs shorter than the pixels their header claims, by a byte or by all of them
    // (the decoder read what was there and handed out the rest as zeros): the same files one byte
    // longer decode (PnmsThatHoldTheirPixelsDecode).
    std::string tga(18, '\0');
    tga[2] = 2;                 // uncompressed true colour
    tga[13] = tga[15] = '\x40'; // 16384 wide and high, little-endian
    tga[16] = 32, tga[17] = 8;  // 32 bits a pixel, 8 of them alpha
    const std::string shortFiles[] = {
        tga,
        "P6\n16384 16384\n255\n",
        "P5\n4 3\n255\n" + std::string(11, '\x40'),
        "P6 # a comment\n4 3 255\t" + std::string(35, '\x40'),
        "P5\n4 3\n65535\n" + std::string(23, '\x40'),
        std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 16\n\x02\x02\x00\x10", 50)};
    for (const std::string& bytes : shortFiles) {
        writeText("notimage.png", bytes);
        EXPECT_EXIT(Texture("notimage.png"), ::testing::ExitedWithCode(1), kRefusal) << bytes;
    }
    // An image-data chunk that claims almost 2 GB in a file of a few hundred bytes (fuzzing: the
    // decoder allocated what it claimed before finding the file too short).
    // And a file that ends with an empty one, before its CRC (fuzzing: the decoder copied it
    // through a null pointer).
    std::string png = generatedPngBytes("lying.png");
    ASSERT_NE(png.find("IDAT"), std::string::npos);
    const size_t idat = png.find("IDAT") - 4;
    const std::string cut = png.substr(0, idat) + std::string("\0\0\0\0IDAT", 8);
    png.replace(idat, 4, "\x7f\xff\xff\xf0");
    for (const std::string& bytes : {png, cut}) {
        writeText("lying.png", bytes);
        EXPECT_EXIT(Texture("lying.png"), ::testing::ExitedWithCode(1), kRefusal);
    }
    // A JPEG Huffman table of more than 256 codes, cut short (fuzzing: the decoder wrote past
    // its table, which the sanitizer build reports).
    // The second starts with fill bytes, which the decoder skips before its first marker; in the
    // third the table follows a padding byte after an empty segment, which it skips too.
    for (const std::string& jpeg :
         {std::string("\xff\xd8\xff\xff\xc4\x23\x00\x00\x00\x00\x12\xff", 12),
          std::string("\xff\xff\xff\xd8\xff\xc4\x23\x2c\x12\xff\xff\xff", 12),
          std::string("\xff\xd8\xff\xe0\x00\x02\x02\xff\xc4\xff\x12\x00\xff\xff", 14)}) {
        writeText("jpeg.png", jpeg);
        EXPECT_EXIT(Texture("jpeg.png"), ::testing::ExitedWithCode(1), kRefusal);
    }
    // Such a table after the scan of a real JPEG, whose data has a fill byte before a stuffed
    // zero, which the decoder reads as data (fuzzing: the check took it for a marker and lost
    // its way).
    std::string jpeg = generatedJpegBytes(24, 16, pattern(24, 16, 3));
    const size_t stuffed = jpeg.find(std::string("\xff\0", 2), jpeg.find("\xff\xda"));
    ASSERT_NE(stuffed, std::string::npos);
    jpeg.insert(stuffed, "\xff");
    jpeg.insert(jpeg.size() - 2,
                std::string("\xff\xc4\x00\x13\x00\xff\xff", 7) + std::string(14, '\0'));
    writeText("jpeg.png", jpeg);
    EXPECT_EXIT(Texture("jpeg.png"), ::testing::ExitedWithCode(1), kRefusal);
    // A scan that decodes its first component with tables 2, which no definition fills (fuzzing:
    // the decoder indexed with what it found in memory). A plain grey, so that its data holds no
    // 0xFF and nothing else makes the decoder refuse it.
    const int kGrey = 128;
    jpeg = generatedJpegBytes(8, 8, std::vector<unsigned char>(8 * 8 * 3, kGrey));
    const size_t scan = jpeg.find("\xff\xda");
    ASSERT_NE(scan, std::string::npos);
    ASSERT_EQ(jpeg.find('\xff', scan + 1), jpeg.size() - 2) << "only the end marker follows";
    jpeg[scan + 6] = '\x22'; // marker, length, component count, first component's id
    writeText("jpeg.png", jpeg);
    EXPECT_EXIT(Texture("jpeg.png"), ::testing::ExitedWithCode(1), kRefusal);
}

TEST(TexturesDeathTest, MissingFileNamesThePath) {
    EXPECT_EXIT(Texture("absent.png"), ::testing::ExitedWithCode(1),
                "^Error opening file: " + std::string(kDataDir) + "absent.png\n$");
}

TEST(RenderTargets, BindAsAStack) {
    App::setViewport(640, 480);
    RenderTarget a(64, 32, GL_RGBA8, kFilterLinear);
    RenderTarget b(16, 8, GL_RGBA8, kFilterNearest);
    GLint fb = -1, vp[4];
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    EXPECT_EQ(fb, 0) << "construction leaves the window bound";

    a.bind();
    b.bind();
    EXPECT_EQ(App::instance().currentTarget, &b);
    b.unbind();
    EXPECT_EQ(App::instance().currentTarget, &a);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(GLuint(fb), a.framebuffer);
    EXPECT_EQ(vp[2], 64);
    EXPECT_EQ(vp[3], 32);
    a.unbind();
    EXPECT_EQ(App::instance().currentTarget, nullptr);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(fb, 0);
    const Viewport window = letterbox(640, 480);
    EXPECT_EQ(vp[1], window.y);
    EXPECT_EQ(vp[3], window.height);

    GLint filter = 0, wrap = 0;
    glBindTexture(GL_TEXTURE_2D, b.colorTexture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(filter, GL_NEAREST);
    EXPECT_EQ(wrap, GL_CLAMP);
}

// A white triangle over half of a small target, its edge a steep diagonal:
// how many of the target's texels end up neither black nor white, and how
// many are white, once the target is unbound and its texture read back.
struct EdgeCount {
    int between, white;
};

EdgeCount drawDiagonal(RenderTarget& target) {
    target.bind();
    clearAndReset();
    glBegin(GL_TRIANGLES);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(0.7f, -1.0f);
    glVertex2f(-0.7f, 1.0f);
    glEnd();
    target.unbind();
    std::vector<unsigned char> rgba(size_t(target.width * target.height * 4));
    glBindTexture(GL_TEXTURE_2D, target.colorTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EdgeCount count{0, 0};
    for (size_t i = 0; i < rgba.size(); i += 4) {
        count.between += rgba[i] > 0 && rgba[i] < 255;
        count.white += rgba[i] == 255;
    }
    return count;
}

TEST(RenderTargets, MultisampledTargetsResolveSmoothEdgesIntoTheirTexture) {
    GLint driverMaximum = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &driverMaximum);
    if (driverMaximum < 4) GTEST_SKIP() << "the driver offers " << driverMaximum << " samples";
    const int size = 32;

    RenderTarget plain(size, size, GL_RGBA8, kFilterLinear);
    const EdgeCount hard = drawDiagonal(plain);
    EXPECT_EQ(hard.between, 0) << "a single-sampled edge is a staircase";
    EXPECT_GT(hard.white, size * size / 4);

    RenderTarget smooth(size, size, GL_RGBA8, kFilterLinear, 4);
    EXPECT_NE(smooth.drawFramebuffer, smooth.framebuffer);
    const EdgeCount soft = drawDiagonal(smooth);
    EXPECT_GE(soft.between, size) << "about one blended texel per row of the edge";
    EXPECT_NEAR(soft.white, hard.white, size) << "the same triangle, resolved";

    // A target nested inside a multisampled one returns drawing to the
    // samples, not to the resolved texture.
    App::setViewport(640, 480);
    RenderTarget inner(4, 4, GL_RGBA8, kFilterNearest);
    smooth.bind();
    inner.bind();
    inner.unbind();
    GLint fb = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    EXPECT_EQ(GLuint(fb), smooth.drawFramebuffer);
    smooth.unbind();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
    EXPECT_EQ(fb, 0);
}

TEST(RenderTargets, SampleCountFollowsTheDriverAndTheRequest) {
    struct Case {
        int32_t driverMaximum;
        const char* request;
        bool valid;
        int32_t samples;
    } cases[] = {
        {8, nullptr, true, 4},                        // the default where the driver offers it
        {4, nullptr, true, 4}, {2, nullptr, true, 2}, // as many as there are
        {1, nullptr, true, 0}, {0, nullptr, true, 0}, // none where none
        {8, "0", true, 0},     {8, "2", true, 2},     {8, "8", true, 8},    {2, "8", true, 2},
        {0, "4", true, 0}, // capped at what is offered
        {8, "3", false, -1},   {8, "", false, -1},    {8, "4x", false, -1}, {8, "-4", false, -1},
    };
    for (const Case& c : cases) {
        int32_t samples = -1;
        const std::string what =
            std::to_string(c.driverMaximum) + " offered, " + (c.request ? c.request : "(unset)");
        EXPECT_EQ(chooseSampleCount(c.driverMaximum, c.request, &samples), c.valid) << what;
        EXPECT_EQ(samples, c.samples) << what;
    }
}

TEST(RenderTargets, FloatDepthTargetIsComplete) {
    RenderTarget t(1, 256, GL_RGBA32F_ARB, kFilterNearest);
    t.bind();
    glClearColor(12.5f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    float pixel[4] = {0, 0, 0, 0};
    glReadPixels(0, 100, 1, 1, GL_RGBA, GL_FLOAT, pixel);
    t.unbind();
    EXPECT_FLOAT_EQ(pixel[0], 12.5f) << "float targets keep values above 1";
}

TEST(ClearAndReset, ClearsDepthWhateverTheMaskWasLeftAt) {
    RenderTarget t(8, 8, GL_RGBA8, kFilterNearest);
    t.bind();
    App::setDepth(DEPTH_TEST_WRITE);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    App::setDepth(DEPTH_TEST); // writes off, as the last pass of an effect may leave them
    clearAndReset();
    float depth = 0.0f;
    glReadPixels(4, 4, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    t.unbind();
    EXPECT_EQ(depth, 1.0f);
    EXPECT_EQ(App::instance().depthMode, DEPTH_TEST_WRITE);
    EXPECT_EQ(App::instance().blendMode, uint32_t(BLEND_OFF));
    EXPECT_EQ(App::instance().cullMode, CULL_BACK);
}

TEST(Shaders, UnbindSwitchesOffEveryUnitEverUsed) {
    writeText("units.glsl", kPassThrough);
    ShaderProgram p("units.glsl");
    p.bind();
    const char* samplers[] = {"u_a", "u_b", "u_c", "u_d"};
    for (unsigned unit = 0; unit < 4; ++unit)
        p.bindTexture(samplers[unit], 0, unit);
    EXPECT_EQ(p.maxTextureUnit, 3u);
    p.unbind();
    for (unsigned unit = 0; unit < 4; ++unit)
        EXPECT_FALSE(textureEnabledOn(unit)) << unit;

    p.bind();
    p.bindTexture("u_a", 0, 0);
    EXPECT_EQ(p.maxTextureUnit, 3u);
    glActiveTexture(GL_TEXTURE3);
    glEnable(GL_TEXTURE_2D);
    p.unbind();
    EXPECT_FALSE(textureEnabledOn(3)) << "units once used stay in the unbind";
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE3);
}

TEST(ShadersDeathTest, VertexErrorIsReportedFirst) {
    writeText("bad.glsl",
              "void main() { nonsense; }\n//____FRAGMENT_SHADER____\nvoid main() { junk; }\n");
    EXPECT_EXIT(ShaderProgram("bad.glsl"), ::testing::ExitedWithCode(1),
                "^\n\tError compiling shader " + std::string(kDataDir) +
                    "bad.glsl \\[VS\\]: \\([0-9]+\\)\n");
}

TEST(ShadersDeathTest, FragmentErrorNamesFs) {
    writeText("badfs.glsl",
              "void main() { gl_Position = ftransform(); }\n//____FRAGMENT_SHADER____\n"
              "void main() { junk; }\n");
    EXPECT_EXIT(ShaderProgram("badfs.glsl"), ::testing::ExitedWithCode(1), "\\[FS\\]");
}

TEST(ShadersDeathTest, LinkErrorIsReported) {
    writeText("nolink.glsl", "void f() {}\n//____FRAGMENT_SHADER____\nvoid g() {}\n");
    EXPECT_EXIT(ShaderProgram("nolink.glsl"), ::testing::ExitedWithCode(1),
                "^\tError linking shader " + std::string(kDataDir) + "nolink.glsl\n");
}

TEST(ShadersDeathTest, MissingMarkerNamesTheFile) {
    writeText("nomarker.glsl", "void main() { gl_Position = ftransform(); }\n");
    EXPECT_EXIT(ShaderProgram("nomarker.glsl"), ::testing::ExitedWithCode(1),
                "nomarker.glsl has no line //____FRAGMENT_SHADER____");
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this program, which then opens its own context.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutCreateWindow("gl resources test");
    return RUN_ALL_TESTS();
}
