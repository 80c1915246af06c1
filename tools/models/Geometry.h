// Geometry: the shape builders behind the symbol models.
//
// Everything is built in double precision as loose triangles whose corners carry their own
// position, outward unit normal and texture coordinate; the OBJ writer later merges equal
// corners into indexed vertices. Builders never share vertices by index, so two corners are
// "the same point" only when they were computed by the same arithmetic. Every builder therefore
// derives shared points (grid seams, cap rims, polyhedron edges) from one canonical formula.
//
// Winding is derived from the corner normals: addTriangle orders the corners so that the
// triangle is counter-clockwise seen from the side its normals point to. Builders only have to
// give outward normals. Units are arbitrary; the writer centres and scales each model.
#pragma once

#include <glm/glm.hpp>

#include <functional>
#include <string>
#include <vector>

namespace models {

using glm::dvec2;
using glm::dvec3;

struct Corner {
    dvec3 position;
    dvec3 normal;
    dvec2 uv;
};

struct Triangle {
    Corner c[3];
};

struct Surface {
    std::vector<Triangle> triangles;
};

// A closed 2D loop; the first loop of a shape is its outline, the others are holes. Orientation
// is fixed up by the extruder (outline counter-clockwise, holes clockwise).
using Loop = std::vector<dvec2>;
using Shape = std::vector<Loop>;

// A point of a lathe profile in (radius, height) with its outward 2D normal. A sharp corner is
// two points at the same place with different normals.
struct ProfilePoint {
    dvec2 rz;
    dvec2 normal;
};
using Profile = std::vector<ProfilePoint>;

// Aborts the generator with a message: a model that breaks a rule must never be written.
[[noreturn]] void fatal(const std::string& what);

// Adds one triangle, dropping it when two corners share a position (pole rows of grids).
void addTriangle(Surface& s, Corner a, Corner b, Corner c);
void addQuad(Surface& s, const Corner& a, const Corner& b, const Corner& c, const Corner& d);

// A (nu x nv) quad grid over corner(i, j), i in [0, nu], j in [0, nv]. The callback wraps
// indices itself where the surface is periodic.
void addGrid(Surface& s, int nu, int nv, const std::function<Corner(int, int)>& corner);

void append(Surface& to, const Surface& from);
void transform(Surface& s, const glm::dmat3& rotation, const dvec3& offset);
glm::dmat3 rotationTo(const dvec3& direction); // maps +z onto direction
glm::dmat3 rotationAbout(const dvec3& axis, double radians);

// --- 2D outlines ---------------------------------------------------------------------------
Loop circle(dvec2 centre, double radius, int segments, double startRadians = 0.0);
// Points of an arc from a0 to a1 (radians, either direction), both ends included.
Loop arc(dvec2 centre, double radius, double a0, double a1, int segments);
void appendPoints(Loop& to, const Loop& from, bool skipFirst = false);
Loop mirrorX(const Loop& loop);
// Replaces convex corners turning more than minTurnDegrees by arcs of the given radius (shorter
// where the neighbouring edges are short), so rims can be bevelled without folding at tips.
Loop roundCorners(const Loop& loop, double radius, int segments, double minTurnDegrees = 30.0);
// Points from a to b, both included, at most maxLength apart.
Loop segment(dvec2 a, dvec2 b, double maxLength);
// Splits edges longer than maxLength into equal pieces.
Loop resample(const Loop& loop, double maxLength);

// Ear-clipping triangulation of an outline with holes; triangles index the returned points
// (holes are bridged into the outline, so some points appear twice).
struct Triangulation {
    std::vector<dvec2> points;
    std::vector<int> indices;
};
Triangulation triangulate(const Shape& shape);

// --- builders ------------------------------------------------------------------------------
struct Extrusion {
    double halfDepth = 0.12;
    double bevel = 0.04;       // radius of the rounded rim
    int bevelSteps = 4;        // segments of the quarter circle
    double sharpDegrees = 35.; // outline corners turning more than this keep split normals
};
// A slab in z with rounded rims: front cap at +halfDepth, back cap at -halfDepth.
void addExtrusion(Surface& s, const Shape& shape, const Extrusion& e);

// Revolves a profile about the z axis. Open profiles must start and end on the axis.
void addLathe(Surface& s, const Profile& profile, int segments, bool closedProfile);
// Profile helpers: segments join to the profile; where normals differ the corner stays sharp.
void profileLine(Profile& p, dvec2 from, dvec2 to, int steps);
void profileArc(Profile& p, dvec2 centre, double radius, double a0, double a1, int steps);

// A tube of circular section along curve(t), t in [0, 1]. Closed curves wrap (curve(1) ==
// curve(0)); open ones get flat end caps.
void addTube(Surface& s, const std::function<dvec3(double)>& curve, int samples, double radius,
             int sides, bool closed);

// Flat polyhedron face (convex polygon) split into a fan around its centre, each fan
// triangle subdivided n x n. Vertex ids make the points on shared edges bit-identical.
void addSubdividedFace(Surface& s, const std::vector<dvec3>& vertices, const std::vector<int>& face,
                       int n);

} // namespace models
