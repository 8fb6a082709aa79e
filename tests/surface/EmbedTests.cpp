#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "app/MainFrame.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
    double x;
    double y;
};

// Points every `step` units along the straight line from a to b, both ends included.
std::vector<Pt> Line(Pt a, Pt b, double step = 10.0) {
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    const int n = std::max(1, static_cast<int>(std::ceil(len / step)));
    std::vector<Pt> pts;
    for (int i = 0; i <= n; ++i) {
        const double s = static_cast<double>(i) / n;
        pts.push_back({a.x + s * (b.x - a.x), a.y + s * (b.y - a.y)});
    }
    return pts;
}

// A loop of samples about `step` apart, counter-clockwise, not repeating its start.
std::vector<Pt> Circle(Pt c, double r, double step = 10.0) {
    const int n = std::max(3, static_cast<int>(std::round(2 * kPi * r / step)));
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        pts.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    return pts;
}

double DistToSegment(const Vec3& p, const Vec3& a, const Vec3& b) {
    const Vec3 ab = b - a;
    double t = Dot(p - a, ab) / Dot(ab, ab);
    t = std::clamp(t, 0.0, 1.0);
    return Length(p - (a + t * ab));
}

// A closed cube of side 100 centred on the origin, each face an n x n grid, corners
// counter-clockwise seen from outside.
void MakeCube(CMainFrame& frame, int n) {
    std::map<std::tuple<int, int, int>, int> index;
    std::vector<Vec3> positions;
    auto id = [&](int i, int j, int k) {
        auto key = std::make_tuple(i, j, k);
        auto it = index.find(key);
        if (it != index.end()) return it->second;
        positions.push_back({-50.0 + 100.0 * i / n, -50.0 + 100.0 * j / n, -50.0 + 100.0 * k / n});
        index[key] = static_cast<int>(positions.size()) - 1;
        return static_cast<int>(positions.size()) - 1;
    };
    // Each face maps grid (a, b) to lattice points so that a x b points outwards.
    auto faces6 = [n](int face, int a, int b) -> std::tuple<int, int, int> {
        switch (face) {
        case 0:
            return {a, b, n};
        case 1:
            return {b, a, 0};
        case 2:
            return {n, a, b};
        case 3:
            return {0, b, a};
        case 4:
            return {b, n, a};
        default:
            return {a, 0, b};
        }
    };
    std::vector<std::array<int, 3>> faces;
    for (int face = 0; face < 6; ++face) {
        for (int a = 0; a < n; ++a) {
            for (int b = 0; b < n; ++b) {
                auto p = [&](int da, int db) {
                    auto [i, j, k] = faces6(face, a + da, b + db);
                    return id(i, j, k);
                };
                const int p00 = p(0, 0), p10 = p(1, 0), p11 = p(1, 1), p01 = p(0, 1);
                faces.push_back({p00, p10, p11});
                faces.push_back({p00, p11, p01});
            }
        }
    }
    BuildMesh(frame, positions, faces);
    frame.m_nModelState = 2;
}

class EmbedTest : public ::testing::Test, public TestFrame {
protected:
    // Pushes a stroke of the given kind, its samples in work x and y, as the head of
    // the curve list with its points at the front of the vertex list.
    Curve* PushStroke(const std::vector<Pt>& pts, int kind) {
        std::vector<std::pair<double, double>> points;
        for (const Pt& p : pts) points.emplace_back(p.x, p.y);
        return ::PushStroke(frame, points, kind);
    }

    void SetView(double azDeg, double elDeg) {
        frame.m_nAzimuth = static_cast<int>(azDeg);
        frame.m_nElevation = static_cast<int>(elDeg);
        frame.ComputeViewMatrix();
    }

    Vec3 View(const Vec3& p) const {
        const double* t = frame.m_ViewMatrix;
        return {t[3] * p.x + t[2] * p.z, t[4] * p.x + t[1] * p.y - t[5] * p.z,
                -t[6] * p.x + t[0] * p.y + t[7] * p.z};
    }

