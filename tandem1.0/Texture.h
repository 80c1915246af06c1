// Texture: a mipmapped, repeating 2D texture from an image of the data
// directory: PNG, JPEG or binary PGM/PPM, decoded to 8 bits a channel. Other
// formats are refused like any unreadable file.
//
// One, three and four channels are accepted; anything else, or an image the
// decoder cannot read, ends the process through App::fail. The decoded pixels
// are released after the upload; the file's bytes stay with the texture, which
// lives until exit. Construction leaves the new texture bound.
#pragma once

#include "DataFile.h"

#include <cstdint>

struct TextureFormat {
    uint32_t internalFormat;
    uint32_t pixelFormat;
};

// The upload formats for a decoded channel count; false for unsupported counts.
bool textureFormatFor(int channels, TextureFormat* out);

enum class TextureDecode {
    Ok,
    Unreadable,          // the decoder refused the bytes, or they hold no pixels
    UnsupportedChannels, // decoded, but the channel count has no upload format
};

// Decoded pixels ready for upload: width * height * channels bytes, rows
// packed tightly, from the decoder's allocator (release with
// freeTextureImage). channels is set for UnsupportedChannels too.
struct TextureImage {
    unsigned char* pixels;
    int32_t width;
    int32_t height;
    int channels;
    TextureFormat format;
};

// The loader's decoding step without the GPU: on anything but Ok no pixels are
// held.
TextureDecode decodeTextureImage(const unsigned char* bytes, int32_t size, TextureImage* out);
void freeTextureImage(TextureImage* image);

struct Texture {
    uint32_t id;
    DataFile* file;
    int32_t width;
    int32_t height;

    explicit Texture(const char* fileName);
};
