// ObjWriter: turns built surfaces into the OBJ text the program's model loader accepts.
//
// The loader reads a strict subset: triangles only, one face pattern per group chosen by which
// attribute kinds the group lists, absolute 1-based indices, groups split where a "v" line
// follows an "f" line, at most as many groups as "g"/"o" lines, at most 16 (texture, normal)
// combinations per position in a group, lines of at most 998 bytes ending in a line feed.
// writeObj emits exactly that and aborts the generator on anything the loader would reject.
//
// Corners are merged by their printed text, so equal printed values share one index. A group
// without normals gets its normals computed by the loader from the faces around each position;
// corners meant to shade differently (a sharp edge) are therefore written as separate positions.
// Numbers are printed with a fixed six decimals, so the output depends on nothing but the input.
#pragma once

#include "tools/models/Geometry.h"

#include <string>
#include <vector>

namespace models {

enum class Attributes {
    Positions,
    PositionsTexcoords,
    PositionsNormals,
    PositionsTexcoordsNormals
};

// Which statement lines name the groups; None allows a single group only.
enum class Statements { None, Object, Group, ObjectAndGroup };

struct Group {
    std::string name;
    Attributes attributes;
    Surface surface;
};

struct Model {
    std::string title;
    Statements statements;
    std::vector<Group> groups;
};

// Moves the model's bounding-box centre to the origin and scales its farthest point to 1.
void normalise(Model& model);

// The OBJ text of a normalised model.
std::string writeObj(const Model& model);

} // namespace models