    // Everything a user could tell apart: kinds, positions, normals, list orders,
    // corners, neighbours, chains and ModelState (scratch fields excluded).
    std::string Dump() const {
        std::map<const Vertex*, int> vi;
        std::map<const Triangle*, int> ti;
        int n = 0;
        for (const Vertex* v = frame.m_pVertices; v; v = v->next) vi[v] = n++;
        n = 0;
        for (const Triangle* t = frame.m_pTriangles; t; t = t->next) ti[t] = n++;
        auto idx = [](const auto& map, const auto* p) {
            auto it = map.find(p);
            return it == map.end() ? -1 : it->second;
        };
        std::string out = "state " + std::to_string(frame.m_nModelState) + "\n";
        char buf[256];
        for (const Vertex* v = frame.m_pVertices; v; v = v->next) {
            std::snprintf(buf, sizeof buf, "v %d %.17g %.17g %.17g %.17g %.17g %.17g\n", v->kind,
                          v->position.x, v->position.y, v->position.z, v->normal.x, v->normal.y,
                          v->normal.z);
            out += buf;
        }
        for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
            std::snprintf(buf, sizeof buf, "t %d %d %d %d %d %d\n", idx(vi, t->corner[0]),
                          idx(vi, t->corner[1]), idx(vi, t->corner[2]), idx(ti, t->neighbour[0]),
                          idx(ti, t->neighbour[1]), idx(ti, t->neighbour[2]));
            out += buf;
        }
        for (const Curve* c = frame.m_pCurves; c; c = c->next) {
            out += "c " + std::to_string(c->kind) + ":";
            for (const CurveLink* l = c->first; l; l = l->next)
                out += " " + std::to_string(idx(vi, l->vertex));
            out += "\n";
        }
        return out;
    }

    // Runs the embedding as the placing operations do and turns its ModelState into
    // theirs (1 after a closed curve, 2 otherwise), so the checker sees a model at
    // rest. Returns the ModelState the embedding itself left.
    int EmbedAndPlace() {
        frame.EmbedStroke();
        const int raw = frame.m_nModelState;
        frame.m_nModelState = raw == 2 ? 1 : 2;
        return raw;
    }

    struct Counts {
        int vertices, triangles, curves;
    };
    Counts Count() const {
        return {CountVertices(frame), CountTriangles(frame), CountCurves(frame)};
    }

    // The stroke became a curve of k vertices adding k vertices and 2k triangles.
    void ExpectEmbedded(const Counts& before, int kind, int beepsBefore = 0) {
        ASSERT_EQ(host.beeps, beepsBefore);
        Curve* c = frame.m_pCurves;
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, kind);
        const int k = CountLinks(c);
        EXPECT_GE(k, 2);
        const Counts after = Count();
        EXPECT_EQ(after.vertices, before.vertices + k);
        EXPECT_EQ(after.triangles, before.triangles + 2 * k);
        EXPECT_EQ(after.curves, before.curves + 1);
        for (CurveLink* l = c->first; l; l = l->next) EXPECT_EQ(l->vertex->kind, kSmoothVertex);
        EXPECT_EQ(ValidateModel(frame), "");
    }

    // Embeds the stroke and judges whichever way it went: embedded as a curve, or
    // dropped with the beep and the model exactly as it was. True when embedded.
    bool EmbedOrRefuseCleanly(const std::vector<Pt>& pts, int kind) {
        const std::string before = Dump();
        const Counts counts = Count();
        const int beeps = host.beeps;
        PushStroke(pts, kind);
        EmbedAndPlace();
        if (host.beeps == beeps) {
            ExpectEmbedded(counts, frame.m_pCurves->kind, beeps);
            return true;
        }
        frame.m_nModelState = 2;
        EXPECT_EQ(Dump(), before);
        return false;
    }
};

TEST_F(EmbedTest, ClosedStrokeAroundFrontRegionOfSphere) {
    MakeIcosphere(frame, 100.0, 4);
    const Counts before = Count();
    const Pt centre{10, 5};
    PushStroke(Circle(centre, 40.0), kClosedCurve);
    EXPECT_EQ(EmbedAndPlace(), 2);  // a closed curve leaves ModelState alone
    ExpectEmbedded(before, kClosedCurve);
    EXPECT_EQ(frame.m_nModelState, 1);
    // Curve vertices only slide along the curve when faired, so they still show on
    // the drawn loop, on the front of the body.
    int k = 0;
    for (CurveLink* l = frame.m_pCurves->first; l; l = l->next, ++k) {
        const Vec3 p = l->vertex->position;
        EXPECT_NEAR(std::hypot(p.x - centre.x, p.y - centre.y), 40.0, 1.5);
        EXPECT_GT(p.z, 50.0);
    }
    EXPECT_GT(k, 10);  // one vertex in every second triangle of a long path
}

