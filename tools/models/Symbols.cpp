// The symbol models. Each reads as a chrome object: emblems are slabs with rounded rims,
// solids are closed surfaces. Together they use every face pattern the loader accepts, groups
// named by "o", "g" or both, files without any statement, texture seams (one position with
// several texture coordinates) and files without normals.
//
//  #  model                pattern(s)            statements  groups
//  1  five-pointed star    v//vn                 none        1
//  2  heart                v/vt/vn               none        1
//  3  lightning bolt       v                     none        1
//  4  smiley (cut out)     v//vn                 o           1
//  5  arrow                v/vt                  none        1
//  6  peace sign           v/vt/vn               none        1
//  7  yin-yang             v//vn, v//vn          o           2
//  8  hexagram             v                     g           1
//  9  infinity loop        v/vt                  none        1
// 10  crescent             v/vt/vn               none        1
// 11  Latin cross          v//vn                 none        1
// 12  beamed music notes   v/vt/vn, v, v/vt      g           3
// 13  finger ring          v/vt/vn               none        1
// 14  spiral               v/vt                  none        1
// 15  spade                v                     none        1
// 16  flower               v//vn                 o and g     1
// 17  circular arrow       v/vt/vn               none        1
// 18  tetrahedron          v                     none        1
// 19  cube                 v//vn (one per face)  g           6
// 20  octahedron           v/vt                  none        1
// 21  dodecahedron         v/vt/vn               none        1
// 22  icosahedron          v//vn                 o           1
// 23  torus                v/vt                  none        1
// 24  trefoil knot         v/vt/vn               none        1
// 25  gear                 v//vn                 none        1
// 26  spiked ball          v/vt, v               o           2
// 27  sphere               v/vt                  none        1
// 28  capsule              v/vt/vn               none        1
// 29  twisted prism        v//vn                 none        1
// 30  linked rings         v/vt/vn, v//vn        o           2
// 31  star octahedron      v, v//vn              o and g     2
// 32  rounded cube         v/vt/vn               none        1
// 33  dumbbell             v                     none        1
// 34  coil spring          v//vn                 none        1
// 35  spinning top         v/vt                  g           1
#include "tools/models/Symbols.h"
#include "tandem1.0/Pi.h"

#include <algorithm>
#include <cmath>

