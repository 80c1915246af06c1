// The loader's reader against the one it replaced: getline into a zeroed
// buffer, then the C library's sscanf with the loader's formats. Every line
// of the shipped models, of generated models and of a malformed corpus must
// split the same way and give bit-identical numbers under every format,
// including which targets are left untouched.
#include "ModelTestSupport.h"

#include <cmath>
#include <cstring>
#include <random>

using namespace TandemSpace;

namespace {

// Targets start as values no conversion produces, so "not stored" shows.
constexpr uint32_t kUntouchedFloatBits = 0x7fc12345; // a NaN with a payload
constexpr int kUntouchedInt = 0x5a5a5a5a;
constexpr int kMaxConversions = 9;

struct Format {
    const char* text;
    bool floats;
    int conversions;
};
const Format kFormats[] = {
    {"v %f %f %f", true, 3},           {"vt %f %f", true, 2},
    {"vn %f %f %f", true, 3},          {"f %i/%i/%i %i/%i/%i %i/%i/%i", false, 9},
    {"f %i/%i %i/%i %i/%i", false, 6}, {"f %i//%i %i//%i %i//%i", false, 6},
    {"f %i %i %i", false, 3},
};

struct Scanned {
    uint32_t bits[kMaxConversions];
    bool operator==(const Scanned& other) const {
        return memcmp(bits, other.bits, sizeof bits) == 0;
    }
};

Scanned untouched(const Format& format) {
    Scanned s;
    for (uint32_t& b : s.bits)
        b = format.floats ? kUntouchedFloatBits : uint32_t(kUntouchedInt);
    return s;
}

// The replaced reader: sscanf on the zero-filled line buffer.
Scanned referenceScan(const char* buffer, const Format& format) {
    Scanned s = untouched(format);
    float f[kMaxConversions];
    int i[kMaxConversions];
    memcpy(f, s.bits, sizeof f);
    memcpy(i, s.bits, sizeof i);
    switch (format.conversions * (format.floats ? -1 : 1)) {
    case -3:
        sscanf(buffer, format.text, &f[0], &f[1], &f[2]);
        break;
    case -2:
        sscanf(buffer, format.text, &f[0], &f[1]);
        break;
    case 9:
        sscanf(buffer, format.text, &i[0], &i[1], &i[2], &i[3], &i[4], &i[5], &i[6], &i[7], &i[8]);
        break;
    case 6:
        sscanf(buffer, format.text, &i[0], &i[1], &i[2], &i[3], &i[4], &i[5]);
        break;
    case 3:
        sscanf(buffer, format.text, &i[0], &i[1], &i[2]);
        break;
    }
    if (format.floats)
        memcpy(s.bits, f, sizeof f);
    else
        memcpy(s.bits, i, sizeof i);
    return s;
}

Scanned newScan(const ObjLine& line, const Format& format) {
    Scanned s = untouched(format);
    if (format.floats)
        scanFloats(line, format.text, reinterpret_cast<float*>(s.bits));
    else
        scanInts(line, format.text, reinterpret_cast<int*>(s.bits));
    return s;
}

std::string shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", c);
        out += c >= 32 && c < 127 ? std::string(1, char(c)) : std::string(hex);
    }
    return out;
}

// Splits bytes with both readers in step and compares every line under every
// format. Returns the number of lines; stops at the first difference.
int expectSameReading(const std::string& bytes) {
    std::vector<unsigned char> data(bytes.begin(), bytes.end());
    const int size = int(data.size());
    char buffer[kLineCapacity];
    int oldPos = 0, newPos = 0, lines = 0;
    ObjLine line;
    for (;;) {
        const int oldRead = getline(data.data(), buffer, &oldPos, size);
        const int newRead = nextLine(data.data(), &newPos, size, line);
        EXPECT_EQ(newRead, oldRead) << "line " << lines;
        EXPECT_EQ(newPos, oldPos) << "line " << lines;
        if (!oldRead || !newRead || newPos != oldPos) return lines;
        const std::string text(line.begin, line.end);
        EXPECT_EQ(memcmp(buffer, text.data(), text.size()), 0) << shown(text);
        for (size_t k = text.size(); k < size_t(kLineCapacity); k++)
            if (buffer[k] != 0) ADD_FAILURE() << "buffer not zero past the line";
        for (const Format& format : kFormats) {
            const Scanned expected = referenceScan(buffer, format), got = newScan(line, format);
            if (!(got == expected)) {
                ADD_FAILURE()
                    << "\"" << shown(text) << "\" read as \"" << format.text
                    << "\" differs at conversion "
                    << std::mismatch(got.bits, got.bits + kMaxConversions, expected.bits).first -
                           got.bits;
                return lines;
            }
        }
        lines++;
    }
}

