// Checks the generated symbol models against the rules of the program's OBJ loader, read here
// by an independent reader: groups split where a "v" line follows an "f" line, one face pattern
// per group chosen by the attribute kinds the group lists, absolute 1-based indices that must
// fall inside the current group, at most 16 (texture, normal) combinations per position.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const int kModelCount = 35;
const size_t kMaxLineBytes = 998;
const int kMaxCombinations = 16;

using Vec3 = std::array<double, 3>;

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
double length(const Vec3& a) {
    return std::sqrt(dot(a, a));
}

enum Pattern { kV, kVVt, kVVn, kVVtVn };

struct Face {
    int v[3], t[3], n[3]; // 0-based within the group; 0 for a kind the group lacks
};

struct Group {
    std::vector<Vec3> positions;
    std::vector<std::string> positionTexts;
    int texcoordCount = 0;
    std::vector<Vec3> normals;
    std::vector<Face> faces;
    std::set<Pattern> patterns;
};

struct ObjFile {
    std::string name;
    int statements = 0; // lines starting "g " or "o "
    std::vector<Group> groups;
    std::vector<std::string> problems;
};

// Reads OBJ text the way the loader does and notes every rule the text breaks.
ObjFile readObj(const std::string& name, const std::string& text) {
    ObjFile file;
    file.name = name;
    auto problem = [&](const std::string& what, int lineNumber) {
        file.problems.push_back(name + ":" + std::to_string(lineNumber) + ": " + what);
    };
    if (text.empty() || text.back() != '\n') problem("does not end with a line feed", 0);
    int bases[3] = {1, 1, 1};
    char lastKind = 0;
    size_t start = 0;
    for (int lineNumber = 1; start < text.size(); ++lineNumber) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() > kMaxLineBytes) problem("line longer than 998 bytes", lineNumber);
        if (line.find('\r') != std::string::npos) problem("carriage return", lineNumber);
        const std::string head = line.substr(0, 2);
        if (head == "g " || head == "o ") {
            ++file.statements;
        } else if (head == "v ") {
            if (file.groups.empty() || lastKind == 'f') {
                if (!file.groups.empty()) {
                    Group& done = file.groups.back();
                    bases[0] += (int)done.positions.size();
                    bases[1] += done.texcoordCount;
                    bases[2] += (int)done.normals.size();
                }
                file.groups.emplace_back();
            }
            Vec3 p;
            int used = 0;
            if (std::sscanf(line.c_str(), "v %lf %lf %lf%n", &p[0], &p[1], &p[2], &used) != 3 ||
                used != (int)line.size())
                problem("bad position", lineNumber);
            file.groups.back().positions.push_back(p);
            file.groups.back().positionTexts.push_back(line.substr(2));
            lastKind = 'v';
        } else if (head == "vt" || head == "vn" || head == "f ") {
            if (file.groups.empty()) {
                problem("attribute or face before any position", lineNumber);
                file.groups.emplace_back();
            }
            Group& g = file.groups.back();
            if (head == "vt") {
                double u, v;
                if (std::sscanf(line.c_str(), "vt %lf %lf", &u, &v) != 2)
                    problem("bad texcoord", lineNumber);
                ++g.texcoordCount;
                lastKind = 't';
            } else if (head == "vn") {
                Vec3 n;
                if (std::sscanf(line.c_str(), "vn %lf %lf %lf", &n[0], &n[1], &n[2]) != 3)
                    problem("bad normal", lineNumber);
                g.normals.push_back(n);
                lastKind = 'n';
            } else {
                const bool hasT = g.texcoordCount > 0, hasN = !g.normals.empty();
                const Pattern pattern = hasT ? (hasN ? kVVtVn : kVVt) : (hasN ? kVVn : kV);
                const char* formats[] = {"f %d %d %d%n", "f %d/%d %d/%d %d/%d%n",
                                         "f %d//%d %d//%d %d//%d%n",
                                         "f %d/%d/%d %d/%d/%d %d/%d/%d%n"};
                const int wanted[] = {3, 6, 6, 9};
                int a[9] = {}, used = 0, got = 0;
                const char* f = formats[pattern];
                switch (pattern) {
                case kV:
                    got = std::sscanf(line.c_str(), f, &a[0], &a[1], &a[2], &used);
                    break;
                case kVVt:
                case kVVn:
                    got = std::sscanf(line.c_str(), f, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5],
                                      &used);
                    break;
                case kVVtVn:
                    got = std::sscanf(line.c_str(), f, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5],
                                      &a[6], &a[7], &a[8], &used);
                    break;
                }
                if (got != wanted[pattern] || used != (int)line.size()) {
                    problem("face does not match its group's pattern: " + line, lineNumber);
                } else {
                    const int per = wanted[pattern] / 3;
                    Face face{};
                    for (int k = 0; k < 3; ++k) {
                        face.v[k] = a[k * per] - bases[0];
                        face.t[k] = hasT ? a[k * per + 1] - bases[1] : 0;
                        face.n[k] = hasN ? a[k * per + per - 1] - bases[2] : 0;
                        if (face.v[k] < 0 || face.v[k] >= (int)g.positions.size() ||
                            face.t[k] < 0 || (hasT && face.t[k] >= g.texcoordCount) ||
                            face.n[k] < 0 || (hasN && face.n[k] >= (int)g.normals.size()))
                            problem("index outside the current group: " + line, lineNumber);
                    }
                    g.faces.push_back(face);
                    g.patterns.insert(pattern);
                }
                lastKind = 'f';
            }
        }
    }
    if (file.groups.size() > (size_t)std::max(file.statements, 1))
        problem("more groups than g/o lines", 0);
    for (const Group& g : file.groups) {
        std::map<int, std::set<std::pair<int, int>>> combinations;
        for (const Face& f : g.faces)
            for (int k = 0; k < 3; ++k)
                combinations[f.v[k]].insert({f.t[k], f.n[k]});
        for (const auto& entry : combinations)
            if ((int)entry.second.size() > kMaxCombinations)
                problem("position " + std::to_string(entry.first) + " has over 16 combinations", 0);
    }
    return file;
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

