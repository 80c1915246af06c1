#include "tools/models/Geometry.h"
#include "tandem1.0/Pi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace models {

namespace {

// Below this cosine between a triangle's own normal and its corners' normals the builder is
// wrong, not the data: abort instead of guessing a winding.
const double kMinNormalAgreement = 0.05;
const double kEpsilon = 1e-12;

double cross2(dvec2 a, dvec2 b) {
    return a.x * b.y - a.y * b.x;
}

double signedArea(const Loop& loop) {
    double area = 0.0;
    for (size_t i = 0; i < loop.size(); ++i)
        area += cross2(loop[i], loop[(i + 1) % loop.size()]);
    return 0.5 * area;
}

Loop oriented(const Loop& loop, bool counterClockwise) {
    Loop out = loop;
    if ((signedArea(out) > 0.0) != counterClockwise) std::reverse(out.begin(), out.end());
    return out;
}

// Outward unit normal of the edge a->b of a counter-clockwise outline (right of travel).
dvec2 edgeNormal(dvec2 a, dvec2 b) {
    dvec2 d = glm::normalize(b - a);
    return dvec2(d.y, -d.x);
}

bool properlyCross(dvec2 a, dvec2 b, dvec2 c, dvec2 d) {
    double o1 = cross2(b - a, c - a), o2 = cross2(b - a, d - a);
    double o3 = cross2(d - c, a - c), o4 = cross2(d - c, b - c);
    return o1 * o2 < 0.0 && o3 * o4 < 0.0;
}

bool insideTriangle(dvec2 p, dvec2 a, dvec2 b, dvec2 c) {
    const double tolerance = -1e-12;
    return cross2(b - a, p - a) >= tolerance && cross2(c - b, p - b) >= tolerance &&
           cross2(a - c, p - c) >= tolerance;
}

double minAngle(dvec2 a, dvec2 b, dvec2 c) {
    auto angle = [](dvec2 at, dvec2 p, dvec2 q) {
        return std::acos(
            glm::clamp(glm::dot(glm::normalize(p - at), glm::normalize(q - at)), -1.0, 1.0));
    };
    return std::min({angle(a, b, c), angle(b, c, a), angle(c, a, b)});
}

// Joins a clockwise hole into the counter-clockwise polygon through a visible bridge.
void bridgeHole(std::vector<dvec2>& polygon, const Loop& hole, const std::vector<Loop>& others) {
    size_t m = 0;
    for (size_t i = 1; i < hole.size(); ++i)
        if (hole[i].x > hole[m].x) m = i;
    const dvec2 from = hole[m];
    std::vector<size_t> order(polygon.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return glm::length(polygon[a] - from) < glm::length(polygon[b] - from);
    });
    auto blocked = [&](const std::vector<dvec2>& loop, dvec2 p) {
        for (size_t i = 0; i < loop.size(); ++i) {
            dvec2 a = loop[i], b = loop[(i + 1) % loop.size()];
            if (a == p || b == p || a == from || b == from) continue;
            if (properlyCross(from, p, a, b)) return true;
        }
        return false;
    };
    for (size_t candidate : order) {
        const dvec2 p = polygon[candidate];
        const size_t n = polygon.size();
        const dvec2 toPrev = polygon[(candidate + n - 1) % n] - p;
        const dvec2 toNext = polygon[(candidate + 1) % n] - p;
        const dvec2 d = from - p;
        bool inWedge = cross2(-toPrev, toNext) > 0.0
                           ? cross2(toNext, d) > 0.0 && cross2(d, toPrev) > 0.0
                           : !(cross2(toPrev, d) >= 0.0 && cross2(d, toNext) >= 0.0);
        if (!inWedge || blocked(polygon, p) || blocked(hole, p)) continue;
        bool hit = false;
        for (const Loop& other : others)
            hit = hit || blocked(other, p);
        if (hit) continue;
        std::vector<dvec2> merged(polygon.begin(), polygon.begin() + candidate + 1);
        for (size_t i = 0; i <= hole.size(); ++i)
            merged.push_back(hole[(m + i) % hole.size()]);
        merged.insert(merged.end(), polygon.begin() + candidate, polygon.end());
        polygon = merged;
        return;
    }
    fatal("no bridge into a hole");
}

} // namespace

