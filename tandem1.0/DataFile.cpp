#include "DataFile.h"

#include "App.h"

#include <climits>
#include <cstdio>

DataFile::DataFile(const std::string& fileName)
    : path(kDataDir + fileName), size(0), data(nullptr) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) App::fail("Error opening file: %s\n", path.c_str());
    fseek(file, 0, SEEK_END);
    const long length = ftell(file);
    fseek(file, 0, SEEK_SET);
    // A directory opens but has no length; a file past 2 GiB does not fit the
    // 32-bit size. Neither can be a data file of ours.
    if (length < 0 || length > INT32_MAX) App::fail("Error reading file: %s\n", path.c_str());
    size = int32_t(length);
    data = new unsigned char[size];
    const size_t got = fread(data, 1, size_t(size), file);
    fclose(file);
    if (got != size_t(size)) App::fail("Error reading file: %s\n", path.c_str());
}
