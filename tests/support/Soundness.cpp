#include "support/Soundness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <sstream>
#include <unordered_map>
#include <utility>

namespace {

// True when the face and one of its neighbours point more than a right angle apart.
bool FoldsAgainstANeighbour(const Triangle* t) {
    const auto normal = [](const Triangle* u) {
        const Vec3 p0 = u->corner[0]->position;
        return Cross(u->corner[1]->position - p0, u->corner[2]->position - p0);
    };
    const Vec3 n = normal(t);
    for (const Triangle* u : t->neighbour)
        if (u != nullptr && Dot(n, normal(u)) < 0.0) return true;
    return false;
}

constexpr double kPi = 3.14159265358979323846;

// How many offending pairs or triangles a report names; the counts say the rest.
constexpr size_t kNamed = 5;

// An orientation within this share of the sum of its terms' magnitudes is taken as
// zero. Rounding alone stays below 1e-15 of it; the wider band is for faces the
// program lays flat, which are flat only to the rounding of the positions it
// computed. Two triangles that are not neighbours are never that close in a sound
// model, so treating "that close" as touching costs nothing.
constexpr double kFlatBand = 1e-10;

// A front triangle turned away by less than this share of its area (a sixteenth of a
// degree past edge-on) is taken as seen edge-on: rounding, or a face at the rim that
// stands exactly upright.
constexpr double kEdgeOnSlack = 1e-3;

int Sign(double value, double magnitude) {
    if (value > kFlatBand * magnitude) return 1;
    if (value < -kFlatBand * magnitude) return -1;
    return 0;
}

// Positive when d lies on the side of plane a b c from which a, b, c run clockwise.
int Orient3(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    const Vec3 u = a - d;
    const Vec3 v = b - d;
    const Vec3 w = c - d;
    const double det = u.x * (v.y * w.z - v.z * w.y) + v.x * (w.y * u.z - w.z * u.y) +
                       w.x * (u.y * v.z - u.z * v.y);
    const double magnitude = std::abs(u.x) * (std::abs(v.y * w.z) + std::abs(v.z * w.y)) +
                             std::abs(v.x) * (std::abs(w.y * u.z) + std::abs(w.z * u.y)) +
                             std::abs(w.x) * (std::abs(u.y * v.z) + std::abs(u.z * v.y));
    return Sign(det, magnitude);
}

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

int Orient2(const Point2& a, const Point2& b, const Point2& c) {
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    return Sign(bx * cy - by * cx, std::abs(bx * cy) + std::abs(by * cx));
}

// Drops the coordinate along which the normal n of a triangle's plane is largest, so
// that the triangle keeps at least 1/sqrt(3) of its area in the other two.
Point2 Project(const Vec3& p, const Vec3& n) {
    const double ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
    if (ax >= ay && ax >= az) return {p.y, p.z};
    if (ay >= az) return {p.z, p.x};
    return {p.x, p.y};
}

bool Within(double a, double b, double value) {
    return std::min(a, b) <= value && value <= std::max(a, b);
}

// r lies on the line of p q (within the band); is it on the segment?
bool OnSegment2(const Point2& p, const Point2& q, const Point2& r) {
    return Within(p.x, q.x, r.x) && Within(p.y, q.y, r.y);
}

bool SegmentsMeet2(const Point2& p, const Point2& q, const Point2& a, const Point2& b) {
    const int o1 = Orient2(p, q, a), o2 = Orient2(p, q, b);
    const int o3 = Orient2(a, b, p), o4 = Orient2(a, b, q);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    return (o1 == 0 && OnSegment2(p, q, a)) || (o2 == 0 && OnSegment2(p, q, b)) ||
           (o3 == 0 && OnSegment2(a, b, p)) || (o4 == 0 && OnSegment2(a, b, q));
}

bool InsideTriangle2(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    const int s1 = Orient2(a, b, p), s2 = Orient2(b, c, p), s3 = Orient2(c, a, p);
    const bool positive = s1 > 0 || s2 > 0 || s3 > 0;
    const bool negative = s1 < 0 || s2 < 0 || s3 < 0;
    return !(positive && negative);
}

// The closed segment p q and the closed triangle a b c (of non-zero area, normal n),
// all in one plane.
bool SegmentMeetsTriangleInPlane(const Vec3& p, const Vec3& q, const Vec3& a, const Vec3& b,
                                 const Vec3& c, const Vec3& n) {
    const Point2 p2 = Project(p, n), q2 = Project(q, n);
    const Point2 a2 = Project(a, n), b2 = Project(b, n), c2 = Project(c, n);
    return InsideTriangle2(p2, a2, b2, c2) || InsideTriangle2(q2, a2, b2, c2) ||
           SegmentsMeet2(p2, q2, a2, b2) || SegmentsMeet2(p2, q2, b2, c2) ||
           SegmentsMeet2(p2, q2, c2, a2);
}

// The closed segment p q and the closed triangle a b c of non-zero area with normal n.
bool SegmentMeetsTriangle(const Vec3& p, const Vec3& q, const Vec3& a, const Vec3& b, const Vec3& c,
                          const Vec3& n) {
    const int sp = Orient3(a, b, c, p);
    const int sq = Orient3(a, b, c, q);
    if (sp == sq && sp != 0) return false;
    if (sp == 0 && sq == 0) return SegmentMeetsTriangleInPlane(p, q, a, b, c, n);
    // The segment crosses (or ends on) the plane: it meets the triangle where its line
    // does, and the line passes through the triangle when it turns the same way round
    // each of the three edges.
    const int s1 = Orient3(p, q, a, b), s2 = Orient3(p, q, b, c), s3 = Orient3(p, q, c, a);
    if (s1 == 0 && s2 == 0 && s3 == 0) return SegmentMeetsTriangleInPlane(p, q, a, b, c, n);
    const bool positive = s1 > 0 || s2 > 0 || s3 > 0;
    const bool negative = s1 < 0 || s2 < 0 || s3 < 0;
    return !(positive && negative);
}

struct Face {
    std::array<const Vertex*, 3> corner;
    std::array<Vec3, 3> p;
    Vec3 normal;  // not normalised
    bool degenerate = false;
    Vec3 lo, hi;  // bounding box
};

Face MakeFace(const Triangle* t) {
    Face f;
    for (int k = 0; k < 3; ++k) {
        f.corner[k] = t->corner[k];
        f.p[k] = t->corner[k]->position;
    }
    const Vec3 e1 = f.p[1] - f.p[0];
    const Vec3 e2 = f.p[2] - f.p[0];
    f.normal = Cross(e1, e2);
    f.degenerate = !(Length(f.normal) > kFlatBand * Length(e1) * Length(e2));
    f.lo = f.hi = f.p[0];
    for (int k = 1; k < 3; ++k) {
        f.lo = {std::min(f.lo.x, f.p[k].x), std::min(f.lo.y, f.p[k].y), std::min(f.lo.z, f.p[k].z)};
        f.hi = {std::max(f.hi.x, f.p[k].x), std::max(f.hi.y, f.p[k].y), std::max(f.hi.z, f.p[k].z)};
    }
    return f;
}

bool BoxesOverlap(const Vec3& alo, const Vec3& ahi, const Vec3& blo, const Vec3& bhi) {
    return alo.x <= bhi.x && blo.x <= ahi.x && alo.y <= bhi.y && blo.y <= ahi.y && alo.z <= bhi.z &&
           blo.z <= ahi.z;
}

// Some edge of `s` meets the non-degenerate triangle `t`.
bool EdgesMeet(const Face& s, const Face& t) {
    for (int k = 0; k < 3; ++k) {
        if (SegmentMeetsTriangle(s.p[k], s.p[(k + 1) % 3], t.p[0], t.p[1], t.p[2], t.normal))
            return true;
    }
    return false;
}

// All three corners of `s` strictly on one side of the plane of `t`.
bool OneSide(const Face& s, const Face& t) {
    const int s0 = Orient3(t.p[0], t.p[1], t.p[2], s.p[0]);
    return s0 != 0 && Orient3(t.p[0], t.p[1], t.p[2], s.p[1]) == s0 &&
           Orient3(t.p[0], t.p[1], t.p[2], s.p[2]) == s0;
}

// Two closed triangles meet exactly when an edge of one meets the other: where their
// planes cross, the shared stretch of the crossing line ends on an edge of one of
// them; in one plane, either an edge crosses or one lies inside the other.
bool FacesMeet(const Face& a, const Face& b) {
    if (a.degenerate && b.degenerate) return false;
    if (a.degenerate) return EdgesMeet(a, b);
    if (b.degenerate) return EdgesMeet(b, a);
    if (OneSide(a, b) || OneSide(b, a)) return false;
    return EdgesMeet(a, b) || EdgesMeet(b, a);
}

// The pair shares exactly corner a.corner[i] == b.corner[j]. Both triangles contain
// that corner, so their common part is a convex set around it; if it reaches any
// farther, a ray from the corner through it leaves each triangle through its opposite
// edge, and the nearer of the two exits lies in both triangles.
bool FacesMeetBeyondCorner(const Face& a, int i, const Face& b, int j) {
    if (a.degenerate || b.degenerate) return false;
    const Vec3& a1 = a.p[(i + 1) % 3];
    const Vec3& a2 = a.p[(i + 2) % 3];
    const Vec3& b1 = b.p[(j + 1) % 3];
    const Vec3& b2 = b.p[(j + 2) % 3];
    return SegmentMeetsTriangle(a1, a2, b.p[0], b.p[1], b.p[2], b.normal) ||
           SegmentMeetsTriangle(b1, b2, a.p[0], a.p[1], a.p[2], a.normal);
}

// A bounding-box tree over the faces: split at the median of the centres along the
// box's longest side until a handful remain.
class BoxTree {
public:
    explicit BoxTree(const std::vector<Face>& faces) : m_faces(faces) {
        m_order.resize(faces.size());
        for (size_t i = 0; i < faces.size(); ++i) m_order[i] = static_cast<int>(i);
        if (!faces.empty()) Build(0, static_cast<int>(faces.size()));
    }

