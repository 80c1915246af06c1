// halcyon-models: writes symbol1.obj to symbol35.obj into the directory given as the only
// argument (or only model NUMBER, when given). The output depends on nothing but this source, byte
// for byte.
#include "tools/models/Symbols.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: halcyon-models OUTPUT_DIRECTORY [NUMBER]\n");
        return 1;
    }
    const std::string directory = std::string(argv[1]) + "/";
    const int only = argc == 3 ? std::atoi(argv[2]) : 0;
    for (int number = 1; number <= models::kSymbolCount; ++number) {
        if (only != 0 && number != only) continue;
        models::Model model = models::buildSymbol(number);
        models::normalise(model);
        const std::string text = models::writeObj(model);
        const std::string path = directory + "symbol" + std::to_string(number) + ".obj";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) models::fatal("cannot create " + path);
        bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) != 0 || !written) models::fatal("cannot write " + path);
    }
    return 0;
}