void fatal(const std::string& what) {
    std::fprintf(stderr, "halcyon-models: %s\n", what.c_str());
    std::exit(1);
}

void addTriangle(Surface& s, Corner a, Corner b, Corner c) {
    if (a.position == b.position || b.position == c.position || a.position == c.position) return;
    dvec3 face = glm::cross(b.position - a.position, c.position - a.position);
    dvec3 wanted = a.normal + b.normal + c.normal;
    double faceLength = glm::length(face), wantedLength = glm::length(wanted);
    if (faceLength < kEpsilon || wantedLength < kEpsilon) fatal("degenerate triangle built");
    double agreement = glm::dot(face, wanted) / (faceLength * wantedLength);
    if (std::fabs(agreement) < kMinNormalAgreement)
        fatal("triangle normals disagree with its face");
    if (agreement < 0.0) std::swap(b, c);
    s.triangles.push_back(Triangle{{a, b, c}});
}

void addQuad(Surface& s, const Corner& a, const Corner& b, const Corner& c, const Corner& d) {
    addTriangle(s, a, b, c);
    addTriangle(s, a, c, d);
}

void addGrid(Surface& s, int nu, int nv, const std::function<Corner(int, int)>& corner) {
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j)
            addQuad(s, corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1));
}

void append(Surface& to, const Surface& from) {
    to.triangles.insert(to.triangles.end(), from.triangles.begin(), from.triangles.end());
}

void transform(Surface& s, const glm::dmat3& rotation, const dvec3& offset) {
    for (Triangle& t : s.triangles)
        for (Corner& c : t.c) {
            c.position = rotation * c.position + offset;
            c.normal = rotation * c.normal;
        }
}

glm::dmat3 rotationAbout(const dvec3& axis, double radians) {
    dvec3 k = glm::normalize(axis);
    double c = std::cos(radians), s = std::sin(radians);
    glm::dmat3 r;
    for (int col = 0; col < 3; ++col) {
        dvec3 e(0.0);
        e[col] = 1.0;
        r[col] = e * c + glm::cross(k, e) * s + k * glm::dot(k, e) * (1.0 - c);
    }
    return r;
}

glm::dmat3 rotationTo(const dvec3& direction) {
    dvec3 z(0, 0, 1), d = glm::normalize(direction);
    dvec3 axis = glm::cross(z, d);
    if (glm::length(axis) < 1e-9)
        return d.z > 0 ? glm::dmat3(1.0) : rotationAbout(dvec3(1, 0, 0), kPi);
    return rotationAbout(axis, std::acos(glm::clamp(glm::dot(z, d), -1.0, 1.0)));
}

Loop circle(dvec2 centre, double radius, int segments, double startRadians) {
    Loop loop;
    for (int i = 0; i < segments; ++i) {
        double a = startRadians + 2.0 * kPi * i / segments;
        loop.push_back(centre + radius * dvec2(std::cos(a), std::sin(a)));
    }
    return loop;
}

Loop arc(dvec2 centre, double radius, double a0, double a1, int segments) {
    Loop loop;
    for (int i = 0; i <= segments; ++i) {
        double a = a0 + (a1 - a0) * i / segments;
        loop.push_back(centre + radius * dvec2(std::cos(a), std::sin(a)));
    }
    return loop;
}

void appendPoints(Loop& to, const Loop& from, bool skipFirst) {
    to.insert(to.end(), from.begin() + (skipFirst ? 1 : 0), from.end());
}

Loop mirrorX(const Loop& loop) {
    Loop out;
    for (auto it = loop.rbegin(); it != loop.rend(); ++it)
        out.push_back(dvec2(-it->x, it->y));
    return out;
}