TEST_F(EmbedTest, PlacingOperationsTurnTheOutcomeIntoModelState) {
    // Through close-and-place a closed curve waits (1); through keep-open-and-place
    // an open curve or a dropped stroke leaves the model idle (2).
    MakeIcosphere(frame, 100.0, 3);
    Counts before = Count();
    std::vector<Pt> loop = Circle({-10, 10}, 35.0);
    loop.pop_back();  // released short of its start: close-and-place fills the gap
    loop.pop_back();
    PushStroke(loop, kStrokeCurve);
    frame.CloseAndPlace();
    EXPECT_EQ(frame.m_nModelState, 1);
    ExpectEmbedded(before, kClosedCurve);

    frame.m_nModelState = 2;
    before = Count();
    PushStroke(Line({-50, -40}, {40, -30}), kStrokeCurve);
    frame.KeepOpenAndPlace();
    EXPECT_EQ(frame.m_nModelState, 2);
    ExpectEmbedded(before, kOpenCurve);

    const std::string placed = Dump();
    PushStroke(Line({110, -40}, {140, 60}), kStrokeCurve);
    frame.KeepOpenAndPlace();
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(frame.m_nModelState, 2);
    EXPECT_EQ(Dump(), placed);
}

TEST_F(EmbedTest, ClosedStrokeOnFlatFaceStaysInItsPlane) {
    MakeCube(frame, 8);
    ASSERT_EQ(ValidateModel(frame), "");
    const Counts before = Count();
    PushStroke(Circle({1.3, 0.7}, 30.0), kClosedCurve);
    EXPECT_EQ(EmbedAndPlace(), 2);
    ExpectEmbedded(before, kClosedCurve);
    for (CurveLink* l = frame.m_pCurves->first; l; l = l->next) {
        EXPECT_NEAR(l->vertex->position.z, 50.0, 1e-9);
        EXPECT_NEAR(std::hypot(l->vertex->position.x - 1.3, l->vertex->position.y - 0.7), 30.0,
                    1.5);
    }
}

TEST_F(EmbedTest, StrokeHandedOverAsARingIsEmbeddedOrDropped) {
    // Close-and-place passes its stroke on with the chain closed into a ring.
    MakeIcosphere(frame, 100.0, 3);
    const Counts before = Count();
    Curve* over = PushStroke(Circle({0, 0}, 30.0), kClosedCurve);
    over->last->next = over->first;
    EXPECT_EQ(EmbedAndPlace(), 2);
    ExpectEmbedded(before, kClosedCurve);
    EXPECT_EQ(frame.m_pCurves->last->next, nullptr);

    frame.m_nModelState = 2;
    const std::string placed = Dump();
    Curve* beside = PushStroke(Circle({130, 0}, 10.0), kClosedCurve);
    beside->last->next = beside->first;
    frame.EmbedStroke();
    EXPECT_EQ(host.beeps, 1);
    frame.m_nModelState = 2;
    EXPECT_EQ(Dump(), placed);
}

TEST_F(EmbedTest, OpenStrokeEndsOnMeshEdgesAndIsBuiltBackwards) {
    BuiltMesh mesh = MakeIcosphere(frame, 100.0, 3);
    std::vector<std::pair<Vec3, Vec3>> edges;
    for (Triangle* t : mesh.triangles)
        for (int k = 0; k < 3; ++k)
            edges.push_back({t->corner[k]->position, t->corner[(k + 1) % 3]->position});
    const Counts before = Count();
    const Pt a{-40, -10}, b{40, 12};
    PushStroke(Line(a, b), kOpenCurve);
    EXPECT_EQ(EmbedAndPlace(), 1);  // an open curve sets ModelState 1
    ExpectEmbedded(before, kOpenCurve);
    EXPECT_EQ(frame.m_nModelState, 2);

    // Both ends are fixed in fairing; each was made where the stroke crossed an edge
    // of the original mesh.
    auto onOriginalEdge = [&](const Vec3& p) {
        double best = 1e300;
        for (const auto& [u, w] : edges) best = std::min(best, DistToSegment(p, u, w));
        return best;
    };
    const Vec3 first = frame.m_pCurves->first->vertex->position;
    const Vec3 last = frame.m_pCurves->last->vertex->position;
    EXPECT_LT(onOriginalEdge(first), 1e-9);
    EXPECT_LT(onOriginalEdge(last), 1e-9);
    // The start search looks at the stroke's last point first, so the curve runs from
    // the stroke's end back to its start.
    EXPECT_LT(std::hypot(first.x - b.x, first.y - b.y), 10.0);
    EXPECT_LT(std::hypot(last.x - a.x, last.y - a.y), 10.0);
    // Every vertex shows on the straight stroke.
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    for (CurveLink* l = frame.m_pCurves->first; l; l = l->next) {
        const Vec3 p = l->vertex->position;
        EXPECT_NEAR(((p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x)) / len, 0.0, 1e-9);
    }
}

