// The image decoder's code (see ImageDecoder.h).
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
// Only the formats whose bytes Texture.cpp checks before decoding: the show and its tools write
// PNG, and JPEG and PNM are checked too. The decoder's other readers (HDR, TGA, GIF, BMP, PSD,
// PIC) are left out, with their faults: a cut-off HDR made its run-length reader loop forever, and
// an 18-byte TGA header alone decoded as a 16384 x 16384 image. Any other format is refused as
// unreadable.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNM
#define STBI_FAILURE_USERMSG
// Zeroed memory for the decoder: whatever part of its state a damaged file leaves unset (a table
// no definition filled) then reads the same on every run instead of earlier allocations' bytes.
#define STBI_MALLOC(size) calloc(1, size)
#define STBI_REALLOC(pointer, size) realloc(pointer, size)
#define STBI_FREE(pointer) free(pointer)
#include "ImageDecoder.h"