Loop roundCorners(const Loop& raw, double radius, int segments, double minTurnDegrees) {
    const Loop loop = oriented(raw, true);
    const size_t n = loop.size();
    const double minTurn = minTurnDegrees * kPi / 180.0;
    Loop out;
    for (size_t i = 0; i < n; ++i) {
        dvec2 prev = loop[(i + n - 1) % n], at = loop[i], next = loop[(i + 1) % n];
        dvec2 d0 = glm::normalize(at - prev), d1 = glm::normalize(next - at);
        double turn = std::acos(glm::clamp(glm::dot(d0, d1), -1.0, 1.0));
        if (cross2(d0, d1) <= 0.0 || turn < minTurn) {
            out.push_back(at);
            continue;
        }
        double reach = std::min(radius * std::tan(0.5 * turn),
                                0.45 * std::min(glm::length(at - prev), glm::length(next - at)));
        double r = reach / std::tan(0.5 * turn);
        if (r < 0.99 * radius) fatal("corner too close to its neighbours to round");
        dvec2 start = at - d0 * reach;
        dvec2 centre = start + r * dvec2(-d0.y, d0.x);
        double a0 = std::atan2(start.y - centre.y, start.x - centre.x);
        for (int k = 0; k <= segments; ++k) {
            double a = a0 + turn * k / segments;
            out.push_back(centre + r * dvec2(std::cos(a), std::sin(a)));
        }
    }
    return out;
}

Loop segment(dvec2 a, dvec2 b, double maxLength) {
    int pieces = std::max(1, (int)std::ceil(glm::length(b - a) / maxLength));
    Loop out;
    for (int k = 0; k < pieces; ++k)
        out.push_back(a + (b - a) * (double(k) / pieces));
    out.push_back(b);
    return out;
}

Loop resample(const Loop& loop, double maxLength) {
    Loop out;
    for (size_t i = 0; i < loop.size(); ++i) {
        dvec2 a = loop[i], b = loop[(i + 1) % loop.size()];
        int pieces = std::max(1, (int)std::ceil(glm::length(b - a) / maxLength));
        for (int k = 0; k < pieces; ++k)
            out.push_back(a + (b - a) * (double(k) / pieces));
    }
    return out;
}

Triangulation triangulate(const Shape& shape) {
    Triangulation t;
    t.points = oriented(shape[0], true);
    std::vector<Loop> holes;
    for (size_t i = 1; i < shape.size(); ++i)
        holes.push_back(oriented(shape[i], false));
    std::stable_sort(holes.begin(), holes.end(), [](const Loop& a, const Loop& b) {
        auto maxX = [](const Loop& l) {
            double x = l[0].x;
            for (dvec2 p : l)
                x = std::max(x, p.x);
            return x;
        };
        return maxX(a) > maxX(b);
    });
    for (size_t h = 0; h < holes.size(); ++h) {
        std::vector<Loop> rest(holes.begin() + h + 1, holes.end());
        bridgeHole(t.points, holes[h], rest);
    }
    std::vector<int> ring(t.points.size());
    for (size_t i = 0; i < ring.size(); ++i)
        ring[i] = (int)i;
    const std::vector<dvec2>& p = t.points;
    while (ring.size() > 3) {
        const size_t n = ring.size();
        int best = -1;
        double bestQuality = -1.0;
        for (size_t k = 0; k < n; ++k) {
            dvec2 a = p[ring[(k + n - 1) % n]], b = p[ring[k]], c = p[ring[(k + 1) % n]];
            if (cross2(b - a, c - b) <= kEpsilon) continue;
            bool empty = true;
            for (size_t q = 0; q < n && empty; ++q) {
                dvec2 x = p[ring[q]];
                if (x == a || x == b || x == c) continue;
                empty = !insideTriangle(x, a, b, c);
            }
            if (!empty) continue;
            double quality = minAngle(a, b, c);
            if (quality > bestQuality) {
                bestQuality = quality;
                best = (int)k;
            }
        }
        if (best < 0) fatal("outline cannot be triangulated");
        t.indices.push_back(ring[(best + n - 1) % n]);
        t.indices.push_back(ring[best]);
        t.indices.push_back(ring[(best + 1) % n]);
        ring.erase(ring.begin() + best);
    }
    if (cross2(p[ring[1]] - p[ring[0]], p[ring[2]] - p[ring[1]]) <= kEpsilon)
        fatal("outline leaves a degenerate last triangle");
    t.indices.insert(t.indices.end(), ring.begin(), ring.end());
    return t;
}