fs::path freshDirectory(const char* tag) {
    std::string pattern =
        (fs::temp_directory_path() / (std::string("halcyon-models-") + tag + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return {};
    return fs::path(buffer.data());
}

bool generate(const fs::path& directory) {
    std::string command = std::string("'") + HALCYON_MODELS_TOOL + "' '" + directory.string() + "'";
    return std::system(command.c_str()) == 0;
}

bool usesNormals(const Group& g) {
    return !g.normals.empty();
}
bool usesTexcoords(const Group& g) {
    return g.texcoordCount > 0;
}
int triangleCount(const ObjFile& f) {
    int count = 0;
    for (const Group& g : f.groups)
        count += (int)g.faces.size();
    return count;
}

class SymbolModels : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        directory = new fs::path(freshDirectory("a"));
        generated = generate(*directory);
        files = new std::vector<ObjFile>;
        texts = new std::vector<std::string>;
        for (int n = 1; n <= kModelCount && generated; ++n) {
            const std::string name = "symbol" + std::to_string(n) + ".obj";
            texts->push_back(readBytes(*directory / name));
            files->push_back(readObj(name, texts->back()));
        }
    }
    static void TearDownTestSuite() {
        if (!directory->empty()) fs::remove_all(*directory);
        delete directory;
        delete files;
        delete texts;
    }
    void SetUp() override {
        ASSERT_TRUE(generated) << "the generator failed";
        ASSERT_EQ(files->size(), (size_t)kModelCount);
    }
    static fs::path* directory;
    static bool generated;
    static std::vector<ObjFile>* files;
    static std::vector<std::string>* texts;
};
fs::path* SymbolModels::directory = nullptr;
bool SymbolModels::generated = false;
std::vector<ObjFile>* SymbolModels::files = nullptr;
std::vector<std::string>* SymbolModels::texts = nullptr;

