// The image decoder's code (see ImageDecoder.h).
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
// Zeroed memory for the decoder: whatever part of its state a damaged file leaves unset (a table
// no definition filled) then reads the same on every run instead of earlier allocations' bytes.
#define STBI_MALLOC(size) calloc(1, size)
#define STBI_REALLOC(pointer, size) realloc(pointer, size)
#define STBI_FREE(pointer) free(pointer)
#include "ImageDecoder.h"