void addExtrusion(Surface& s, const Shape& rawShape, const Extrusion& e) {
    Shape shape;
    for (size_t i = 0; i < rawShape.size(); ++i)
        shape.push_back(oriented(rawShape[i], i == 0));

    // Rings of the rim profile from the front cap's edge round to the back cap's edge.
    struct Ring {
        double inset, z, normalXY, normalZ;
    };
    std::vector<Ring> rings;
    for (int k = 0; k <= e.bevelSteps; ++k) {
        double phi = 0.5 * kPi * (1.0 - double(k) / e.bevelSteps);
        rings.push_back({e.bevel * (1.0 - std::cos(phi)),
                         e.halfDepth - e.bevel + e.bevel * std::sin(phi), std::cos(phi),
                         std::sin(phi)});
    }
    for (int k = e.bevelSteps; k >= 0; --k) {
        Ring r = rings[k];
        rings.push_back({r.inset, -r.z, r.normalXY, -r.normalZ});
    }
    const double sharpCos = std::cos(e.sharpDegrees * kPi / 180.0);

    Shape capLoop;
    for (const Loop& loop : shape) {
        const size_t n = loop.size();
        std::vector<dvec2> miter(n), smooth(n);
        std::vector<bool> sharp(n);
        std::vector<double> along(n + 1, 0.0);
        for (size_t i = 0; i < n; ++i) {
            dvec2 n0 = edgeNormal(loop[(i + n - 1) % n], loop[i]);
            dvec2 n1 = edgeNormal(loop[i], loop[(i + 1) % n]);
            miter[i] = (n0 + n1) / (1.0 + glm::dot(n0, n1));
            smooth[i] = glm::normalize(n0 + n1);
            sharp[i] = glm::dot(n0, n1) < sharpCos;
            along[i + 1] = along[i] + glm::length(loop[(i + 1) % n] - loop[i]);
        }
        auto point = [&](size_t i, const Ring& r) {
            dvec2 p = loop[i % n] - r.inset * miter[i % n];
            return dvec3(p, r.z);
        };
        Loop cap;
        for (size_t i = 0; i < n; ++i)
            cap.push_back(dvec2(point(i, rings[0])));
        capLoop.push_back(cap);
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            dvec2 edge = edgeNormal(loop[i], loop[j]);
            dvec2 na = sharp[i] ? edge : smooth[i];
            dvec2 nb = sharp[j] ? edge : smooth[j];
            for (size_t k = 0; k + 1 < rings.size(); ++k) {
                const Ring &r0 = rings[k], &r1 = rings[k + 1];
                double v0 = double(k) / (rings.size() - 1), v1 = double(k + 1) / (rings.size() - 1);
                double u0 = along[i] / along[n], u1 = along[i + 1] / along[n];
                auto corner = [&](size_t at, dvec2 nxy, const Ring& r, double u, double v) {
                    return Corner{point(at, r), dvec3(nxy * r.normalXY, r.normalZ), dvec2(u, v)};
                };
                addQuad(s, corner(i, na, r0, u0, v0), corner(i, na, r1, u0, v1),
                        corner(j, nb, r1, u1, v1), corner(j, nb, r0, u1, v0));
            }
        }
    }
    Triangulation t = triangulate(capLoop);
    for (size_t i = 0; i < t.indices.size(); i += 3) {
        Corner front[3], back[3];
        for (int k = 0; k < 3; ++k) {
            dvec2 p = t.points[t.indices[i + k]];
            dvec2 uv = 0.5 * p + dvec2(0.5);
            front[k] = Corner{dvec3(p, rings.front().z), dvec3(0, 0, 1), uv};
            back[k] = Corner{dvec3(p, rings.back().z), dvec3(0, 0, -1), dvec2(1.0 - uv.x, uv.y)};
        }
        addTriangle(s, front[0], front[1], front[2]);
        addTriangle(s, back[0], back[1], back[2]);
    }
}