std::string readWhole(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return "";
    std::string bytes;
    char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

TEST(ObjScan, ReadsTheShippedModelsAsBefore) {
    int models = 0, lines = 0;
    for (int n = 1; n <= 35; n++) {
        const std::string bytes =
            readWhole(std::string(SHIPPED_MODELS_DIR) + "symbol" + std::to_string(n) + ".obj");
        if (bytes.empty()) continue;
        models++;
        lines += expectSameReading(bytes);
    }
    EXPECT_EQ(models, 35);
    EXPECT_GT(lines, 35 * 100);
}

// Models as other exporters write them: fixed, shortest, exponent and
// hexadecimal floats, CRLF line ends, tabs, every face pattern, quads.
TEST(ObjScan, ReadsGeneratedModelsAsBefore) {
    const char* const floatForms[] = {"%f", "%.9g", "%e", "%a", "%+.3f", "%.0f"};
    const char* const faceForms[] = {"f %d/%d/%d %d/%d/%d %d/%d/%d\n",
                                     "f %d/%d %d/%d %d/%d %d/%d\n", "f %d//%d\t%d//%d %d//%d\r\n",
                                     "f %d %d %d %d\n"};
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
    std::uniform_int_distribution<int> index(-5, 200000);
    std::string model;
    char line[256];
    for (const char* form : floatForms) {
        const std::string v = std::string("v ") + form + " " + form + " " + form + "\n";
        const std::string vt = std::string("vt ") + form + " " + form + "\n";
        for (int i = 0; i < 2000; i++) {
            const float scale = i % 3 == 0 ? 1e-6f : (i % 3 == 1 ? 1.0f : 1e30f);
            snprintf(line, sizeof line, v.c_str(), coordinate(rng) * scale, coordinate(rng),
                     coordinate(rng) * scale);
            model += line;
            snprintf(line, sizeof line, vt.c_str(), coordinate(rng), coordinate(rng));
            model += line;
        }
    }
    for (const char* form : faceForms) {
        for (int i = 0; i < 2000; i++) {
            snprintf(line, sizeof line, form, index(rng), index(rng), index(rng), index(rng),
                     index(rng), index(rng), index(rng), index(rng), index(rng));
            model += line;
        }
    }
    EXPECT_EQ(expectSameReading(model), 6 * 2 * 2000 + 4 * 2000);
}

// Lines that probe every rule of the C library's scanner: what it consumes
// past the end of a number, the integer bases, saturation, the special
// floats, a NUL inside a line, bytes above 127.
TEST(ObjScan, ReadsMalformedLinesAsBefore) {
    const std::string corpus[] = {
        "",
        "v",
        "v ",
        "vt",
        "vn",
        "f",
        "f ",
        "v 1 2",
        "v 1e 2 3",
        "v 1e+ 2 3",
        "v 1e5e3 2 3",
        "v 1.2.3 4",
        "v .5 5. -.5e2",
        "v . 1 2",
        "v - 1 2",
        "v + 1 2",
        "v -x",
        "v 0x 1 2",
        "v 0x1.8p3 0X.8P-1 0x.p",
        "v 0xp3 1 2",
        "v -0x 1",
        "v 0x1p 2 3",
        "v 0x1e3 0x1p+ 2",
        "v inf -INF +Infinity",
        "v infinit 1 2",
        "v infx 2 3",
        "v nan NaN(1) -nan",
        "v na 1 2",
        "v 1e39 -1e39 1e-50",
        "v 3.4028235e38 1.17549435e-38 1e-45",
        "v 0.1234567890123456789012 123456789 16777217",
        "v 00000000000000000000001.5 2 3",
        "v 1,5 2,5 3",
        "v 1\t2\v3\f",
        "v 1 2 3\r",
        "v\t1 2 3",
        "v  1   2   3   4",
        "v 0.000001 -0.0 +0",
        "v 2.5e-3 1E+3 1e0000000000000000003",
        "v 1e-99999999999 1e99999999999 0e999",
        "vt 0.5 0.25 0.125",
        "vn 0 0 -1",
        std::string("v 1 2\0 3", 8),
        std::string("f 1/1\0/1 2/2/2 3/3/3", 20),
        "v \xff 1 2",
        "v 1\xa0 2 3",
        "f 1 2 3 4",
        "f 1/2/3 4/5/6 7/8/9",
        "f 1/2 3/4 5/6",
        "f 1//2 3//4 5//6",
        "f 1 /2/3 4/5/6",
        "f 1/ 2/3",
        "f 1/2/3 4/5/6 7/8/",
        "f 007 08 09",
        "f 010/0x10/0X1f",
        "f 0x 0xg 0x0x5",
        "f -0x10 +0x10 -010",
        "f - 1 2",
        "f + 1 2",
        "f -- 1",
        "f 1-2 3",
        "f 4294967297 -2147483649 2147483648",
        "f 99999999999999999999 -99999999999999999999 1",
        "f 9223372036854775807 9223372036854775808 -9223372036854775808",
        "f -9223372036854775809 18446744073709551616 1",
        "f 1.5 2 3",
        "f 1e3 2 3",
        "f 1//2 3/4/5",
        "f\t1\t2\t3",
        "f 1 2 3\r",
        "f  1  2  3",
        "f 1\r2\r3",
        "g group",
        "o object",
        "# comment",
        "s 1",
        "usemtl m",
        "mtllib x.mtl",
    };
    std::string bytes;
    for (const std::string& line : corpus)
        bytes += line + "\n";
    EXPECT_EQ(expectSameReading(bytes), int(sizeof corpus / sizeof corpus[0]));

    // Random lines from the pieces numbers and faces are made of.
    const char* const pieces[] = {"0", "1",  "7",  "9",  "-",  "+",  ".",   "e",   "E", "p",
                                  "x", "X",  "a",  "f",  "i",  "n",  "inf", "nan", "/", "//",
                                  " ", "\t", "\r", "12", "0x", "1e", "3.5", "NUL"};
    const int pieceCount = int(sizeof pieces / sizeof pieces[0]);
    const char* const starts[] = {"v ", "vt ", "vn ", "f "};
    std::mt19937 rng(1222);
    std::string fuzz;
    const int fuzzLines = 20000;
    for (int i = 0; i < fuzzLines; i++) {
        std::string line = starts[rng() % 4];
        for (int n = int(rng() % 24); n > 0; n--) {
            const int piece = int(rng() % pieceCount);
            line += piece == pieceCount - 1 ? std::string(1, '\0') : std::string(pieces[piece]);
        }
        fuzz += line + "\n";
    }
    EXPECT_EQ(expectSameReading(fuzz), fuzzLines);
}

TEST(ObjScan, SplitsLinesAsBefore) {
    // Lines up to the longest, a bare CR, empty lines, a tail without a line feed.
    const std::string bytes = std::string(998, 'x') + "\n\n\r\n" + std::string(500, 'y') + "\n" +
                              std::string(997, 'z') + "\nv 1 2 3";
    EXPECT_EQ(expectSameReading(bytes), 5);
    EXPECT_EQ(expectSameReading(""), 0);
    EXPECT_EQ(expectSameReading("no line feed"), 0);
    // A tail of 999 bytes fails the check like a line that has its line feed.
    EXPECT_MODEL_CHECK(loadText("long-tail.obj", "v 1 2 3\n" + std::string(999, 'x')), kModelSource,
                       "int getline(unsigned char*, char*, int*, int)", "(*datapos)-x < 999");
}

} // namespace
