// The system's image decoder (stb_image), configured once for the program: its declarations
// here, its code in ImageDecoder.cpp, which is built apart so that the sanitizer and fuzz builds
// can treat the decoder's own arithmetic differently from ours (see CMakeLists.txt).
#pragma once

// A few header bytes may claim any size, and the decoder allocates the whole image before it
// reads a pixel. No OpenGL implementation takes a texture above 16384 a side, so nothing larger
// is decoded. (The fuzz build lowers it further, so that each input stays fast.)
#ifndef STBI_MAX_DIMENSIONS
#define STBI_MAX_DIMENSIONS 16384
#endif
#include <stb/stb_image.h>
