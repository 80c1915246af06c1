// halcyon-clips: writes the show's video clips rave1.dat to rave16.dat into
// the directory given as its one argument. The output depends on nothing but
// this program, so every build writes the same bytes.
#include "RaveClips.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 1;
    }
    for (int number = 1; number <= kRaveClipCount; ++number) {
        const Clip clip = buildRaveClip(number);
        const std::string path = std::string(argv[1]) + "/rave" + std::to_string(number) + ".dat";
        if (const char* fault = clipFault(clip)) {
            fprintf(stderr, "%s: %s\n", path.c_str(), fault);
            return 1;
        }
        const std::vector<uint8_t> bytes = serialiseClip(clip);
        FILE* file = fopen(path.c_str(), "wb");
        if (!file) {
            fprintf(stderr, "cannot create %s\n", path.c_str());
            return 1;
        }
        const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (fclose(file) != 0 || !written) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
