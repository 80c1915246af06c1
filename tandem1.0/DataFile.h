// DataFile: one file of the data directory, read whole into memory.
//
// The data directory is fixed when the program is built (HALCYON_DATA_DIR);
// names are appended to it as they are. The bytes have no terminating zero:
// `size` gives their length. A DataFile and its bytes live until the process
// ends; the loaders keep theirs. A file that cannot be read ends the process
// through App::fail.
#pragma once

#include <cstdint>
#include <string>

// The directory every data file is read from, with its trailing slash. Each
// program defines it once (see halcyon_data_dir in app/), so tests can build
// the same program against a data directory of their own.
extern const char* const kDataDir;

struct DataFile {
    std::string path;
    int32_t size;
    unsigned char* data;

    explicit DataFile(const std::string& fileName);
};
