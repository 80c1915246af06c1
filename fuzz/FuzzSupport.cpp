#include "fuzz/FuzzSupport.h"
#include "tandem1.0/DataFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

volatile uint8_t byteSink;
volatile float floatSink;

void removeScratch() {
    const char* dir = fuzzScratchDir();
    if (DIR* d = opendir(dir)) {
        while (dirent* entry = readdir(d))
            if (entry->d_name[0] != '.') unlink((std::string(dir) + entry->d_name).c_str());
        closedir(d);
    }
    rmdir(dir);
}

} // namespace

const char* fuzzScratchDir() {
    // Never destroyed: the exit handler below still needs it.
    static const char* dir = [] {
        // tmpfs where there is one: every input is written once per run.
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/halcyon-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            perror("halcyon fuzz: scratch directory");
            abort();
        }
        atexit(removeScratch);
        return strdup((pattern + "/").c_str());
    }();
    return dir;
}

std::string writeScratchFile(const char* name, const uint8_t* data, size_t size) {
    std::string path = std::string(fuzzScratchDir()) + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0) {
        perror(path.c_str());
        abort();
    }
    return path;
}

std::string readWholeFile(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "halcyon fuzz: cannot read %s (build the show first: make build)\n", path);
        exit(1);
    }
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

void consume(const void* bytes, size_t size) {
    uint8_t sum = 0;
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < size; ++i)
        sum = uint8_t(sum + p[i]);
    byteSink = sum;
}

void consumeFloat(float value) {
    floatSink = value;
}

// The loaders read their files from here (the OBJ target writes its input
// there).
const char* const kDataDir = fuzzScratchDir();
