// Welding: merges equal (position, texture coordinate, normal) index triples of
// one group into single vertices, numbered densely from 0 in order of first
// appearance.
//
// The table has one bucket of 16 slots per position index, probed in order;
// slot 0 holds the position's first welded copy. Later copies of a position
// are recorded in the split-vertex list as pairs (new copy, first copy) so
// that smooth normals summed on first copies can be shared by every copy.
// A position may carry at most 16 different triples per group.
//
// The table is program-wide (one load at a time, main thread only): a static
// array of 256,000,000 bytes of which only the buckets a load reaches are ever
// written, so untouched capacity costs no memory, and a reset empties only the
// buckets filled since the last one. Indices are group-relative and 0-based;
// inputs are indexed by the triple, outputs by the welded index, both with
// room for MAX_VERTS.
#pragma once

#include <glm/glm.hpp>

#include <cstdint>

namespace TandemSpace {

constexpr int MAX_VERTS = 1000000;
constexpr int MAX_FACES = 2000000;
constexpr int kWeldSlots = 16;

// Mark of a slot that holds no triple (also returned when none was found).
constexpr int kFreeSlot = -1;

struct WeldSlot {
    int32_t vi, ti, ni, newind;
};

// Welds one corner and copies its three attributes to the welded vertex.
// Returns the welded index. Requires vi < MAX_VERTS.
int new_vertex(int vi, int ti, int ni, glm::vec3* weldedPositions, glm::vec2* weldedTexcoords,
               glm::vec3* weldedNormals, const glm::vec3* positions, const glm::vec2* texcoords,
               const glm::vec3* normals, int* vertexpos, int* splits, int* muthapos);

// The lookup-or-insert step of new_vertex.
int hashcheck(int vi, int ti, int ni, int* vertexpos, int* splits, int* muthapos);

// The welded index of the first copy of position vi in this group; valid
// once a corner with that position has been welded.
int firstCopy(int vi);

// Empties every slot filled since the last reset: before each model and
// between groups.
void resetWelding();

} // namespace TandemSpace