void profileLine(Profile& p, dvec2 from, dvec2 to, int steps) {
    if (!p.empty() && glm::length(p.back().rz - from) < 1e-9) from = p.back().rz;
    dvec2 d = glm::normalize(to - from);
    dvec2 normal(d.y, -d.x);
    for (int i = 0; i <= steps; ++i) {
        dvec2 at = i == steps ? to : from + (to - from) * (double(i) / steps);
        if (i == 0 && !p.empty() && p.back().rz == at && p.back().normal == normal) continue;
        p.push_back({at, normal});
    }
}

void profileArc(Profile& p, dvec2 centre, double radius, double a0, double a1, int steps) {
    double sign = a1 > a0 ? 1.0 : -1.0; // counter-clockwise arcs bulge outward
    for (int i = 0; i <= steps; ++i) {
        double a = a0 + (a1 - a0) * i / steps;
        dvec2 dir(std::cos(a), std::sin(a));
        dvec2 at = centre + radius * dir;
        if (std::fabs(at.x) < 1e-12) at.x = 0.0;
        if (i == 0 && !p.empty() && glm::length(p.back().rz - at) < 1e-9) at = p.back().rz;
        p.push_back({at, sign * dir});
    }
}

void addLathe(Surface& s, const Profile& profile, int segments, bool closedProfile) {
    const int rows = closedProfile ? (int)profile.size() : (int)profile.size() - 1;
    addGrid(s, segments, rows, [&](int i, int j) {
        const ProfilePoint& pp = profile[j % profile.size()];
        double a = 2.0 * kPi * (i % segments) / segments;
        double c = std::cos(a), sn = std::sin(a);
        bool pole = pp.rz.x == 0.0;
        dvec3 normal = pole ? dvec3(0, 0, pp.normal.y > 0 ? 1 : -1)
                            : dvec3(pp.normal.x * c, pp.normal.x * sn, pp.normal.y);
        double u = pole ? 0.5 : double(i) / segments;
        return Corner{dvec3(pp.rz.x * c, pp.rz.x * sn, pp.rz.y), normal,
                      dvec2(u, double(j) / rows)};
    });
}

