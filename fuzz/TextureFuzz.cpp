// Textures: any bytes through the loader's decoding step. An image that
// decodes must come with exactly width * height * channels bytes (the upload
// reads that many) and an upload format for its channel count.
#include "fuzz/FuzzSupport.h"
#include "tandem1.0/Texture.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) return 0;
    TextureImage image;
    if (decodeTextureImage(data, int32_t(size), &image) != TextureDecode::Ok) {
        if (image.pixels) __builtin_trap(); // a refusal holds no pixels
        return 0;
    }
    TextureFormat expected;
    if (image.width <= 0 || image.height <= 0 || !textureFormatFor(image.channels, &expected) ||
        expected.internalFormat != image.format.internalFormat)
        __builtin_trap();
    consume(image.pixels, size_t(image.width) * size_t(image.height) * size_t(image.channels));
    freeTextureImage(&image);
    return 0;
}