namespace models {

namespace {

const double kGolden = 1.61803398874989484820;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}

const Attributes P = Attributes::Positions;
const Attributes PT = Attributes::PositionsTexcoords;
const Attributes PN = Attributes::PositionsNormals;
const Attributes PTN = Attributes::PositionsTexcoordsNormals;

Model single(const char* title, Statements statements, Attributes attributes, Surface surface,
             const char* name = "symbol") {
    return Model{title, statements, {Group{name, attributes, std::move(surface)}}};
}

Surface extruded(const Shape& shape, double halfDepth, double bevel) {
    Surface s;
    Extrusion e;
    e.halfDepth = halfDepth;
    e.bevel = bevel;
    addExtrusion(s, shape, e);
    return s;
}

Loop polygon(std::initializer_list<dvec2> points) {
    return Loop(points);
}

Loop starLoop(int points, double outer, double inner) {
    Loop loop;
    for (int i = 0; i < 2 * points; ++i) {
        double a = radians(90.0) + kPi * i / points;
        double r = i % 2 == 0 ? outer : inner;
        loop.push_back(r * dvec2(std::cos(a), std::sin(a)));
    }
    return loop;
}

// Two circles meeting on the y axis and the lines from the tip below touching them.
Loop heartLoop() {
    const double c = 0.45, radius = 0.55, tip = 1.0;
    const dvec2 centre(c, 0.0), bottom(0.0, -tip);
    dvec2 toTip = bottom - centre;
    double base = std::atan2(toTip.y, toTip.x), spread = std::acos(radius / glm::length(toTip));
    double touch = base + spread; // the outer of the two tangent points (larger x)
    if (std::cos(base - spread) > std::cos(touch)) touch = base - spread;
    double top = std::atan2(std::sqrt(radius * radius - c * c), -c);
    while (top < touch)
        top += 2.0 * kPi;
    Loop right{bottom};
    appendPoints(right, arc(centre, radius, touch, top, 40));
    Loop heart = right;
    Loop left = mirrorX(right);
    heart.insert(heart.end(), left.begin() + 1, left.end() - 1);
    return heart;
}

// A sector of the peace sign's inner disc between two spokes, kept half a spoke width away.
Loop peaceHole(double from, double to, double radius, double halfWidth) {
    dvec2 d1(std::cos(from), std::sin(from)), d2(std::cos(to), std::sin(to));
    dvec2 l1(-d1.y, d1.x), l2(-d2.y, d2.x);
    double along = std::sqrt(radius * radius - halfWidth * halfWidth);
    dvec2 p1 = halfWidth * l1 + along * d1, p2 = -halfWidth * l2 + along * d2;
    // corner: p.l1 = h, p.l2 = -h
    double det = l1.x * l2.y - l1.y * l2.x;
    dvec2 corner((halfWidth * l2.y + halfWidth * l1.y) / det,
                 (-halfWidth * l1.x - halfWidth * l2.x) / det);
    double a1 = std::atan2(p1.y, p1.x), a2 = std::atan2(p2.y, p2.x);
    while (a2 < a1)
        a2 += 2.0 * kPi;
    int segments = std::max(3, (int)((a2 - a1) / radians(10.0)));
    Loop hole{corner};
    appendPoints(hole, arc(dvec2(0.0), radius, a1, a2, segments));
    return hole;
}

// One half of the yin-yang: the left half disc with the lower small disc and without the upper
// one, its thin tail cut off bluntly where it becomes narrower than the rim can bevel.
Loop yinLoop() {
    const double tailStart = radians(120.0);
    Loop loop = arc(dvec2(0.0), 1.0, tailStart, radians(270.0), 48);
    appendPoints(loop, arc(dvec2(0.0, -0.5), 0.5, radians(-90.0), radians(90.0), 24), true);
    dvec2 tail(std::cos(tailStart), std::sin(tailStart) - 0.5);
    double tailEnd = std::atan2(tail.y, tail.x) - 2.0 * kPi;
    appendPoints(loop, arc(dvec2(0.0, 0.5), 0.5, radians(-90.0), tailEnd, 20), true);
    return loop;
}

Loop rotated(const Loop& loop, double angle) {
    Loop out;
    double c = std::cos(angle), s = std::sin(angle);
    for (dvec2 p : loop)
        out.push_back(dvec2(c * p.x - s * p.y, s * p.x + c * p.y));
    return out;
}

Loop translated(const Loop& loop, dvec2 by) {
    Loop out;
    for (dvec2 p : loop)
        out.push_back(p + by);
    return out;
}

Loop ellipse(dvec2 centre, double rx, double ry, double angle, int segments) {
    Loop unit = circle(dvec2(0.0), 1.0, segments);
    for (dvec2& p : unit)
        p = dvec2(p.x * rx, p.y * ry);
    return translated(rotated(unit, angle), centre);
}

// A crescent as a band along the left of the unit circle whose width falls towards round tips.
Loop crescentLoop() {
    const double reach = radians(140.0), width = 0.55, tipWidth = 0.14;
    const int steps = 60;
    auto radial = [](double phi) { return dvec2(-std::cos(phi), std::sin(phi)); };
    auto bandWidth = [&](double phi) {
        return tipWidth + (width - tipWidth) * std::cos(0.5 * kPi * phi / reach);
    };
    Loop loop;
    for (int i = 0; i <= steps; ++i)
        loop.push_back(radial(-reach + 2.0 * reach * i / steps));
    auto tipCap = [&](double phi, double side) {
        dvec2 out = radial(phi), onward = side * dvec2(std::sin(phi), std::cos(phi));
        dvec2 centre = out * (1.0 - 0.5 * tipWidth);
        for (int k = 1; k < 8; ++k) {
            double a = side > 0.0 ? kPi * k / 8 : kPi * (8 - k) / 8; // outer to inner, or back
            loop.push_back(centre + 0.5 * tipWidth * (std::cos(a) * out + std::sin(a) * onward));
        }
    };
    tipCap(reach, 1.0);
    for (int i = steps; i >= 0; --i) {
        double phi = -reach + 2.0 * reach * i / steps;
        loop.push_back(radial(phi) * (1.0 - bandWidth(phi)));
    }
    tipCap(-reach, -1.0);
    return loop;
}

Model star() {
    Loop loop = resample(roundCorners(starLoop(5, 1.0, 0.42), 0.07, 4), 0.1);
    return single("five-pointed star", Statements::None, PN, extruded({loop}, 0.15, 0.05));
}

Model heart() {
    Loop loop = resample(roundCorners(heartLoop(), 0.1, 6), 0.08);
    return single("heart", Statements::None, PTN, extruded({loop}, 0.2, 0.06));
}

Model lightning() {
    Loop bolt = polygon({{-0.1, 1.0},
                         {-0.45, -0.12},
                         {-0.05, -0.12},
                         {-0.35, -1.0},
                         {0.5, 0.25},
                         {0.12, 0.25},
                         {0.45, 1.0}});
    return single("lightning bolt", Statements::None, P,
                  extruded({resample(roundCorners(bolt, 0.045, 5), 0.1)}, 0.12, 0.03));
}

Model smiley() {
    Shape face{circle(dvec2(0.0), 1.0, 96)};
    face.push_back(ellipse(dvec2(-0.33, 0.3), 0.1, 0.17, 0.0, 24));
    face.push_back(ellipse(dvec2(0.33, 0.3), 0.1, 0.17, 0.0, 24));
    Loop mouth = arc(dvec2(0.0), 0.62, radians(205.0), radians(335.0), 12);
    appendPoints(mouth, arc(dvec2(0.0), 0.45, radians(335.0), radians(205.0), 9));
    face.push_back(resample(roundCorners(mouth, 0.045, 3), 0.06));
    return single("smiley", Statements::Object, PN, extruded(face, 0.12, 0.035), "smiley");
}

Model arrow() {
    Loop loop = polygon({{-1.0, -0.22},
                         {0.2, -0.22},
                         {0.2, -0.55},
                         {1.0, 0.0},
                         {0.2, 0.55},
                         {0.2, 0.22},
                         {-1.0, 0.22}});
    return single("arrow", Statements::None, PT,
                  extruded({resample(roundCorners(loop, 0.06, 4), 0.1)}, 0.13, 0.04));
}

Model peace() {
    const double inner = 0.78, half = 0.09;
    Shape sign{circle(dvec2(0.0), 1.0, 120)};
    double spokes[] = {radians(-45.0), radians(90.0), radians(225.0), radians(270.0),
                       radians(315.0)};
    for (int i = 0; i < 4; ++i)
        sign.push_back(resample(
            roundCorners(peaceHole(spokes[i], spokes[i + 1], inner, half), 0.045, 4), 0.1));
    return single("peace sign", Statements::None, PTN, extruded(sign, 0.12, 0.035));
}

Model yinYang() {
    const double dot = 0.15, fill = 0.11;
    Loop yin = yinLoop();
    Surface a = extruded({yin, circle(dvec2(0.0, -0.5), dot, 32)}, 0.15, 0.035);
    append(a, extruded({circle(dvec2(0.0, 0.5), fill, 32)}, 0.15, 0.035));
    Surface b = extruded({rotated(yin, kPi), circle(dvec2(0.0, 0.5), dot, 32)}, 0.1, 0.035);
    append(b, extruded({circle(dvec2(0.0, -0.5), fill, 32)}, 0.1, 0.035));
    return Model{"yin-yang", Statements::Object, {Group{"yin", PN, a}, Group{"yang", PN, b}}};
}

Model hexagram() {
    Loop loop = resample(roundCorners(starLoop(6, 1.0, 1.0 / std::sqrt(3.0)), 0.06, 4), 0.1);
    return single("hexagram", Statements::Group, P, extruded({loop}, 0.12, 0.04), "hexagram");
}

Model infinity() {
    Surface s;
    addTube(
        s,
        [](double t) {
            double a = 2.0 * kPi * t;
            return dvec3(std::cos(a), 1.2 * std::sin(a) * std::cos(a), 0.25 * std::sin(a));
        },
        160, 0.14, 16, true);
    return single("infinity loop", Statements::None, PT, s);
}

Model crescent() {
    return single("crescent", Statements::None, PTN, extruded({crescentLoop()}, 0.14, 0.035));
}

Model cross() {
    Loop loop = polygon({{-0.18, -1.0},
                         {0.18, -1.0},
                         {0.18, 0.25},
                         {0.6, 0.25},
                         {0.6, 0.6},
                         {0.18, 0.6},
                         {0.18, 1.0},
                         {-0.18, 1.0},
                         {-0.18, 0.6},
                         {-0.6, 0.6},
                         {-0.6, 0.25},
                         {-0.18, 0.25}});
    return single("Latin cross", Statements::None, PN,
                  extruded({resample(roundCorners(loop, 0.05, 3), 0.1)}, 0.14, 0.04));
}

Model musicNotes() {
    const double tilt = radians(25.0);
    Surface heads = extruded({ellipse(dvec2(-0.45, -0.65), 0.26, 0.18, tilt, 40)}, 0.12, 0.04);
    append(heads, extruded({ellipse(dvec2(0.55, -0.45), 0.26, 0.18, tilt, 40)}, 0.12, 0.04));
    Surface stems = extruded(
        {resample(polygon({{-0.27, -0.62}, {-0.19, -0.62}, {-0.19, 0.7}, {-0.27, 0.7}}), 0.1)},
        0.09, 0.025);
    append(
        stems,
        extruded({resample(polygon({{0.73, -0.42}, {0.81, -0.42}, {0.81, 0.9}, {0.73, 0.9}}), 0.1)},
                 0.09, 0.025));
    Surface beam =
        extruded({resample(polygon({{-0.3, 0.52}, {0.84, 0.74}, {0.84, 0.96}, {-0.3, 0.74}}), 0.1)},
                 0.1, 0.03);
    return Model{"beamed music notes",
                 Statements::Group,
                 {Group{"heads", PTN, heads}, Group{"stems", P, stems}, Group{"beam", PT, beam}}};
}

// Drops a closed profile's last point when it repeats the first.
Profile closedProfile(Profile p) {
    if (glm::length(p.back().rz - p.front().rz) < 1e-9 &&
        glm::length(p.back().normal - p.front().normal) < 1e-9)
        p.pop_back();
    return p;
}

Model fingerRing() {
    Profile p;
    const double r0 = 0.78, r1 = 1.0, h = 0.3, round = 0.08;
    profileLine(p, {r0 + round, -h}, {r1 - round, -h}, 3);
    profileArc(p, {r1 - round, -h + round}, round, radians(-90.0), 0.0, 6);
    profileLine(p, {r1, -h + round}, {r1, h - round}, 8);
    profileArc(p, {r1 - round, h - round}, round, 0.0, radians(90.0), 6);
    profileLine(p, {r1 - round, h}, {r0 + round, h}, 3);
    profileArc(p, {r0 + round, h - round}, round, radians(90.0), radians(180.0), 6);
    profileLine(p, {r0, h - round}, {r0, -h + round}, 8);
    profileArc(p, {r0 + round, -h + round}, round, radians(180.0), radians(270.0), 6);
    Surface s;
    addLathe(s, closedProfile(p), 96, true);
    return single("finger ring", Statements::None, PTN, s);
}

Model spiral() {
    Surface s;
    addTube(
        s,
        [](double t) {
            double a = 6.0 * kPi * t, r = 0.12 + 0.28 * a / (2.0 * kPi);
            return dvec3(r * std::cos(a), r * std::sin(a), 0.0);
        },
        240, 0.09, 12, false);
    return single("spiral", Statements::None, PT, s);
}

Model spade() {
    Loop body;
    for (dvec2 p : resample(roundCorners(heartLoop(), 0.1, 6), 0.08))
        body.push_back(dvec2(p.x, -p.y));
    Surface s = extruded({body}, 0.15, 0.05);
    Loop stem = polygon(
        {{-0.08, -0.2}, {0.08, -0.2}, {0.12, -0.85}, {0.3, -1.05}, {-0.3, -1.05}, {-0.12, -0.85}});
    append(s, extruded({resample(roundCorners(stem, 0.05, 3), 0.1)}, 0.11, 0.035));
    return single("spade", Statements::None, P, s);
}

Model flower() {
    Loop petals;
    for (int i = 0; i < 150; ++i) {
        double a = 2.0 * kPi * i / 150, r = 0.72 + 0.28 * std::cos(5.0 * a);
        petals.push_back(r * dvec2(std::cos(a), std::sin(a)));
    }
    Surface s = extruded({petals, circle(dvec2(0.0), 0.24, 40)}, 0.1, 0.04);
    append(s, extruded({circle(dvec2(0.0), 0.18, 40)}, 0.18, 0.06));
    return single("flower", Statements::ObjectAndGroup, PN, s, "flower");
}

Model circularArrow() {
    const double outer = 0.95, inner = 0.65, barb = 0.22, from = radians(60.0), to = radians(320.0);
    Loop loop = arc(dvec2(0.0), outer, from, to, 30);
    loop.push_back((outer + barb) * dvec2(std::cos(to), std::sin(to)));
    double tip = to + radians(28.0), middle = 0.5 * (outer + inner);
    loop.push_back(middle * dvec2(std::cos(tip), std::sin(tip)));
    loop.push_back((inner - barb) * dvec2(std::cos(to), std::sin(to)));
    appendPoints(loop, arc(dvec2(0.0), inner, to, from, 24));
    loop = resample(roundCorners(loop, 0.035, 4, 40.0), 0.1);
    return single("circular arrow", Statements::None, PTN, extruded({loop}, 0.13, 0.03));
}

// Faces of a convex solid: every plane through three vertices with all others behind it, its
// vertices in order around it.
std::vector<std::vector<int>> hullFaces(const std::vector<dvec3>& v) {
    const double tolerance = 1e-9;
    std::vector<std::vector<int>> faces;
    for (size_t i = 0; i < v.size(); ++i)
        for (size_t j = i + 1; j < v.size(); ++j)
            for (size_t k = j + 1; k < v.size(); ++k) {
                dvec3 n = glm::cross(v[j] - v[i], v[k] - v[i]);
                if (glm::length(n) < tolerance) continue;
                n = glm::normalize(n);
                if (glm::dot(n, v[i]) < 0.0) n = -n;
                double d = glm::dot(n, v[i]);
                std::vector<int> face;
                bool front = false;
                for (size_t q = 0; q < v.size(); ++q) {
                    double h = glm::dot(n, v[q]) - d;
                    if (h > tolerance) front = true;
                    if (std::fabs(h) <= tolerance) face.push_back((int)q);
                }
                if (front || face[0] != (int)i || face[1] != (int)j || face[2] != (int)k) continue;
                dvec3 centre(0.0);
                for (int q : face)
                    centre += v[q];
                centre /= double(face.size());
                dvec3 u = glm::normalize(v[face[0]] - centre), w = glm::cross(n, u);
                std::sort(face.begin(), face.end(), [&](int a, int b) {
                    dvec3 pa = v[a] - centre, pb = v[b] - centre;
                    return std::atan2(glm::dot(pa, w), glm::dot(pa, u)) <
                           std::atan2(glm::dot(pb, w), glm::dot(pb, u));
                });
                faces.push_back(face);
            }
    return faces;
}

std::vector<dvec3> tetrahedronVertices(double sign) {
    return {sign * dvec3(1, 1, 1), sign * dvec3(1, -1, -1), sign * dvec3(-1, 1, -1),
            sign * dvec3(-1, -1, 1)};
}
std::vector<dvec3> cubeVertices() {
    std::vector<dvec3> v;
    for (int i = 0; i < 8; ++i)
        v.push_back(dvec3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    return v;
}
std::vector<dvec3> octahedronVertices() {
    return {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
}
std::vector<dvec3> icosahedronVertices() {
    std::vector<dvec3> v;
    for (int a : {-1, 1})
        for (int b : {-1, 1}) {
            v.push_back(dvec3(0, a, b * kGolden));
            v.push_back(dvec3(a, b * kGolden, 0));
            v.push_back(dvec3(a * kGolden, 0, b));
        }
    return v;
}
std::vector<dvec3> dodecahedronVertices() {
    std::vector<dvec3> v;
    for (int i = 0; i < 8; ++i)
        v.push_back(dvec3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1));
    for (int a : {-1, 1})
        for (int b : {-1, 1}) {
            v.push_back(dvec3(0, a / kGolden, b * kGolden));
            v.push_back(dvec3(a / kGolden, b * kGolden, 0));
            v.push_back(dvec3(a * kGolden, 0, b / kGolden));
        }
    return v;
}

Surface platonic(const std::vector<dvec3>& vertices, int n) {
    Surface s;
    for (const auto& face : hullFaces(vertices))
        addSubdividedFace(s, vertices, face, n);
    return s;
}

Model cube() {
    const auto vertices = cubeVertices();
    const char* names[] = {"right", "left", "top", "bottom", "front", "back"};
    Model m{"cube", Statements::Group, {}};
    auto faces = hullFaces(vertices);
    for (size_t f = 0; f < faces.size(); ++f) {
        Surface s;
        addSubdividedFace(s, vertices, faces[f], 5);
        m.groups.push_back(Group{names[f], PN, s});
    }
    return m;
}

Profile circleProfile(dvec2 centre, double radius, int steps) {
    Profile p;
    profileArc(p, centre, radius, 0.0, 2.0 * kPi, steps);
    return closedProfile(p);
}

Surface sphereSurface(double radius, int segments, int steps) {
    Profile p;
    profileArc(p, dvec2(0.0), radius, radians(-90.0), radians(90.0), steps);
    Surface s;
    addLathe(s, p, segments, false);
    return s;
}

Model torus() {
    Surface s;
    addLathe(s, circleProfile(dvec2(0.7, 0.0), 0.3, 32), 96, true);
    return single("torus", Statements::None, PT, s);
}

Model trefoil() {
    Surface s;
    addTube(
        s,
        [](double t) {
            double a = 2.0 * kPi * t;
            return dvec3(std::sin(a) + 2.0 * std::sin(2.0 * a),
                         std::cos(a) - 2.0 * std::cos(2.0 * a), -std::sin(3.0 * a));
        },
        300, 0.38, 16, true);
    return single("trefoil knot", Statements::None, PTN, s);
}

Model gear() {
    const int teeth = 16;
    const double root = 0.78, tip = 1.0, pitch = 2.0 * kPi / teeth;
    Loop outline;
    for (int k = 0; k < teeth; ++k) {
        double base = k * pitch;
        appendPoints(outline, arc(dvec2(0.0), root, base - 0.15 * pitch, base + 0.15 * pitch, 2));
        appendPoints(outline, arc(dvec2(0.0), tip, base + 0.35 * pitch, base + 0.65 * pitch, 3));
    }
    Shape shape{resample(outline, 0.08), circle(dvec2(0.0), 0.22, 32)};
    for (int k = 0; k < 6; ++k) {
        double a = 2.0 * kPi * k / 6;
        shape.push_back(circle(0.52 * dvec2(std::cos(a), std::sin(a)), 0.12, 20));
    }
    return single("gear", Statements::None, PN, extruded(shape, 0.14, 0.03));
}

Model spikedBall() {
    Surface ball = sphereSurface(0.55, 32, 16);
    Profile cone;
    profileLine(cone, {0.0, 0.0}, {0.13, 0.0}, 2);
    profileLine(cone, {0.13, 0.0}, {0.0, 0.6}, 3);
    Surface spikes;
    std::vector<dvec3> directions = icosahedronVertices();
    for (const dvec3& d : dodecahedronVertices())
        directions.push_back(d);
    for (const dvec3& d : directions) {
        Surface spike;
        addLathe(spike, cone, 16, false);
        transform(spike, rotationTo(d), 0.4 * glm::normalize(d));
        append(spikes, spike);
    }
    return Model{
        "spiked ball", Statements::Object, {Group{"ball", PT, ball}, Group{"spikes", P, spikes}}};
}

Model sphere() {
    return single("sphere", Statements::None, PT, sphereSurface(1.0, 64, 32));
}

Model capsule() {
    Profile p;
    profileArc(p, {0.0, -0.5}, 0.5, radians(-90.0), 0.0, 12);
    profileLine(p, {0.5, -0.5}, {0.5, 0.5}, 8);
    profileArc(p, {0.0, 0.5}, 0.5, 0.0, radians(90.0), 12);
    Surface s;
    addLathe(s, p, 48, false);
    return single("capsule", Statements::None, PTN, s);
}

Model twistedPrism() {
    const int sides = 4, across = 8, along = 48;
    const double corner = 0.7, twist = radians(90.0);
    auto cornerAt = [&](int k) {
        double a = radians(45.0) + 2.0 * kPi * (k % sides) / sides;
        return corner * dvec2(std::cos(a), std::sin(a));
    };
    // Corners are taken as they are at the ends of a side so that neighbouring sides and the
    // caps compute their shared points identically.
    auto point = [&](int side, int i, int level) {
        dvec2 a = cornerAt(side), b = cornerAt(side + 1);
        dvec2 q = i == 0 ? a : i == across ? b : a + (b - a) * (double(i) / across);
        double u = double(level) / along, angle = twist * (u - 0.5);
        double c = std::cos(angle), sn = std::sin(angle);
        dvec2 r(c * q.x - sn * q.y, sn * q.x + c * q.y);
        // The twisted side's normal from its derivatives across and along.
        dvec2 edge = b - a;
        dvec3 across3(c * edge.x - sn * edge.y, sn * edge.x + c * edge.y, 0.0);
        dvec3 along3(-twist * r.y, twist * r.x, 2.0);
        dvec3 n = glm::normalize(glm::cross(across3, along3));
        if (glm::dot(n, dvec3(r, 0.0)) < 0.0) n = -n;
        return Corner{dvec3(r, 2.0 * u - 1.0), n,
                      dvec2(double(side * across + i) / (sides * across), u)};
    };
    Surface s;
    for (int side = 0; side < sides; ++side)
        addGrid(s, across, along, [&](int i, int j) { return point(side, i, j); });
    for (int level : {0, along}) {
        dvec3 facing(0, 0, level == 0 ? -1 : 1);
        Corner middle{facing, facing, dvec2(0.5)};
        for (int side = 0; side < sides; ++side)
            for (int i = 0; i < across; ++i) {
                Corner a = point(side, i, level), b = point(side, i + 1, level);
                a.normal = b.normal = facing;
                a.uv = 0.5 * dvec2(a.position) + 0.5;
                b.uv = 0.5 * dvec2(b.position) + 0.5;
                addTriangle(s, middle, a, b);
            }
    }
    return single("twisted prism", Statements::None, PN, s);
}

Model linkedRings() {
    Surface a, b;
    addLathe(a, circleProfile(dvec2(0.6, 0.0), 0.16, 20), 72, true);
    addLathe(b, circleProfile(dvec2(0.6, 0.0), 0.16, 20), 72, true);
    transform(a, glm::dmat3(1.0), dvec3(-0.3, 0.0, 0.0));
    transform(b, rotationAbout(dvec3(1, 0, 0), radians(90.0)), dvec3(0.3, 0.0, 0.0));
    return Model{
        "linked rings", Statements::Object, {Group{"first", PTN, a}, Group{"second", PN, b}}};
}

Model starOctahedron() {
    Surface up = platonic(tetrahedronVertices(1.0), 5);
    Surface down = platonic(tetrahedronVertices(-1.0), 5);
    return Model{"star octahedron",
                 Statements::ObjectAndGroup,
                 {Group{"up", P, up}, Group{"down", PN, down}}};
}

Model roundedCube() {
    const double half = 0.7, round = 0.22;
    Loop square;
    for (int k = 0; k < 4; ++k) {
        double a = radians(90.0 * k);
        dvec2 centre = (half - round) * dvec2(k == 0 || k == 3 ? 1 : -1, k < 2 ? 1 : -1);
        appendPoints(square, arc(centre, round, a, a + radians(90.0), 8));
    }
    Surface s;
    Extrusion e;
    e.halfDepth = half;
    e.bevel = 0.2;
    e.bevelSteps = 6;
    addExtrusion(s, {resample(square, 0.1)}, e);
    return single("rounded cube", Statements::None, PTN, s);
}

Model dumbbell() {
    const double ball = 0.35, bar = 0.12, offset = 0.65;
    const double meet = std::acos(bar / ball);
    Profile p;
    profileArc(p, {0.0, -offset}, ball, radians(-90.0), meet, 16);
    profileLine(p, p.back().rz, {p.back().rz.x, -p.back().rz.y}, 8);
    profileArc(p, {0.0, offset}, ball, -meet, radians(90.0), 16);
    Surface s;
    addLathe(s, p, 48, false);
    return single("dumbbell", Statements::None, P, s);
}

Model spring() {
    Surface s;
    addTube(
        s,
        [](double t) {
            double a = 9.0 * kPi * t;
            return dvec3(0.6 * std::cos(a), 0.6 * std::sin(a), 0.4 * a / (2.0 * kPi));
        },
        400, 0.1, 12, false);
    return single("coil spring", Statements::None, PN, s);
}

Model spinningTop() {
    Profile p;
    profileLine(p, {0.0, -1.0}, {0.8, -0.25}, 8);
    profileArc(p, {0.8, -0.15}, 0.1, radians(-90.0), radians(90.0), 8);
    profileLine(p, {0.8, -0.05}, {0.14, 0.2}, 6);
    profileLine(p, {0.14, 0.2}, {0.14, 0.6}, 4);
    profileArc(p, {0.0, 0.6}, 0.14, 0.0, radians(90.0), 6);
    Surface s;
    addLathe(s, p, 64, false);
    return single("spinning top", Statements::Group, PT, s, "top");
}

} // namespace

Model buildSymbol(int number) {
    switch (number) {
    case 1:
        return star();
    case 2:
        return heart();
    case 3:
        return lightning();
    case 4:
        return smiley();
    case 5:
        return arrow();
    case 6:
        return peace();
    case 7:
        return yinYang();
    case 8:
        return hexagram();
    case 9:
        return infinity();
    case 10:
        return crescent();
    case 11:
        return cross();
    case 12:
        return musicNotes();
    case 13:
        return fingerRing();
    case 14:
        return spiral();
    case 15:
        return spade();
    case 16:
        return flower();
    case 17:
        return circularArrow();
    case 18:
        return single("tetrahedron", Statements::None, P, platonic(tetrahedronVertices(1.0), 7));
    case 19:
        return cube();
    case 20:
        return single("octahedron", Statements::None, PT, platonic(octahedronVertices(), 5));
    case 21:
        return single("dodecahedron", Statements::None, PTN, platonic(dodecahedronVertices(), 3));
    case 22:
        return single("icosahedron", Statements::Object, PN, platonic(icosahedronVertices(), 3),
                      "icosahedron");
    case 23:
        return torus();
    case 24:
        return trefoil();
    case 25:
        return gear();
    case 26:
        return spikedBall();
    case 27:
        return sphere();
    case 28:
        return capsule();
    case 29:
        return twistedPrism();
    case 30:
        return linkedRings();
    case 31:
        return starOctahedron();
    case 32:
        return roundedCube();
    case 33:
        return dumbbell();
    case 34:
        return spring();
    case 35:
        return spinningTop();
    }
    fatal("no symbol number " + std::to_string(number));
}

} // namespace models
