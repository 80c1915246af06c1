// halcyon-images: writes "envi.png" and "flare.png" into the directory given
// as its one argument. The pixels depend on nothing but this program and the
// PNG encoder, so every build writes the same bytes.
#include "ImageMaps.h"

#include <stb/stb_image_write.h>

#include <cstdio>
#include <string>

namespace {

bool writePng(const std::string& path, const ImageMap& image) {
    return stbi_write_png(path.c_str(), image.width, image.height, image.channels,
                          image.pixels.data(), image.width * image.channels) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 1;
    }
    const std::string directory = argv[1];
    if (!writePng(directory + "/envi.png", makeEnvironmentMap()) ||
        !writePng(directory + "/flare.png", makeFlare())) {
        fprintf(stderr, "cannot write the images into %s\n", directory.c_str());
        return 1;
    }
    return 0;
}
