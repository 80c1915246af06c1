#include "tandem1.0/Model/Model.h"

#include "tandem1.0/App.h"
#include "tandem1.0/Model/Check.h"
#include "tandem1.0/Model/ObjScan.h"
#include "tandem1.0/Model/Welding.h"

#include <glm/gtc/type_ptr.hpp>

#include <sys/mman.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace TandemSpace {
namespace {

const char kCheckSource[] = "tandem1.0/Model/Model.cpp";
const char kLoadModelText[] = "void TandemSpace::Model::loadModel(std::string)";
const char kGetlineText[] = "int getline(unsigned char*, char*, int*, int)";

constexpr unsigned char kLineFeed = 10;
constexpr int kCorners = 3;

enum class LineKind { None, Position, Texcoord, Normal, Face };

// The working arrays of one load at full capacity, carved in order from one
// anonymous mapping: pages the file never reaches are never backed, and
// fresh pages supply the zeroed initial content.
struct WorkingArrays {
    void* memory;
    size_t bytes;
    glm::vec3* weldedPositions;
    glm::vec3* positions;
    glm::vec2* weldedTexcoords;
    glm::vec2* texcoords;
    glm::vec3* weldedNormals;
    glm::vec3* normals;
    int32_t* faces;         // 3 welded indices per face
    int32_t* positionFaces; // 3 first copies per face
    int32_t* splits;        // 2 * MAX_FACES entries
};

// The arrays of the load in progress. A check handler that leaves the loader
// (the fuzz targets do) skips the release at the end of the load; the next load
// releases them instead, so abandoned mappings never pile up.
WorkingArrays inProgress{};

void releaseWorkingArrays() {
    if (inProgress.memory) munmap(inProgress.memory, inProgress.bytes);
    inProgress = WorkingArrays{};
}

WorkingArrays allocateWorkingArrays(const std::string& path) {
    releaseWorkingArrays();
    const size_t vec3s = sizeof(glm::vec3) * MAX_VERTS;
    const size_t vec2s = sizeof(glm::vec2) * MAX_VERTS;
    const size_t triangles = sizeof(int32_t) * kCorners * size_t(MAX_FACES);
    const size_t splitEntries = sizeof(int32_t) * 2 * size_t(MAX_FACES);
    WorkingArrays w{};
    w.bytes = 4 * vec3s + 2 * vec2s + 2 * triangles + splitEntries;
    w.memory = mmap(nullptr, w.bytes, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (w.memory == MAP_FAILED) App::fail("Out of memory loading %s\n", path.c_str());
    char* next = static_cast<char*>(w.memory);
    auto carve = [&next](size_t bytes) {
        char* start = next;
        next += bytes;
        return start;
    };
    w.weldedPositions = reinterpret_cast<glm::vec3*>(carve(vec3s));
    w.positions = reinterpret_cast<glm::vec3*>(carve(vec3s));
    w.weldedTexcoords = reinterpret_cast<glm::vec2*>(carve(vec2s));
    w.texcoords = reinterpret_cast<glm::vec2*>(carve(vec2s));
    w.weldedNormals = reinterpret_cast<glm::vec3*>(carve(vec3s));
    w.normals = reinterpret_cast<glm::vec3*>(carve(vec3s));
    w.faces = reinterpret_cast<int32_t*>(carve(triangles));
    w.positionFaces = reinterpret_cast<int32_t*>(carve(triangles));
    w.splits = reinterpret_cast<int32_t*>(carve(splitEntries));
    inProgress = w;
    return w;
}

// Whole-file 1-based index to group-relative 0-based. Any negative result
// fails the index checks; saturating keeps an extreme input from wrapping
// into a valid-looking index.
int groupIndex(int index, int base) {
    const long long relative = (long long)index - base;
    return relative < INT_MIN ? INT_MIN : int(relative);
}

} // namespace

int getline(unsigned char* data, char* line, int* datapos, int size) {
    memset(line, 0, kLineCapacity);
    const int x = *datapos;
    while (*datapos < size) {
        const unsigned char byte = data[*datapos];
        (*datapos)++;
        if (byte == kLineFeed) return 1;
        // The condition's spelling is the report's text.
        // clang-format off
        MODEL_CHECK((*datapos)-x < 999, kGetlineText);
        // clang-format on
        line[(*datapos) - x - 1] = char(byte);
    }
    return 0;
}

int nextLine(const unsigned char* data, int* datapos, int size, ObjLine& line) {
    const int x = *datapos;
    if (x >= size) return 0;
    const int searched = size - x < kLongestLine + 1 ? size - x : kLongestLine + 1;
    const void* feed = memchr(data + x, kLineFeed, size_t(searched));
    if (!feed) {
        if (searched <= kLongestLine) { // the data ends inside a line that fits
            *datapos = size;
            return 0;
        }
        *datapos = x + kLongestLine + 1; // where the byte-wise reader stopped
    }
    // The condition's spelling is the report's text.
    // clang-format off
    MODEL_CHECK((*datapos)-x < 999, kGetlineText);
    // clang-format on
    line.begin = reinterpret_cast<const char*>(data + x);
    line.end = static_cast<const char*>(feed);
    *datapos = int(static_cast<const unsigned char*>(feed) - data) + 1;
    return 1;
}

void Model::loadModel(std::string fileName, MeshUpload upload) {
    file = new DataFile(fileName);

    int datapos = 0;
    int statements = 0;
    ObjLine line;
    while (nextLine(file->data, &datapos, file->size, line)) {
        const char first = lineByte(line, 0);
        if ((first == 'g' || first == 'o') && lineByte(line, 1) == ' ') statements++;
    }
    numgroups = statements == 0 ? 1 : statements;

    WorkingArrays w = allocateWorkingArrays(file->path);
    resetWelding();

    int vertexpos_x = 0, texturepos_x = 0, normalpos_x = 0, facepos = 0;
    int vertexpos = 0, muthapos = 0;
    int positionBase = 1, texcoordBase = 1, normalBase = 1;
    int current_group = 0;
    LineKind last = LineKind::None;

    auto buildGroup = [&]() {
        Mesh* mesh = new Mesh();
        const bool hasSplits = muthapos != 0;
        (upload == MeshUpload::Buffers ? Mesh::build : Mesh::fill)(
            mesh, w.weldedPositions, texturepos_x ? w.weldedTexcoords : nullptr,
            normalpos_x ? w.weldedNormals : nullptr, w.faces, vertexpos, facepos,
            hasSplits ? w.positionFaces : nullptr, hasSplits ? w.splits : nullptr,
            hasSplits ? facepos : 0, muthapos);
        groups.push_back(mesh);
    };

    datapos = 0;
    while (nextLine(file->data, &datapos, file->size, line)) {
        const char first = lineByte(line, 0), second = lineByte(line, 1);
        if (first == 'v' && second == ' ') {
            glm::vec3 p(0.0f);
            scanFloats(line, "v %f %f %f", glm::value_ptr(p));
            if (last == LineKind::Face) {
                buildGroup();
                positionBase += vertexpos_x;
                texcoordBase += texturepos_x;
                normalBase += normalpos_x;
                resetWelding();
                current_group++;
                muthapos = 0;
                vertexpos = 0;
                MODEL_CHECK(current_group < numgroups, kLoadModelText);
                w.positions[0] = p;
                vertexpos_x = 1;
                texturepos_x = normalpos_x = facepos = 0;
            } else {
                w.positions[vertexpos_x] = p;
                vertexpos_x++;
                MODEL_CHECK(vertexpos_x < MAX_VERTS, kLoadModelText);
            }
            last = LineKind::Position;
        } else if (first == 'v' && second == 't') {
            glm::vec2 t(0.0f);
            scanFloats(line, "vt %f %f", glm::value_ptr(t));
            w.texcoords[texturepos_x] = t;
            texturepos_x++;
            MODEL_CHECK(texturepos_x < MAX_VERTS, kLoadModelText);
            last = LineKind::Texcoord;
        } else if (first == 'v' && second == 'n') {
            glm::vec3 n(0.0f);
            scanFloats(line, "vn %f %f %f", glm::value_ptr(n));
            w.normals[normalpos_x] = n;
            normalpos_x++;
            MODEL_CHECK(normalpos_x < MAX_VERTS, kLoadModelText);
            last = LineKind::Normal;
        } else if (first == 'f' && second == ' ') {
            // Indices the line does not supply stay 0, which no base maps to
            // a valid index: a line that does not match its group's pattern
            // fails the checks below instead of reusing earlier values.
            int v[kCorners] = {0, 0, 0}, t[kCorners] = {0, 0, 0}, n[kCorners] = {0, 0, 0};
            const bool hasTexcoords = texturepos_x > 0, hasNormals = normalpos_x > 0;
            // The conversions land in corner order, each corner's kinds together.
            int read[kCorners * 3] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
            const int perCorner = 1 + hasTexcoords + hasNormals;
            if (hasTexcoords && hasNormals)
                scanInts(line, "f %i/%i/%i %i/%i/%i %i/%i/%i", read);
            else if (hasTexcoords)
                scanInts(line, "f %i/%i %i/%i %i/%i", read);
            else if (hasNormals)
                scanInts(line, "f %i//%i %i//%i %i//%i", read);
            else
                scanInts(line, "f %i %i %i", read);
            for (int k = 0; k < kCorners; k++) {
                const int* corner = read + k * perCorner;
                v[k] = corner[0];
                if (hasTexcoords) t[k] = corner[1];
                if (hasNormals) n[k] = corner[perCorner - 1];
            }

            const int v1 = groupIndex(v[0], positionBase), v2 = groupIndex(v[1], positionBase),
                      v3 = groupIndex(v[2], positionBase);
            const int t1 = hasTexcoords ? groupIndex(t[0], texcoordBase) : 0,
                      t2 = hasTexcoords ? groupIndex(t[1], texcoordBase) : 0,
                      t3 = hasTexcoords ? groupIndex(t[2], texcoordBase) : 0;
            const int n1 = hasNormals ? groupIndex(n[0], normalBase) : 0,
                      n2 = hasNormals ? groupIndex(n[1], normalBase) : 0,
                      n3 = hasNormals ? groupIndex(n[2], normalBase) : 0;

            MODEL_CHECK(v1 >= 0 && v2 >= 0 && v3 >= 0, kLoadModelText);
            MODEL_CHECK(v1 < vertexpos_x && v2 < vertexpos_x && v3 < vertexpos_x, kLoadModelText);
            if (hasTexcoords) {
                MODEL_CHECK(t1 >= 0 && t2 >= 0 && t3 >= 0, kLoadModelText);
                MODEL_CHECK(t1 < texturepos_x && t2 < texturepos_x && t3 < texturepos_x,
                            kLoadModelText);
            }
            if (hasNormals) {
                MODEL_CHECK(n1 >= 0 && n2 >= 0 && n3 >= 0, kLoadModelText);
                MODEL_CHECK(n1 < normalpos_x && n2 < normalpos_x && n3 < normalpos_x,
                            kLoadModelText);
            }

            const int vv1 =
                new_vertex(v1, t1, n1, w.weldedPositions, w.weldedTexcoords, w.weldedNormals,
                           w.positions, w.texcoords, w.normals, &vertexpos, w.splits, &muthapos);
            const int vv2 =
                new_vertex(v2, t2, n2, w.weldedPositions, w.weldedTexcoords, w.weldedNormals,
                           w.positions, w.texcoords, w.normals, &vertexpos, w.splits, &muthapos);
            const int vv3 =
                new_vertex(v3, t3, n3, w.weldedPositions, w.weldedTexcoords, w.weldedNormals,
                           w.positions, w.texcoords, w.normals, &vertexpos, w.splits, &muthapos);
            MODEL_CHECK(vv1 >= 0 && vv2 >= 0 && vv3 >= 0, kLoadModelText);
            MODEL_CHECK(vv1 < MAX_VERTS && vv2 < MAX_VERTS && vv3 < MAX_VERTS, kLoadModelText);

            const int orig_fpos = facepos;
            MODEL_CHECK(orig_fpos >= 0 && orig_fpos < MAX_FACES, kLoadModelText);

            const int i1 = firstCopy(v1), i2 = firstCopy(v2), i3 = firstCopy(v3);
            MODEL_CHECK(i1 >= 0 && i2 >= 0 && i3 >= 0, kLoadModelText);
            MODEL_CHECK(i1 < MAX_FACES && i2 < MAX_FACES && i3 < MAX_FACES, kLoadModelText);

            int32_t* positionFace = w.positionFaces + size_t(orig_fpos) * kCorners;
            int32_t* face = w.faces + size_t(orig_fpos) * kCorners;
            positionFace[0] = i1, positionFace[1] = i2, positionFace[2] = i3;
            face[0] = vv1, face[1] = vv2, face[2] = vv3;
            facepos++;
            MODEL_CHECK(facepos < MAX_FACES, kLoadModelText);
            last = LineKind::Face;
        }
    }
    buildGroup();
    releaseWorkingArrays();
}

} // namespace TandemSpace