TEST_F(EmbedTest, StrokeAcrossTheSilhouetteClosesAroundTheBody) {
    // Seen from an angle, a straight stroke across the whole outline is walked over
    // the front, past the silhouette, along the back and round to where it began.
    MakeIcosphere(frame, 100.0, 3);
    SetView(40, 25);
    const Counts before = Count();
    PushStroke(Line({-150, 10}, {150, 10}), kOpenCurve);
    EXPECT_EQ(EmbedAndPlace(), 2);
    ExpectEmbedded(before, kClosedCurve);
    int front = 0, back = 0;
    for (CurveLink* l = frame.m_pCurves->first; l; l = l->next) {
        const Vec3 v = View(l->vertex->position);
        EXPECT_NEAR(v.y, 10.0, 1e-9);
        (v.z > 0 ? front : back)++;
    }
    EXPECT_GT(front, 5);
    EXPECT_GT(back, 5);
}

TEST_F(EmbedTest, UnusableStrokesChangeNothingAndBeep) {
    // The mesh is rebuilt identically for every case; find a front triangle, its
    // centroid and the middle of its edge 0 once.
    BuiltMesh mesh = MakeIcosphere(frame, 100.0, 2);
    Triangle* t = nullptr;
    for (Triangle* u : mesh.triangles)
        if (u->corner[0]->position.z > 80 && u->corner[1]->position.z > 80 &&
            u->corner[2]->position.z > 80)
            t = u;
    ASSERT_NE(t, nullptr);
    Vec3 q[3];
    for (int k = 0; k < 3; ++k) q[k] = t->corner[k]->position;
    const Vec3 c = (q[0] + q[1] + q[2]) / 3.0;
    const Vec3 m = 0.5 * (q[0] + q[1]);
    const Vec3 in = c - m;  // from edge 0 towards the inside of t
    auto at = [](const Vec3& p) { return Pt{p.x, p.y}; };

    struct Case {
        const char* name;
        std::vector<Pt> pts;
        int kind;
    };
    const std::vector<Case> cases = {
        {"off the model", Line({120, -40}, {130, 40}), kOpenCurve},
        {"off the model, closed", Circle({-130, 0}, 10.0), kClosedCurve},
        {"inside one triangle", {at(c), at(c + 0.3 * in)}, kOpenCurve},
        {"inside one triangle, closed",
         {at(c + 0.3 * (q[0] - c)), at(c + 0.3 * (q[1] - c)), at(c + 0.3 * (q[2] - c))},
         kClosedCurve},
        // Its end vertex would fall on the very point of its first one.
        {"across one edge only", {at(m + 0.2 * in), at(m - 0.2 * in)}, kOpenCurve},
        {"across one edge only, closed", {at(m + 0.2 * in), at(m - 0.2 * in)}, kClosedCurve},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ReleaseModel(frame);
        MakeIcosphere(frame, 100.0, 2);
        AddCurve(frame, {frame.m_pVertices, frame.m_pVertices->next}, kOpenCurve);
        const std::string before = Dump();
        const int beeps = host.beeps;
        PushStroke(k.pts, k.kind);
        frame.EmbedStroke();
        EXPECT_EQ(host.beeps, beeps + 1);
        EXPECT_EQ(frame.m_nModelState, 1);
        frame.m_nModelState = 2;
        EXPECT_EQ(Dump(), before);
        EXPECT_EQ(ValidateModel(frame), "");
    }
}

