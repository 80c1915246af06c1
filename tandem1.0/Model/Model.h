// Model: an OBJ file of the data directory loaded as a list of Meshes.
//
// The loader takes a strict subset of OBJ: "v", "vt", "vn" and "f" lines,
// matched by their first two bytes; only a face's first three corners count.
// A group is a block of positions followed by its faces: a "v" line right
// after an "f" line starts the next group ("g"/"o" lines only bound how many
// groups there may be, `numgroups`). Face indices are whole-file, 1-based and
// become 0-based within their group; each group chooses its face pattern from
// the attribute kinds it has read so far. Every limit or index violation ends
// the process with an assertion-style report (Check.h); a missing file ends it
// through App::fail.
//
// Capacities are fixed (MAX_VERTS positions, texture coordinates, normals and
// welded vertices per group; MAX_FACES faces per group). The working arrays
// are reserved at full capacity per load but only the part a file uses is
// ever backed by memory. One load at a time, main thread only.
#pragma once

#include "tandem1.0/DataFile.h"
#include "tandem1.0/Model/Mesh.h"
#include "tandem1.0/Model/ObjScan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace TandemSpace {

// Capacity of the line buffer: a line holds at most 998 bytes besides its
// line feed, so the buffer always ends in zeros.
constexpr int kLineCapacity = 1000;

// Copies the next line from data[*datapos] on into the zeroed buffer `line`
// (kLineCapacity bytes) and moves *datapos past its line feed. Returns 1 for a
// line read, 0 when the data ends first (bytes after the last line feed are
// dropped). A 999th byte in one line fails the check.
int getline(unsigned char* data, char* line, int* datapos, int size);

// The loader's own reader: the same lines and the same length check as
// getline, without copying. `line` points into data.
int nextLine(const unsigned char* data, int* datapos, int size, ObjLine& line);

enum class MeshUpload {
    Buffers, // create the GL buffers of every mesh (needs a current context)
    None,    // CPU side only: copies and normals; the buffer names stay 0
};

struct Model {
    int32_t numgroups;
    std::vector<Mesh*> groups; // owned, never freed
    DataFile* file;            // owned, never freed

    // Loads fileName (relative to the data directory) into this model.
    // Returns only on success.
    void loadModel(std::string fileName, MeshUpload upload = MeshUpload::Buffers);
};

} // namespace TandemSpace
