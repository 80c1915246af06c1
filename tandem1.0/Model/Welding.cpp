#include "tandem1.0/Model/Welding.h"

#include "tandem1.0/Model/Check.h"

namespace TandemSpace {
namespace {

const char kCheckSource[] = "tandem1.0/Model/Welding.cpp";
const char kNewVertexText[] = "int new_vertex(int, int, int, glm::vec3*, glm::vec2*, glm::vec3*, "
                              "glm::vec3*, glm::vec2*, glm::vec3*, int*, int*, int*)";
const char kHashcheckText[] = "int hashcheck(int, int, int, int*, int*, int*)";

constexpr int kBitsPerWord = 64;

// Zero-initialised static storage stays unbacked until written, so only the
// buckets a load reaches ever become resident. A bucket is "prepared" (keys
// marked free) the first time it is probed; fresh zero pages are not free
// slots, so an unprepared bucket must never be read.
WeldSlot table[size_t(kWeldSlots) * MAX_VERTS];
uint64_t prepared[(MAX_VERTS + kBitsPerWord - 1) / kBitsPerWord];

// Buckets whose first slot was filled in the current group: the only ones a
// reset has to empty.
int32_t touched[MAX_VERTS];
int touchedCount = 0;

void freeKeys(WeldSlot* bucket) {
    for (int s = 0; s < kWeldSlots; s++) {
        bucket[s].vi = kFreeSlot;
        bucket[s].ti = kFreeSlot;
        bucket[s].ni = kFreeSlot;
    }
}

WeldSlot* bucketOf(int vi) {
    WeldSlot* bucket = table + size_t(vi) * kWeldSlots;
    uint64_t& word = prepared[vi / kBitsPerWord];
    const uint64_t bit = uint64_t(1) << (vi % kBitsPerWord);
    if (!(word & bit)) {
        freeKeys(bucket);
        word |= bit;
    }
    return bucket;
}

} // namespace

int hashcheck(int vi, int ti, int ni, int* vertexpos, int* splits, int* muthapos) {
    // -666 is the "not found" mark the reports name.
    int newind = -666;
    WeldSlot* bucket = bucketOf(vi);
    for (int s = 0; s < kWeldSlots; s++) {
        WeldSlot& slot = bucket[s];
        if (slot.vi == vi) {
            if (slot.ti == ti && slot.ni == ni) {
                newind = slot.newind;
                break;
            }
        } else if (slot.vi == kFreeSlot) {
            slot.vi = vi;
            slot.ti = ti;
            slot.ni = ni;
            slot.newind = *vertexpos;
            newind = *vertexpos;
            if (s == 0) {
                touched[touchedCount++] = vi;
            } else {
                // Raised before writing so a full list is reported, not overrun.
                *muthapos += 2;
                MODEL_CHECK((*muthapos) <= MAX_FACES * 2, kHashcheckText);
                splits[*muthapos - 2] = newind;
                splits[*muthapos - 1] = bucket[0].newind;
            }
            (*vertexpos)++;
            MODEL_CHECK((*vertexpos) <= MAX_VERTS, kHashcheckText);
            break;
        }
    }
    MODEL_CHECK(newind != -666, kHashcheckText);
    return newind;
}

int new_vertex(int vi, int ti, int ni, glm::vec3* weldedPositions, glm::vec2* weldedTexcoords,
               glm::vec3* weldedNormals, const glm::vec3* positions, const glm::vec2* texcoords,
               const glm::vec3* normals, int* vertexpos, int* splits, int* muthapos) {
    // The condition's spelling is the report's text.
    // clang-format off
    MODEL_CHECK(vi>=0 && ti>=0 && ni>=0, kNewVertexText);
    // clang-format on
    // Each index reads an input array of MAX_VERTS entries (and vi a bucket of
    // the table), so MAX_VERTS itself is already outside.
    MODEL_CHECK(vi < MAX_VERTS && ti < MAX_VERTS && ni < MAX_VERTS, kNewVertexText);
    const int newind = hashcheck(vi, ti, ni, vertexpos, splits, muthapos);
    MODEL_CHECK(newind != -666, kNewVertexText);
    MODEL_CHECK(newind >= 0 && newind <= MAX_VERTS, kNewVertexText);
    MODEL_CHECK(*vertexpos < MAX_VERTS, kNewVertexText);
    weldedPositions[newind] = positions[vi];
    weldedTexcoords[newind] = texcoords[ti];
    weldedNormals[newind] = normals[ni];
    return newind;
}

int firstCopy(int vi) {
    return table[size_t(vi) * kWeldSlots].newind;
}

void resetWelding() {
    for (int i = 0; i < touchedCount; i++)
        freeKeys(table + size_t(touched[i]) * kWeldSlots);
    touchedCount = 0;
}

} // namespace TandemSpace