    // Calls visit(j) for every face j whose box overlaps [lo, hi].
    template <typename Visit>
    void Query(const Vec3& lo, const Vec3& hi, Visit&& visit) const {
        if (m_nodes.empty()) return;
        std::vector<int> stack{0};
        while (!stack.empty()) {
            const Node& node = m_nodes[stack.back()];
            stack.pop_back();
            if (!BoxesOverlap(lo, hi, node.lo, node.hi)) continue;
            if (node.left < 0) {
                for (int k = node.begin; k < node.end; ++k) {
                    const Face& f = m_faces[m_order[k]];
                    if (BoxesOverlap(lo, hi, f.lo, f.hi)) visit(m_order[k]);
                }
            } else {
                stack.push_back(node.left);
                stack.push_back(node.right);
            }
        }
    }

private:
    static constexpr int kLeafSize = 4;

    struct Node {
        Vec3 lo, hi;
        int left = -1;  // children, or -1 for a leaf holding m_order[begin, end)
        int right = -1;
        int begin = 0;
        int end = 0;
    };

    static double Axis(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

    int Build(int begin, int end) {
        const int index = static_cast<int>(m_nodes.size());
        m_nodes.push_back({});
        Vec3 lo = m_faces[m_order[begin]].lo;
        Vec3 hi = m_faces[m_order[begin]].hi;
        for (int k = begin + 1; k < end; ++k) {
            const Face& f = m_faces[m_order[k]];
            lo = {std::min(lo.x, f.lo.x), std::min(lo.y, f.lo.y), std::min(lo.z, f.lo.z)};
            hi = {std::max(hi.x, f.hi.x), std::max(hi.y, f.hi.y), std::max(hi.z, f.hi.z)};
        }
        m_nodes[index].lo = lo;
        m_nodes[index].hi = hi;
        m_nodes[index].begin = begin;
        m_nodes[index].end = end;
        if (end - begin <= kLeafSize) return index;

        const Vec3 size = hi - lo;
        const int axis = size.x >= size.y && size.x >= size.z ? 0 : size.y >= size.z ? 1 : 2;
        const int middle = begin + (end - begin) / 2;
        std::nth_element(m_order.begin() + begin, m_order.begin() + middle, m_order.begin() + end,
                         [&](int a, int b) {
                             return Axis(m_faces[a].lo + m_faces[a].hi, axis) <
                                    Axis(m_faces[b].lo + m_faces[b].hi, axis);
                         });
        const int left = Build(begin, middle);
        const int right = Build(middle, end);
        m_nodes[index].left = left;
        m_nodes[index].right = right;
        return index;
    }

    const std::vector<Face>& m_faces;
    std::vector<int> m_order;
    std::vector<Node> m_nodes;
};

std::vector<const Triangle*> TriangleList(const CMainFrame& frame) {
    std::vector<const Triangle*> list;
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) list.push_back(t);
    return list;
}

Vec3 Centre(const Triangle* t) {
    return (t->corner[0]->position + t->corner[1]->position + t->corner[2]->position) / 3.0;
}

std::string Format(const Vec3& p) {
    std::ostringstream s;
    s.precision(4);
    s << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return s.str();
}

}  // namespace