TEST(ObjReader, CatchesWhatTheLoaderRejects) {
    // A second block of positions starts a group; its faces index positions of the whole file.
    const std::string twoGroups = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                                  "v 0 0 1\nv 1 0 1\nv 0 1 1\nf 4 5 6\n";
    ObjFile f = readObj("t", "o a\ng b\n" + twoGroups);
    ASSERT_EQ(f.groups.size(), 2u);
    EXPECT_TRUE(f.problems.empty());
    EXPECT_EQ(f.groups[1].faces[0].v[2], 2);
    EXPECT_EQ(readObj("t", "o a\n" + twoGroups).problems.size(), 1u) << "one g/o line, two groups";
    EXPECT_EQ(readObj("t", "o a\ng b\n" + twoGroups + "f 1 5 6\n").problems.size(), 1u)
        << "a face reaching back into the first group";
    // A "vt" line between the blocks merges them into one group, so indices stay in range.
    ObjFile merged = readObj("t", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\nvt 1 1\n"
                                  "v 0 0 1\nf 1/1 2/1 4/2\n");
    EXPECT_EQ(merged.groups.size(), 1u);
    EXPECT_TRUE(merged.problems.empty());
    // The pattern is chosen by the group, not the line; a fourth corner is not a triangle; the
    // last line needs its line feed.
    EXPECT_FALSE(readObj("t", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1 2 3\n").problems.empty());
    EXPECT_FALSE(readObj("t", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3 4\n").problems.empty());
    EXPECT_FALSE(readObj("t", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3").problems.empty());
    EXPECT_FALSE(
        readObj("t", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n# " + std::string(997, 'x') + "\n")
            .problems.empty());
    // Seventeen texture coordinates on one position are one too many; sixteen are allowed.
    std::string fan = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 17; ++i)
        fan += "vt " + std::to_string(i) + " 0\n";
    std::string faces;
    for (int i = 1; i <= 17; ++i)
        faces += "f 1/" + std::to_string(i) + " 2/1 3/1\n";
    EXPECT_EQ(readObj("t", fan + faces).problems.size(), 1u);
    EXPECT_TRUE(readObj("t", fan + faces.substr(faces.find('\n') + 1)).problems.empty());
}

TEST_F(SymbolModels, FilesFollowTheLoaderSubset) {
    for (const ObjFile& f : *files) {
        for (const std::string& p : f.problems)
            ADD_FAILURE() << p;
        int count = triangleCount(f);
        EXPECT_GE(count, 500) << f.name;
        EXPECT_LE(count, 60000) << f.name;
        for (const Group& g : f.groups) {
            EXPECT_FALSE(g.faces.empty()) << f.name << ": a group without faces";
            EXPECT_EQ(g.patterns.size(), 1u) << f.name;
        }
    }
    size_t listed = 0;
    for (const auto& entry : fs::directory_iterator(*directory)) {
        (void)entry;
        ++listed;
    }
    EXPECT_EQ(listed, (size_t)kModelCount) << "the generator writes exactly the 35 models";
    std::set<std::string> distinct(texts->begin(), texts->end());
    EXPECT_EQ(distinct.size(), (size_t)kModelCount) << "no two models are the same file";
}

TEST_F(SymbolModels, TrianglesAreProperAndFaceOutwards) {
    for (const ObjFile& f : *files) {
        double volume = 0.0;
        std::map<std::pair<std::string, std::string>, int> edges;
        int flipped = 0, degenerate = 0, undefinedNormals = 0;
        for (const Group& g : f.groups) {
            std::vector<Vec3> smooth(g.positions.size(), Vec3{0, 0, 0});
            for (const Face& face : g.faces) {
                const Vec3 &a = g.positions[face.v[0]], &b = g.positions[face.v[1]],
                           &c = g.positions[face.v[2]];
                const Vec3 n = cross(sub(b, a), sub(c, a));
                volume += dot(a, cross(b, c)) / 6.0;
                if (length(n) < 1e-9) ++degenerate;
                for (int k = 0; k < 3; ++k) {
                    ++edges[{g.positionTexts[face.v[k]], g.positionTexts[face.v[(k + 1) % 3]]}];
                    for (int i = 0; i < 3 && length(n) > 0; ++i)
                        smooth[face.v[k]][i] += n[i] / length(n);
                }
                if (usesNormals(g)) {
                    Vec3 given{0, 0, 0};
                    for (int k = 0; k < 3; ++k)
                        for (int i = 0; i < 3; ++i)
                            given[i] += g.normals[face.n[k]][i];
                    if (dot(n, given) <= 0.0) ++flipped;
                }
            }
            // Without normals in the file the loader sums the unit face normals per position.
            if (!usesNormals(g))
                for (const Face& face : g.faces)
                    for (int k = 0; k < 3; ++k)
                        if (length(smooth[face.v[k]]) < 1e-3) ++undefinedNormals;
        }
        EXPECT_EQ(degenerate, 0) << f.name;
        EXPECT_EQ(flipped, 0) << f.name << ": faces winding against their normals";
        EXPECT_EQ(undefinedNormals, 0) << f.name << ": smooth normals would have no direction";
        EXPECT_GT(volume, 0.01) << f.name << ": not wound counter-clockwise from outside";
        int unmatched = 0;
        for (const auto& e : edges) {
            auto back = edges.find({e.first.second, e.first.first});
            if (back == edges.end() || back->second != e.second) ++unmatched;
        }
        EXPECT_EQ(unmatched, 0) << f.name << ": surface not closed or winding inconsistent";
    }
}

TEST_F(SymbolModels, CentredAndScaledToTheUnitSphere) {
    for (const ObjFile& f : *files) {
        Vec3 low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
        double radius = 0.0;
        for (const Group& g : f.groups)
            for (const Vec3& p : g.positions) {
                for (int i = 0; i < 3; ++i) {
                    low[i] = std::min(low[i], p[i]);
                    high[i] = std::max(high[i], p[i]);
                }
                radius = std::max(radius, length(p));
            }
        Vec3 centre{0.5 * (low[0] + high[0]), 0.5 * (low[1] + high[1]), 0.5 * (low[2] + high[2])};
        EXPECT_LT(length(centre), 1e-5) << f.name;
        EXPECT_LE(radius, 1.0 + 2e-6) << f.name;
        EXPECT_GE(radius, 1.0 - 2e-6) << f.name;
    }
}

TEST_F(SymbolModels, TogetherTheyExerciseTheWholeSubset) {
    std::set<Pattern> patterns;
    int multiGroup = 0, mixedPatterns = 0, seamed = 0, withoutNormals = 0, noStatements = 0,
        spareStatements = 0;
    for (const ObjFile& f : *files) {
        std::set<Pattern> own;
        bool seam = false, normalLess = false;
        for (const Group& g : f.groups) {
            own.insert(g.patterns.begin(), g.patterns.end());
            normalLess = normalLess || !usesNormals(g);
            std::map<int, std::set<int>> texcoordsOf;
            for (const Face& face : g.faces)
                for (int k = 0; k < 3 && usesTexcoords(g); ++k)
                    texcoordsOf[face.v[k]].insert(face.t[k]);
            for (const auto& entry : texcoordsOf)
                seam = seam || entry.second.size() > 1;
        }
        patterns.insert(own.begin(), own.end());
        multiGroup += f.groups.size() > 1;
        mixedPatterns += own.size() > 1;
        seamed += seam;
        withoutNormals += normalLess;
        noStatements += f.statements == 0;
        spareStatements += f.statements > (int)f.groups.size();
    }
    EXPECT_EQ(patterns.size(), 4u) << "all four face patterns";
    EXPECT_GE(multiGroup, 3);
    EXPECT_GE(mixedPatterns, 2) << "groups of one file with different patterns";
    EXPECT_GE(seamed, 5) << "positions with several texture coordinates";
    EXPECT_GE(withoutNormals, 5) << "files whose normals the loader computes";
    EXPECT_GE(noStatements, 1);
    EXPECT_GE(spareStatements, 1) << "more g/o lines than groups";
}

TEST_F(SymbolModels, OutputIsTheSameEveryRun) {
    fs::path again = freshDirectory("b");
    ASSERT_TRUE(generate(again));
    for (int n = 1; n <= kModelCount; ++n) {
        const std::string name = "symbol" + std::to_string(n) + ".obj";
        EXPECT_TRUE(readBytes(again / name) == (*texts)[n - 1]) << name;
    }
    fs::remove_all(again);
}

} // namespace