TEST_F(EmbedTest, WalkIntoBrokenMeshRestoresEverything) {
    // Each case breaks the mesh in the stroke's path, or far from it so that the
    // fairing after the walk runs away; the embedding must notice, put the model back
    // exactly as it was (broken part included) and drop the stroke.
    enum Break { NullNeighbours, WrongNeighbour, ForeignCorner, RunawayFairing };
    for (Break kind : {NullNeighbours, WrongNeighbour, ForeignCorner, RunawayFairing}) {
        SCOPED_TRACE(kind);
        ReleaseModel(frame);
        MakeIcosphere(frame, 100.0, 3);
        Triangle* target = nullptr;
        for (Vertex* v = frame.m_pVertices; v; v = v->next) v->work = View(v->position);
        {
            Vertex probe;
            probe.work = {2.5, 1.5, 0};
            CurveLink link;
            link.vertex = &probe;
            target = frame.PickTriangle(&link);
        }
        ASSERT_NE(target, nullptr);
        Triangle* far = frame.m_pTriangles;  // some triangle elsewhere
        while (far == target || far->neighbour[0] == target || far->neighbour[1] == target ||
               far->neighbour[2] == target)
            far = far->next;
        switch (kind) {
        case NullNeighbours:
            target->neighbour[0] = target->neighbour[1] = target->neighbour[2] = nullptr;
            break;
        case WrongNeighbour:
            for (int k = 0; k < 3; ++k) target->neighbour[k] = far;
            break;
        case ForeignCorner:
            for (int k = 0; k < 3; ++k) target->corner[k] = far->corner[k];
            break;
        case RunawayFairing:
            for (Vertex* v = frame.m_pVertices; v; v = v->next)
                if (v->position.z < -99.0) v->position = 1e300 * v->normal;
            break;
        }
        const std::string before = Dump();
        const int vertices = CountVertices(frame);
        const int beeps = host.beeps;
        PushStroke(Line({-60, 0}, {60, 3}), kOpenCurve);
        frame.EmbedStroke();
        EXPECT_EQ(host.beeps, beeps + 1);
        EXPECT_EQ(frame.m_nModelState, 1);
        frame.m_nModelState = 2;
        EXPECT_EQ(Dump(), before);
        EXPECT_EQ(CountVertices(frame), vertices);
    }
}

TEST_F(EmbedTest, StrokesCrossingTheirOwnPathAreEmbedded) {
    // Each of these comes back into triangles that its walk has already re-cut; the
    // crossings there are tested against the walk's own new vertices, which must
    // carry their view coordinates from the moment they are made.
    const std::vector<std::vector<Pt>> strokes = {
        {{-2.6, 26.1}, {6.2, 30.9},  {8.3, 21.1},  {17.5, 17.2}, {16.5, 7.3},  {26.0, 4.2},
         {28.2, 13.9}, {23.1, 22.5}, {24.3, 32.4}, {33.1, 27.7}, {36.5, 18.3}, {36.0, 8.3},
         {26.5, 5.3},  {16.8, 7.8},  {18.2, 17.7}, {15.1, 27.2}, {6.0, 23.2},  {-3.3, 19.4},
         {-8.3, 10.8}, {-13.6, 2.3}, {-4.1, -0.9}, {3.3, 5.8},   {12.9, 3.0},  {11.5, -6.9}},
        {{49.8, -8.8},  {50.7, -18.7}, {57.0, -26.6}, {63.3, -18.9}, {56.3, -11.8}, {52.5, -21.0},
         {58.1, -29.3}, {68.0, -31.0}, {76.1, -36.8}, {77.1, -46.8}, {67.4, -44.4}, {58.0, -40.9},
         {57.3, -30.9}, {47.8, -27.7}, {38.7, -31.8}, {36.3, -22.1}, {45.1, -17.4}, {40.7, -8.4},
         {30.9, -6.3},  {21.1, -4.2},  {14.2, 3.0}},
    };
    for (const auto& pts : strokes) {
        ReleaseModel(frame);
        MakeIcosphere(frame, 100.0, 2);
        const Counts before = Count();
        PushStroke(pts, kOpenCurve);
        const int state = EmbedAndPlace();
        // A walk whose path runs back through its first triangle closes there.
        const int kind = frame.m_pCurves->kind;
        EXPECT_EQ(state, kind == kClosedCurve ? 2 : 1);
        ExpectEmbedded(before, kind);
    }
}