void addTube(Surface& s, const std::function<dvec3(double)>& curve, int samples, double radius,
             int sides, bool closed) {
    const int count = closed ? samples : samples + 1;
    std::vector<dvec3> centre(count), tangent(count), normal(count), binormal(count);
    const double h = 1e-6;
    for (int i = 0; i < count; ++i) {
        double t = double(i) / samples;
        centre[i] = curve(t);
        tangent[i] = glm::normalize(curve(t + h) - curve(t - h));
    }
    dvec3 seed = std::fabs(tangent[0].z) < 0.9 ? dvec3(0, 0, 1) : dvec3(1, 0, 0);
    normal[0] = glm::normalize(seed - tangent[0] * glm::dot(seed, tangent[0]));
    for (int i = 1; i < count; ++i)
        normal[i] =
            glm::normalize(normal[i - 1] - tangent[i] * glm::dot(normal[i - 1], tangent[i]));
    if (closed) {
        // Parallel transport does not come back to its start; spread the gap along the loop.
        dvec3 back = glm::normalize(normal[count - 1] -
                                    tangent[0] * glm::dot(normal[count - 1], tangent[0]));
        double gap = std::atan2(glm::dot(glm::cross(back, normal[0]), tangent[0]),
                                glm::dot(back, normal[0]));
        for (int i = 0; i < count; ++i)
            normal[i] = rotationAbout(tangent[i], gap * i / count) * normal[i];
    }
    for (int i = 0; i < count; ++i)
        binormal[i] = glm::cross(tangent[i], normal[i]);

    auto ring = [&](int i, int j) {
        int at = closed ? i % count : i;
        double a = 2.0 * kPi * (j % sides) / sides;
        dvec3 out = normal[at] * std::cos(a) + binormal[at] * std::sin(a);
        return Corner{centre[at] + radius * out, out,
                      dvec2(double(i) / samples, double(j) / sides)};
    };
    addGrid(s, samples, sides, ring);
    if (closed) return;
    for (int end = 0; end < 2; ++end) {
        int i = end == 0 ? 0 : samples;
        dvec3 facing = end == 0 ? -tangent[i] : tangent[i];
        Corner middle{centre[i], facing, dvec2(0.5, 0.5)};
        for (int j = 0; j < sides; ++j) {
            Corner a = ring(i, j), b = ring(i, j + 1);
            a.normal = b.normal = facing;
            double a0 = 2.0 * kPi * j / sides, a1 = 2.0 * kPi * (j + 1) / sides;
            a.uv = dvec2(0.5 + 0.5 * std::cos(a0), 0.5 + 0.5 * std::sin(a0));
            b.uv = dvec2(0.5 + 0.5 * std::cos(a1), 0.5 + 0.5 * std::sin(a1));
            addTriangle(s, middle, a, b);
        }
    }
}

void addSubdividedFace(Surface& s, const std::vector<dvec3>& vertices, const std::vector<int>& face,
                       int n) {
    dvec3 centre(0.0);
    for (int v : face)
        centre += vertices[v];
    centre /= double(face.size());
    dvec3 normal = glm::normalize(
        glm::cross(vertices[face[1]] - vertices[face[0]], vertices[face[2]] - vertices[face[0]]));
    if (glm::dot(normal, centre) < 0.0) normal = -normal; // convex solids round the origin
    const dvec3 tangentU = glm::normalize(vertices[face[0]] - centre);
    const dvec3 tangentV = glm::cross(normal, tangentU);
    auto onEdge = [&](int from, int to, int k) { // canonical: always from the lower vertex id
        if (from > to) {
            std::swap(from, to);
            k = n - k;
        }
        if (k == 0) return vertices[from];
        if (k == n) return vertices[to];
        return vertices[from] + (vertices[to] - vertices[from]) * (double(k) / n);
    };
    for (size_t e = 0; e < face.size(); ++e) {
        int ia = face[e], ib = face[(e + 1) % face.size()];
        const dvec3 &a = vertices[ia], &b = vertices[ib];
        auto spoke = [&](const dvec3& to, int row) {
            return row == 0 ? centre : centre + (to - centre) * (double(row) / n);
        };
        // point(row, k): row steps from the centre to the outer edge, k across the row.
        auto point = [&](int row, int k) {
            dvec3 p;
            if (row == n)
                p = onEdge(ia, ib, k);
            else if (k == 0)
                p = spoke(a, row);
            else if (k == row)
                p = spoke(b, row);
            else {
                dvec3 l = spoke(a, row), r = spoke(b, row);
                p = l + (r - l) * (double(k) / row);
            }
            dvec3 d = p - centre;
            dvec2 uv(0.5 + 0.5 * glm::dot(d, tangentU), 0.5 + 0.5 * glm::dot(d, tangentV));
            return Corner{p, normal, uv};
        };
        for (int row = 0; row < n; ++row)
            for (int k = 0; k <= row; ++k) {
                addTriangle(s, point(row, k), point(row + 1, k), point(row + 1, k + 1));
                if (k < row)
                    addTriangle(s, point(row, k), point(row + 1, k + 1), point(row, k + 1));
            }
    }
}

} // namespace models
