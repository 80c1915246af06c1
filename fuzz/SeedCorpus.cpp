// halcyon-fuzz-seeds: the fuzz targets' seed corpora, made from the show.
//
//     halcyon-fuzz-seeds DATA_DIR MUSIC_MAP TRACK_SOURCES_DIR SHADER_DIR OUT_DIR
//
// OUT_DIR/<target>/ receives small inputs: a mutation of a small real file
// reaches the interesting paths in a fraction of the time a whole model or
// clip would take. Text sources, shaders and track files are copied whole;
// models keep a few positions of their first group and the faces among them;
// clips keep their first frames; the soundtrack gives two slices; the flare
// image is copied and also re-encoded, cropped, as grey, RGB and RGBA images
// of formats the decoder reads besides PNG, JPEG among them.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int kObjPositions = 12;
const uint32_t kClipFrames = 3;
const size_t kStreamSlice = 6000;
const int kCrop = 8;
const int kJpegQuality = 80;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "halcyon-fuzz-seeds: cannot read %s\n", path.c_str());
        exit(1);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) {
        fprintf(stderr, "halcyon-fuzz-seeds: cannot write %s\n", path.c_str());
        exit(1);
    }
}

void copyMatching(const fs::path& dir, const std::string& prefix, const std::string& suffix,
                  const fs::path& out) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            writeFile(out / name, readFile(entry.path()));
    }
}

// Every number in a face line must be a kept index (1-based, first group).
bool faceWithin(const std::string& line, int limit) {
    for (size_t i = 1; i < line.size();) {
        if (!isdigit((unsigned char)line[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < line.size() && isdigit((unsigned char)line[end]))
            ++end;
        if (std::stoi(line.substr(i, end - i)) > limit) return false;
        i = end;
    }
    return true;
}

std::string reduceModel(const std::string& obj) {
    std::istringstream lines(obj);
    std::string line, out;
    int kept[3] = {0, 0, 0};
    bool facesSeen = false;
    while (std::getline(lines, line)) {
        const bool position = line.rfind("v ", 0) == 0;
        if (position && facesSeen) break; // the second group starts
        int kind = position ? 0 : line.rfind("vt", 0) == 0 ? 1 : line.rfind("vn", 0) == 0 ? 2 : -1;
        if (kind >= 0) {
            if (kept[kind]++ < kObjPositions) out += line + "\n";
        } else if (line.rfind("f ", 0) == 0) {
            facesSeen = true;
            if (faceWithin(line, kObjPositions)) out += line + "\n";
        } else {
            out += line + "\n";
        }
    }
    return out;
}

uint32_t u32(const std::string& b, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= b.size()) memcpy(&v, b.data() + at, 4);
    return v;
}

void putU32(std::string& b, uint32_t v) {
    b.append(reinterpret_cast<const char*>(&v), 4);
}

// The first frames with their records, offsets rebased onto the new area.
std::string reduceClip(const std::string& clip) {
    const uint32_t frames = std::min(u32(clip, 0), kClipFrames);
    const size_t area = 8 + size_t(u32(clip, 0)) * 8;
    std::string table, records;
    for (uint32_t f = 0; f < frames; ++f) {
        const uint32_t first = u32(clip, 8 + f * 8), count = u32(clip, 12 + f * 8);
        if (area + first + size_t(count) * 7 > clip.size()) break;
        putU32(table, uint32_t(records.size()));
        putU32(table, count);
        records += clip.substr(area + first, size_t(count) * 7);
    }
    std::string out;
    putU32(out, uint32_t(table.size() / 8));
    putU32(out, u32(clip, 4));
    return out + table + records;
}

void appendBytes(void* out, void* data, int size) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size_t(size));
}

// An 8x8 crop of the image in every format the texture decoder reads besides
// PNG: PGM/PPM at 8 bits a sample and PGM at 16 (each takes its own path in
// the decoder), and JPEG (grey and colour: one and three components take
// different paths).
void writeCrops(const std::string& png, const fs::path& out) {
    int w, h, n;
    unsigned char* rgba =
        stbi_load_from_memory((const unsigned char*)png.data(), int(png.size()), &w, &h, &n, 4);
    if (!rgba) return;
    const int side = std::min(kCrop, std::min(w, h));
    const int x0 = (w - side) / 2, y0 = (h - side) / 2;
    std::string grey, rgb, grey16;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const unsigned char* p = rgba + 4 * ((y0 + y) * w + x0 + x);
            grey += char(p[0]);
            rgb.append({char(p[0]), char(p[1]), char(p[2])});
            grey16.append({char(p[0]), char(p[1])}); // big-endian samples
        }
    stbi_image_free(rgba);
    const std::string sides = std::to_string(side) + " " + std::to_string(side);
    writeFile(out / "crop-grey.pgm", "P5\n" + sides + " 255\n" + grey);
    writeFile(out / "crop-rgb.ppm", "P6\n" + sides + " 255\n" + rgb);
    writeFile(out / "crop-grey16.pgm", "P5\n" + sides + " 65535\n" + grey16);
    std::string jpegGrey, jpegRgb;
    stbi_write_jpg_to_func(appendBytes, &jpegGrey, side, side, 1, grey.data(), kJpegQuality);
    stbi_write_jpg_to_func(appendBytes, &jpegRgb, side, side, 3, rgb.data(), kJpegQuality);
    writeFile(out / "crop-grey.jpg", jpegGrey);
    writeFile(out / "crop-rgb.jpg", jpegRgb);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        fputs("usage: halcyon-fuzz-seeds DATA_DIR MUSIC_MAP TRACK_SOURCES_DIR SHADER_DIR OUT_DIR\n",
              stderr);
        return 1;
    }
    const fs::path data = argv[1], map = argv[2], sources = argv[3], shaders = argv[4],
                   out = argv[5];
    copyMatching(data, "sync_", ".track", out / "track");
    copyMatching(sources, "", ".tracks", out / "trackc");
    copyMatching(sources, "", ".tracks", out / "trackedit");
    copyMatching(shaders, "", ".glsl", out / "shader");
    writeFile(out / "musicmap" / "music-map.txt", readFile(map));
    for (const auto& entry : fs::directory_iterator(data)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("symbol", 0) == 0 && entry.path().extension() == ".obj")
            writeFile(out / "obj" / name, reduceModel(readFile(entry.path())));
        if (name.rfind("rave", 0) == 0 && entry.path().extension() == ".dat")
            writeFile(out / "clip" / name, reduceClip(readFile(entry.path())));
        if (entry.path().extension() == ".png")
            writeFile(out / "texture" / name, readFile(entry.path()));
        if (entry.path().extension() == ".mp3") {
            const std::string mp3 = readFile(entry.path());
            writeFile(out / "stream" / "start.mp3", mp3.substr(0, kStreamSlice));
            writeFile(out / "stream" / "middle.mp3", mp3.substr(mp3.size() / 2, kStreamSlice));
        }
    }
    writeCrops(readFile(data / "flare.png"), out / "texture");
    return 0;
}
