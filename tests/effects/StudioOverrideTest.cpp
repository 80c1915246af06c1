// The studio's overrides of the frame, through the program's own start-up and
// frame function in a small window: muted and soloed layers and a camera
// pose change the picture, and once they are cleared the frame is the show's
// own again, byte for byte.
#include "ShowData.h"
#include "app/common/Shell.h"
#include "effects/Equaliser.h"
#include "effects/StudioOverride.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

extern const char* const kDataDir;

namespace {

const int kWidth = 320;
const int kHeight = 180;
// Every layer shows in the coverage tracks' first block (the ring equaliser
// is lit by the held peaks alone).
const double kAllLayersRow = 50.0;

using Pixels = std::vector<unsigned char>;

const float kHeldPeak = 0.5f;
float savedPeaks[Equaliser::kBinCount];

// The frame at the row as the window shows it. The equaliser's peak hold
// starts from the same state each time, so equal flags give equal frames.
Pixels frameAt(double row) {
    std::copy(savedPeaks, savedPeaks + Equaliser::kBinCount, Equaliser::smoothedSpectrum);
    drawStoppedAt(row);
    glFinish();
    Pixels pixels(size_t(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Compared as a whole, without printing a picture's bytes.
bool same(const Pixels& a, const Pixels& b) {
    return a == b;
}

LayerFlags only(FrameLayer layer, bool solo) {
    LayerFlags flags{};
    (solo ? flags.soloed : flags.muted)[layer] = true;
    return flags;
}

} // namespace

TEST(StudioOverride, ChangesOnlyWhileSetAndTheShowsFrameComesBack) {
    const std::string dir = kDataDir;
    ASSERT_TRUE(writeShowData(dir, FRAME_TEST_SHADER_DIR, FRAME_TEST_SOUNDTRACK));
    ASSERT_TRUE(writeCoverageTracks(dir));
    static char name[] = "studio_override_test";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    initWindowSystem(&argc, argv);
    openWindow(kWidth, kHeight);
    setUpShow([] {});
    // A stopped stream's spectrum is silent: the peak hold alone lights the
    // equaliser.
    std::fill(savedPeaks, savedPeaks + Equaliser::kBinCount, kHeldPeak);

    const Pixels shows = frameAt(kAllLayersRow);
    ASSERT_TRUE(same(frameAt(kAllLayersRow), shows)) << "the frame itself is not repeatable";

    // Each layer muted, then each alone.
    for (int layer = 0; layer < LAYER_COUNT; ++layer)
        for (bool solo : {false, true}) {
            setStudioLayers(only(FrameLayer(layer), solo));
            EXPECT_FALSE(same(frameAt(kAllLayersRow), shows))
                << kFrameLayerNames[layer] << (solo ? " soloed" : " muted");
        }
    // Muting wins over soloing; a solo of two shows both.
    LayerFlags flags{};
    flags.soloed[LAYER_LASERS] = flags.muted[LAYER_LASERS] = flags.soloed[LAYER_STROBE] = true;
    setStudioLayers(flags);
    const Pixels strobeOnly = frameAt(kAllLayersRow);
    setStudioLayers(only(LAYER_STROBE, true));
    EXPECT_TRUE(same(frameAt(kAllLayersRow), strobeOnly));
    flags = LayerFlags{};
    flags.soloed[LAYER_LASERS] = flags.soloed[LAYER_STROBE] = true;
    setStudioLayers(flags);
    EXPECT_FALSE(same(frameAt(kAllLayersRow), strobeOnly));

    setStudioLayers(LayerFlags{});
    EXPECT_TRUE(same(frameAt(kAllLayersRow), shows)) << "all shown again";

    // The camera: the tracks' own pose draws the same frame; another pose
    // another; none puts the tracks back.
    const CameraPose tracks = cameraPoseAt(kAllLayersRow);
    setStudioCamera(&tracks);
    EXPECT_TRUE(same(frameAt(kAllLayersRow), shows));
    CameraPose moved = tracks;
    moved.dist *= 0.5f;
    setStudioCamera(&moved);
    EXPECT_FALSE(same(frameAt(kAllLayersRow), shows));
    setStudioCamera(nullptr);
    EXPECT_TRUE(same(frameAt(kAllLayersRow), shows)) << "the tracks' camera again";
}
