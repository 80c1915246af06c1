// Shared by the fuzz targets: a private scratch directory for the readers that
// take a path rather than bytes, and a sink that keeps reads from being
// optimised away (so the address checker sees every byte a reader hands out).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A fresh directory of this process, with its trailing slash; removed with its
// files at exit. It is also the data directory of the loaders (kDataDir).
const char* fuzzScratchDir();

// Replaces the scratch file `name` with the bytes; aborts if it cannot.
std::string writeScratchFile(const char* name, const uint8_t* data, size_t size);

// Reads a whole text file the target needs besides its input; exits with a
// message if it cannot (the fuzz build was configured without the show).
std::string readWholeFile(const char* path);

// Touches every byte.
void consume(const void* bytes, size_t size);
void consumeFloat(float value);
