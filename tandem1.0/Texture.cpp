#include "Texture.h"

#include "App.h"
#include "GL.h"
#include "ImageDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const int kOpenGLDefaultUnpackAlignment = 4;
const int kTightRows = 1;
const int kPnmHeaderNumbers = 3; // width, height, levels
const int64_t kPnmMaxLevels = 65535;
const int64_t kPnmMaxByteLevels = 255; // more levels take two bytes a sample
const int64_t kPnmColourChannels = 3;

bool isPnmSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Two faults of the decoder with PNM headers. It reads the header's numbers without an overflow
// check, so a long run of digits is undefined behaviour; any number above its own limits (a side
// above STBI_MAX_DIMENSIONS, more than 65535 levels) makes it refuse the file anyway, so such a
// header is refused before it is read. And it allocates the whole image the header claims, then
// reads the pixels without checking that the file holds them: a header alone decodes as an image
// of up to 16384 a side. A file shorter than its pixels is refused. Skips white space and comments
// as the decoder does; the pixels start after the one character that ends the levels.
bool pnmHeaderFits(const unsigned char* bytes, int32_t size) {
    if (size < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return true;
    int64_t numbers[kPnmHeaderNumbers] = {};
    int32_t at = 2;
    for (int64_t& value : numbers) {
        for (;;) {
            while (at < size && isPnmSpace(bytes[at]))
                ++at;
            if (at >= size || bytes[at] != '#') break;
            while (at < size && bytes[at] != '\n' && bytes[at] != '\r')
                ++at;
        }
        for (; at < size && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
            value = value * 10 + (bytes[at] - '0');
            if (value > STBI_MAX_DIMENSIONS && value > kPnmMaxLevels) return false;
        }
    }
    const int64_t channels = bytes[1] == '6' ? kPnmColourChannels : 1;
    const int64_t bytesPerLevel = numbers[2] > kPnmMaxByteLevels ? 2 : 1;
    const int64_t pixelBytes = numbers[0] * numbers[1] * channels * bytesPerLevel;
    return int64_t(size) - (int64_t(at) + 1) >= pixelBytes;
}

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const size_t kPngChunkFraming = 12; // length, type, CRC
const size_t kPngChunkType = 4;     // the type follows the 4-byte length
const size_t kPngChunkHeader = 8;   // length and type, all the decoder reads before the data

uint32_t readBigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool isIdat(const unsigned char* chunk) {
    return memcmp(chunk + kPngChunkType, "IDAT", 4) == 0;
}

bool isEmptyIdat(const unsigned char* chunk) {
    return readBigEndian32(chunk) == 0 && isIdat(chunk);
}

// The decoder grows its image-data buffer to what a chunk's length field claims before it reads
// the chunk, so 12 bytes can make it allocate gigabytes for a file it then refuses as cut short.
// A PNG whose image-data chunk, before the end chunk, claims more than the file holds is refused
// here, as the decoder would refuse it, without that allocation.
bool pngChunksFit(const unsigned char* bytes, int32_t size) {
    const size_t end = size_t(size > 0 ? size : 0);
    if (end < sizeof kPngSignature || memcmp(bytes, kPngSignature, sizeof kPngSignature) != 0)
        return true;
    for (size_t at = sizeof kPngSignature; at + kPngChunkHeader <= end;
         at += kPngChunkFraming + readBigEndian32(bytes + at)) {
        if (memcmp(bytes + at + kPngChunkType, "IEND", 4) == 0) return true;
        if (isIdat(bytes + at) && readBigEndian32(bytes + at) > end - at - kPngChunkHeader)
            return false;
    }
    return true;
}

// The decoder copies an empty image-data chunk that comes first to a null buffer (undefined
// behaviour), also when the file ends before the chunk's CRC. Such a chunk carries nothing, so a
// PNG that has one is decoded from a copy without it; any other file is left as it is. Empty when
// nothing needs to go.
std::vector<unsigned char> withoutEmptyIdat(const unsigned char* bytes, int32_t size) {
    const size_t end = size_t(size > 0 ? size : 0);
    if (end < sizeof kPngSignature || memcmp(bytes, kPngSignature, sizeof kPngSignature) != 0)
        return {};
    bool found = false;
    for (size_t at = sizeof kPngSignature; at + kPngChunkHeader <= end && !found;
         at += kPngChunkFraming + readBigEndian32(bytes + at))
        found = isEmptyIdat(bytes + at);
    if (!found) return {};
    std::vector<unsigned char> copy(bytes, bytes + sizeof kPngSignature);
    size_t at = sizeof kPngSignature;
    while (at + kPngChunkHeader <= end) {
        const size_t next = at + kPngChunkFraming + readBigEndian32(bytes + at);
        if (!isEmptyIdat(bytes + at))
            copy.insert(copy.end(), bytes + at, bytes + std::min(next, end));
        at = next;
    }
    copy.insert(copy.end(), bytes + std::min(at, end), bytes + end);
    return copy;
}

// Two faults of the decoder with JPEG Huffman tables. It builds a table from the 16 code counts of
// a definition without checking that they add up to at most the 256 symbols the table holds, and
// writes past the table when they do. And a scan may name a table that no definition filled, which
// the decoder then reads as it found it in memory, indexing with whatever that holds. A JPEG with
// an oversized definition anywhere among its markers (between scans too), or with a scan that
// decodes with an undefined table, is refused before it is decoded. A scan of a progressive JPEG
// uses only the tables it decodes with: the DC ones in a first DC scan, the AC ones in an AC scan.
//
// The walk follows the decoder's, byte for byte: bytes past the end read as 0; where a marker
// should start, bytes up to the next 0xFF are skipped (the decoder takes them as padding before
// the frame header and refuses the file after it, so walking on there costs nothing); inside a
// scan, 0xFF fill bytes before a 0 are data.
bool jpegTablesUsable(const unsigned char* bytes, int32_t size) {
    const size_t end = size_t(size > 0 ? size : 0);
    const auto at = [&](size_t i) -> size_t { return i < end ? bytes[i] : 0; };
    const size_t kMarkerSoi = 0xD8, kMarkerDht = 0xC4, kMarkerSos = 0xDA, kMarkerEoi = 0xD9;
    const size_t kMarkerProgressive = 0xC2, kRestartMask = 0xF8, kRestart = 0xD0;
    const size_t kCodeLengths = 16, kMaxSymbols = 256;
    const size_t kClasses = 2, kTablesPerClass = 4, kDc = 0, kAc = 1;
    bool defined[kClasses][kTablesPerClass] = {};
    bool progressive = false;
    // Like every marker, the first may follow any number of 0xFF fill bytes.
    size_t i = 0;
    if (at(i) != 0xFF) return true;
    while (i < end && at(i) == 0xFF)
        ++i;
    if (at(i++) != kMarkerSoi) return true;
    while (i < end) {
        while (i < end && at(i) != 0xFF)
            ++i;
        while (i < end && at(i) == 0xFF)
            ++i;
        if (i >= end) return true; // no marker left: the decoder refuses the file itself
        const size_t marker = at(i++);
        if (marker == kMarkerEoi) return true;
        const size_t length = at(i) << 8 | at(i + 1);
        if (length < 2) return true;
        if (marker == kMarkerProgressive) progressive = true;
        if (marker == kMarkerDht) {
            for (size_t table = i + 2; table < i + length;) {
                const size_t tableClass = at(table) >> 4, id = at(table) & 15;
                size_t symbols = 0;
                for (size_t n = 0; n < kCodeLengths; ++n)
                    symbols += at(table + 1 + n);
                if (symbols > kMaxSymbols) return false;
                if (tableClass < kClasses && id < kTablesPerClass) defined[tableClass][id] = true;
                table += 1 + kCodeLengths + symbols;
            }
        }
        if (marker == kMarkerSos) {
            // Components, each with its table byte (DC id, AC id), then the spectral start, end
            // and approximation.
            const size_t components = at(i + 2), spectral = i + 3 + 2 * components;
            const bool firstDc = at(spectral) == 0 && (at(spectral + 2) >> 4) == 0;
            const bool usesDc = !progressive || firstDc, usesAc = !progressive || at(spectral) != 0;
            for (size_t c = 0; c < components; ++c) {
                const size_t dc = at(i + 4 + 2 * c) >> 4, ac = at(i + 4 + 2 * c) & 15;
                // Ids above 3 make the decoder refuse the scan itself.
                if (usesDc && dc < kTablesPerClass && !defined[kDc][dc]) return false;
                if (usesAc && ac < kTablesPerClass && !defined[kAc][ac]) return false;
            }
        }
        i += length;
        if (marker == kMarkerSos) {
            // Entropy-coded data runs to the next marker: a 0xFF, any more 0xFF fill bytes, then
            // a byte that is neither 0 (the 0xFF was data) nor a restart marker.
            for (;;) {
                while (i < end && at(i) != 0xFF)
                    ++i;
                size_t next = i;
                while (next < end && at(next) == 0xFF)
                    ++next;
                if (next >= end) return true; // no marker left: the decoder refuses the file
                if (at(next) != 0 && (at(next) & kRestartMask) != kRestart) break;
                i = next + 1;
            }
        }
    }
    return true;
}

} // namespace

