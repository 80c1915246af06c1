// halcyon-contactsheet: tiles PNG pictures into one grid picture.
//
//   halcyon-contactsheet [--columns N] [--gap PX] [--background RRGGBB]
//                        --out SHEET.png IMAGE...
//
// The pictures are laid out in the order given, row by row; every cell takes
// the size of the first picture. Exit status 0 when the sheet is written, 1
// with a message otherwise.
#include "ContactSheet.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage = "usage: halcyon-contactsheet [--columns N] [--gap PX] "
                           "[--background RRGGBB] --out SHEET.png IMAGE...\n";
const int kMaxColumns = 1000;
const int kMaxGap = 1000;
const int kPngCompression = 9;

bool parseInt(const char* text, int low, int high, int* value) {
    char* end = nullptr;
    const long parsed = strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
    *value = int(parsed);
    return true;
}

bool parseColour(const char* text, uint8_t* rgb) {
    if (strlen(text) != 6) return false;
    char* end = nullptr;
    const unsigned long value = strtoul(text, &end, 16);
    if (*end != '\0') return false;
    rgb[0] = uint8_t(value >> 16);
    rgb[1] = uint8_t(value >> 8);
    rgb[2] = uint8_t(value);
    return true;
}

int usageError(const char* what, const char* value) {
    fprintf(stderr, "halcyon-contactsheet: %s %s\n%s", what, value, kUsage);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    contactsheet::Layout layout;
    std::string out;
    std::vector<const char*> inputs;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (strcmp(arg, "--columns") == 0 && hasValue) {
            if (!parseInt(argv[++i], 1, kMaxColumns, &layout.columns))
                return usageError("bad column count", argv[i]);
        } else if (strcmp(arg, "--gap") == 0 && hasValue) {
            if (!parseInt(argv[++i], 0, kMaxGap, &layout.gap))
                return usageError("bad gap", argv[i]);
        } else if (strcmp(arg, "--background") == 0 && hasValue) {
            if (!parseColour(argv[++i], layout.background))
                return usageError("bad colour", argv[i]);
        } else if (strcmp(arg, "--out") == 0 && hasValue) {
            out = argv[++i];
        } else if (strncmp(arg, "--", 2) == 0) {
            return usageError("unknown option", arg);
        } else {
            inputs.push_back(arg);
        }
    }
    if (out.empty() || inputs.empty()) {
        fputs(kUsage, stderr);
        return 1;
    }

    std::vector<contactsheet::Picture> pictures(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        int width = 0, height = 0, channels = 0;
        uint8_t* pixels = stbi_load(inputs[i], &width, &height, &channels, contactsheet::kChannels);
        if (!pixels) {
            fprintf(stderr, "halcyon-contactsheet: cannot read %s: %s\n", inputs[i],
                    stbi_failure_reason());
            return 1;
        }
        pictures[i].width = width;
        pictures[i].height = height;
        pictures[i].rgb.assign(pixels,
                               pixels + size_t(width) * size_t(height) * contactsheet::kChannels);
        stbi_image_free(pixels);
    }

    contactsheet::Picture sheet;
    std::string error;
    if (!contactsheet::tile(pictures, layout, &sheet, &error)) {
        fprintf(stderr, "halcyon-contactsheet: %s\n", error.c_str());
        return 1;
    }
    // The sheet is committed as documentation: spend time on a smaller file.
    stbi_write_png_compression_level = kPngCompression;
    if (!stbi_write_png(out.c_str(), sheet.width, sheet.height, contactsheet::kChannels,
                        sheet.rgb.data(), sheet.width * contactsheet::kChannels)) {
        fprintf(stderr, "halcyon-contactsheet: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