SelfIntersectionReport SelfIntersections(const CMainFrame& frame) {
    const std::vector<const Triangle*> list = TriangleList(frame);
    std::vector<Face> faces;
    faces.reserve(list.size());
    for (const Triangle* t : list) faces.push_back(MakeFace(t));

    SelfIntersectionReport report;
    report.triangles = static_cast<int>(faces.size());
    for (const Face& f : faces) report.degenerate += f.degenerate ? 1 : 0;

    const BoxTree tree(faces);
    for (size_t i = 0; i < faces.size(); ++i) {
        const Face& a = faces[i];
        tree.Query(a.lo, a.hi, [&](int j) {
            if (j <= static_cast<int>(i)) return;
            const Face& b = faces[j];
            int shared = 0;
            int ai = 0;
            int bj = 0;
            for (int k = 0; k < 3; ++k) {
                for (int m = 0; m < 3; ++m) {
                    if (a.corner[k] == b.corner[m]) {
                        ++shared;
                        ai = k;
                        bj = m;
                    }
                }
            }
            const bool meet = shared == 0   ? FacesMeet(a, b)
                              : shared == 1 ? FacesMeetBeyondCorner(a, ai, b, bj)
                                            : false;
            if (meet) {
                report.pairs.push_back(
                    {static_cast<int>(i), j, (Centre(list[i]) + Centre(list[j])) / 2.0});
            }
        });
    }
    std::sort(report.pairs.begin(), report.pairs.end(),
              [](const IntersectingPair& p, const IntersectingPair& q) {
                  return std::make_pair(p.first, p.second) < std::make_pair(q.first, q.second);
              });
    return report;
}