bool textureFormatFor(int channels, TextureFormat* out) {
    switch (channels) {
    case 1:
        // Grey images expand to equal red, green and blue.
        *out = {GL_RGB, GL_LUMINANCE};
        return true;
    case 3:
        *out = {GL_RGB, GL_RGB};
        return true;
    case 4:
        *out = {GL_RGBA, GL_RGBA};
        return true;
    default:
        return false;
    }
}

TextureDecode decodeTextureImage(const unsigned char* bytes, int32_t size, TextureImage* out) {
    *out = TextureImage{};
    if (!pnmHeaderFits(bytes, size) || !pngChunksFit(bytes, size) || !jpegTablesUsable(bytes, size))
        return TextureDecode::Unreadable;
    const std::vector<unsigned char> cleaned = withoutEmptyIdat(bytes, size);
    if (!cleaned.empty()) {
        bytes = cleaned.data();
        size = int32_t(cleaned.size());
    }
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(bytes, size, &width, &height, &channels, 0);
    // The decoder hands out a PNM whose header says 0 wide or high as an image of no pixels:
    // nothing that could be a texture.
    if (!pixels || width <= 0 || height <= 0) {
        stbi_image_free(pixels);
        return TextureDecode::Unreadable;
    }
    out->channels = channels;
    if (!textureFormatFor(channels, &out->format)) {
        stbi_image_free(pixels);
        return TextureDecode::UnsupportedChannels;
    }
    out->pixels = pixels;
    out->width = width;
    out->height = height;
    return TextureDecode::Ok;
}

void freeTextureImage(TextureImage* image) {
    stbi_image_free(image->pixels);
    image->pixels = nullptr;
}

Texture::Texture(const char* fileName) : id(0), file(new DataFile(fileName)), width(0), height(0) {
    TextureImage image;
    switch (decodeTextureImage(file->data, file->size, &image)) {
    case TextureDecode::Ok:
        break;
    case TextureDecode::Unreadable:
        App::fail("\tsbt_image failed to process image\n");
    case TextureDecode::UnsupportedChannels:
        App::fail("\tUnregonized number of components: %i\n", image.channels);
    }
    width = image.width;
    height = image.height;

    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // The decoder packs rows tightly; with OpenGL's default alignment of 4 an
    // RGB or grey image whose row length is not a multiple of 4 would be read
    // skewed and past the end of the pixels.
    glPixelStorei(GL_UNPACK_ALIGNMENT, kTightRows);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(image.format.internalFormat), width, height, 0,
                 image.format.pixelFormat, GL_UNSIGNED_BYTE, image.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, kOpenGLDefaultUnpackAlignment);
    glGenerateMipmap(GL_TEXTURE_2D);
    freeTextureImage(&image);
}