TEST_F(EmbedTest, WigglyAndSelfCrossingStrokesLeaveASoundModel) {
    // Strokes that cross the same edges back and forth, or their own path, send the
    // walk into triangles it has already re-cut.
    std::vector<std::pair<std::vector<Pt>, int>> strokes;
    std::vector<Pt> zigzag;
    for (int i = 0; i <= 16; ++i) zigzag.push_back({-64.0 + 8.0 * i, (i % 2 ? 5.0 : -5.0)});
    strokes.push_back({zigzag, kOpenCurve});
    std::vector<Pt> eight;
    for (int i = 0; i < 40; ++i) {
        const double a = 2 * kPi * i / 40;
        eight.push_back({60 * std::sin(a), 30 * std::sin(2 * a)});
    }
    strokes.push_back({eight, kClosedCurve});
    std::vector<Pt> spiral;
    for (int i = 0; i < 50; ++i) {
        const double a = 0.35 * i;
        spiral.push_back({(10 + 1.2 * i) * std::cos(a), (10 + 1.2 * i) * std::sin(a)});
    }
    strokes.push_back({spiral, kOpenCurve});
    int embedded = 0;
    for (int subdivisions : {2, 3}) {
        for (const auto& [pts, kind] : strokes) {
            ReleaseModel(frame);
            MakeIcosphere(frame, 100.0, subdivisions);
            if (EmbedOrRefuseCleanly(pts, kind)) ++embedded;
            EXPECT_EQ(ValidateModel(frame), "");
        }
    }
    EXPECT_GT(embedded, 0);
}

TEST_F(EmbedTest, ManyRandomStrokesAtRandomViewsKeepTheModelSound) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // `steps` samples 10 apart from a random start in a square `extent` wide round the
    // middle, the heading turning by up to half of `turn` either way at each step.
    auto walk = [&](double extent, int steps, double turn) {
        std::vector<Pt> walked;
        Pt p{extent * unit(rng) - extent / 2, extent * unit(rng) - extent / 2};
        double heading = 2 * kPi * unit(rng);
        for (int i = 0; i < steps; ++i) {
            walked.push_back(p);
            heading += turn * (unit(rng) - 0.5);
            p = {p.x + 10 * std::cos(heading), p.y + 10 * std::sin(heading)};
        }
        return walked;
    };
    MakeIcosphere(frame, 100.0, 3);
    int embedded = 0, dropped = 0;
    for (int n = 0; n < 32; ++n) {
        SCOPED_TRACE(n);
        SetView(std::floor(360 * unit(rng)), std::floor(180 * unit(rng)) - 90);
        std::vector<Pt> pts;
        int kind = kOpenCurve;
        switch (n % 4) {
        case 0:
            pts = Circle({120 * unit(rng) - 60, 120 * unit(rng) - 60}, 15 + 50 * unit(rng));
            kind = kClosedCurve;
            break;
        case 1:
            pts = walk(160, 12, 0.8);
            break;
        case 2:
            // A scribble that turns sharply and crosses itself.
            pts = walk(100, 30, 5.0);
            kind = (unit(rng) < 0.5) ? kOpenCurve : kClosedCurve;
            break;
        default:
            pts = Line({300 * unit(rng) - 150, 300 * unit(rng) - 150},
                       {300 * unit(rng) - 150, 300 * unit(rng) - 150});
            break;
        }
        if (EmbedOrRefuseCleanly(pts, kind))
            ++embedded;
        else
            ++dropped;
        ASSERT_EQ(ValidateModel(frame), "");
        frame.m_nModelState = 2;  // accept a waiting closed curve, as a click does
    }
    EXPECT_GT(embedded, 10);
    std::printf("random strokes: %d embedded, %d dropped\n", embedded, dropped);
}

}  // namespace

TEST_F(EmbedTest, SmallLoopsThatGrazeTriangleEdgesStayClosed) {
    // Small loops on a fine mesh often graze an edge with a single sample beyond it and
    // come straight back; the walk must pass over such a dip instead of stopping in a
    // triangle whose only way out is the edge it came in by (which left half a loop as
    // an open curve).
    int cases = 0;
    for (double r : {12.0, 18.0, 25.0}) {
        for (double cx : {-20.0, 0.0, 15.0}) {
            for (double cy : {-15.0, 5.0, 20.0}) {
                ReleaseModel(frame);
                MakeIcosphere(frame, 100.0, 4);
                const Counts before = Count();
                PushStroke(Circle({cx, cy}, r), kClosedCurve);
                EXPECT_EQ(EmbedAndPlace(), 2) << "loop r " << r << " at " << cx << ", " << cy;
                EXPECT_EQ(frame.m_pCurves->kind, kClosedCurve);
                ExpectEmbedded(before, kClosedCurve);
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, 27);
}