std::string SelfIntersectionReport::Text() const {
    std::ostringstream s;
    s << pairs.size() << " intersecting pairs among " << triangles << " triangles (" << degenerate
      << " of zero area)";
    for (size_t k = 0; k < pairs.size() && k < kNamed; ++k)
        s << (k == 0 ? ": " : ", ") << "#" << pairs[k].first << " and #" << pairs[k].second
          << " near " << Format(pairs[k].near);
    if (pairs.size() > kNamed) s << ", ...";
    return s.str();
}

FrontFaceReport ReversedFrontFaces(const CMainFrame& frame) {
    FrontFaceReport report;
    const Curve* outline = frame.m_pCurves;
    if (outline == nullptr || outline->next != nullptr || outline->kind != kClosedCurve ||
        outline->first == nullptr) {
        report.problem = "the model's curves are not one closed outline";
        return report;
    }

    // The outline's edges, each as its two vertices in address order.
    std::set<std::pair<const Vertex*, const Vertex*>> outlineEdges;
    double extent = 0.0;
    double offPlane = 0.0;
    for (const CurveLink* l = outline->first; l != nullptr; l = l->next) {
        const Vertex* a = l->vertex;
        const Vertex* b = l->next != nullptr ? l->next->vertex : outline->first->vertex;
        if (a != b) outlineEdges.insert(std::minmax(a, b));
        const Vec3 v = ToView(frame, a->position);
        extent = std::max(extent, std::hypot(v.x, v.y));
        offPlane = std::max(offPlane, std::abs(v.z));
    }
    if (offPlane > 1e-9 * (1.0 + extent)) {
        report.problem = "the outline is not on the view plane (the view turned since)";
        return report;
    }

    // Flood the surface without crossing the outline.
    const std::vector<const Triangle*> list = TriangleList(frame);
    std::unordered_map<const Triangle*, int> position;
    for (size_t i = 0; i < list.size(); ++i) position[list[i]] = static_cast<int>(i);
    std::vector<int> part(list.size(), -1);
    std::vector<double> partHeight;  // mean view depth of the part's triangle centres
    std::vector<int> partSize;
    for (size_t seed = 0; seed < list.size(); ++seed) {
        if (part[seed] >= 0) continue;
        const int id = report.faces++;
        partHeight.push_back(0.0);
        partSize.push_back(0);
        std::vector<int> stack{static_cast<int>(seed)};
        part[seed] = id;
        while (!stack.empty()) {
            const Triangle* t = list[stack.back()];
            stack.pop_back();
            partHeight[id] += ToView(frame, Centre(t)).z;
            ++partSize[id];
            for (int k = 0; k < 3; ++k) {
                if (outlineEdges.count(
                        std::minmax<const Vertex*>(t->corner[k], t->corner[(k + 1) % 3])))
                    continue;
                auto found = position.find(t->neighbour[k]);
                if (found == position.end() || part[found->second] >= 0) continue;
                part[found->second] = id;
                stack.push_back(found->second);
            }
        }
    }
    if (report.faces != 2) {
        report.problem = "the outline divides the surface into " + std::to_string(report.faces) +
                         " parts, not 2";
        return report;
    }

    const int front = partHeight[0] / partSize[0] > partHeight[1] / partSize[1] ? 0 : 1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (part[i] != front) continue;
        ++report.frontTriangles;
        const Triangle* t = list[i];
        const Vec3 p0 = t->corner[0]->position;
        const Vec3 n =
            ToView(frame, Cross(t->corner[1]->position - p0, t->corner[2]->position - p0));
        if (!(n.z < -kEdgeOnSlack * Length(n))) continue;
        // An inflated body bulges a little past its outline where the outline turns
        // in (a star's inner corners, a heart's cleft): the faces there lean over
        // smoothly, each within a few degrees of its neighbours. A fold turns the
        // surface back on itself, and a face there points away from a neighbour.
        if (!FoldsAgainstANeighbour(t)) continue;
        report.reversed.push_back(static_cast<int>(i));
        bool onOutline = false;
        for (int k = 0; k < 3; ++k)
            onOutline |= outlineEdges.count(
                             std::minmax<const Vertex*>(t->corner[k], t->corner[(k + 1) % 3])) > 0;
        report.onOutline += onOutline ? 1 : 0;
        const double degrees = std::asin(std::min(1.0, -n.z / Length(n))) * 180.0 / kPi;
        report.worstDegrees = std::max(report.worstDegrees, degrees);
    }
    return report;
}

std::string FrontFaceReport::Text() const {
    if (!problem.empty()) return problem;
    std::ostringstream s;
    s << reversed.size() << " of " << frontTriangles << " front triangles reversed on screen";
    if (!reversed.empty()) {
        s.precision(3);
        s << " (" << onOutline << " with an edge on the outline; the worst leans " << worstDegrees
          << " degrees past edge-on)";
    }
    for (size_t k = 0; k < reversed.size() && k < kNamed; ++k)
        s << (k == 0 ? ": #" : ", #") << reversed[k];
    if (reversed.size() > kNamed) s << ", ...";
    return s.str();
}

std::string SoundnessFaults(const CMainFrame& frame, bool firstBody) {
    std::string faults;
    const SelfIntersectionReport crossing = SelfIntersections(frame);
    if (!crossing.pairs.empty() || crossing.degenerate > 0) faults += crossing.Text() + "\n";
    if (firstBody) {
        const FrontFaceReport front = ReversedFrontFaces(frame);
        if (!front.problem.empty() || !front.reversed.empty()) faults += front.Text() + "\n";
    }
    return faults;
}
