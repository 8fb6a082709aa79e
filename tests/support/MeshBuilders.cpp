#include "support/MeshBuilders.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

BuiltMesh BuildMesh(CMainFrame& frame, const std::vector<Vec3>& positions,
                    const std::vector<std::array<int, 3>>& faces) {
    BuiltMesh mesh;
    for (const Vec3& p : positions) {
        auto* v = new Vertex;
        v->kind = kSurfaceVertex;
        v->position = p;
        v->next = frame.m_pVertices;
        frame.m_pVertices = v;
        mesh.vertices.push_back(v);
    }
    std::map<std::pair<int, int>, std::pair<Triangle*, int>> edges;
    std::vector<Vec3> normalSum(positions.size());
    for (const auto& f : faces) {
        Triangle* t = PushTriangle(frame.m_pTriangles, mesh.vertices[f[0]], mesh.vertices[f[1]],
                                   mesh.vertices[f[2]]);
        mesh.triangles.push_back(t);
        Vec3 n = Cross(positions[f[1]] - positions[f[0]], positions[f[2]] - positions[f[0]]);
        double len = Length(n);
        if (len > 0) n = n / len;
        for (int k = 0; k < 3; ++k) {
            normalSum[f[k]] += n;
            int a = f[k];
            int b = f[(k + 1) % 3];
            auto twin = edges.find({b, a});
            if (twin != edges.end()) {
                t->neighbour[k] = twin->second.first;
                twin->second.first->neighbour[twin->second.second] = t;
                edges.erase(twin);
            } else {
                edges[{a, b}] = {t, k};
            }
        }
    }
    for (size_t i = 0; i < positions.size(); ++i) {
        double len = Length(normalSum[i]);
        mesh.vertices[i]->normal = len > 0 ? normalSum[i] / len : Vec3{0, 0, 1};
    }
    return mesh;
}

BuiltMesh MakeIcosphere(CMainFrame& frame, double radius, int subdivisions, Vec3 centre) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> p = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0},
                           {0, -1, t}, {0, 1, t},  {0, -1, -t}, {0, 1, -t},
                           {t, 0, -1}, {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    std::vector<std::array<int, 3>> f = {
        {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (auto& q : p) q = q / Length(q);
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int, int>, int> mid;
        auto midpoint = [&](int a, int b) {
            std::pair<int, int> key = std::minmax(a, b);
            auto it = mid.find(key);
            if (it != mid.end()) return it->second;
            Vec3 m = 0.5 * (p[a] + p[b]);
            p.push_back(m / Length(m));
            mid[key] = static_cast<int>(p.size()) - 1;
            return static_cast<int>(p.size()) - 1;
        };
        std::vector<std::array<int, 3>> g;
        for (const auto& tri : f) {
            int ab = midpoint(tri[0], tri[1]);
            int bc = midpoint(tri[1], tri[2]);
            int ca = midpoint(tri[2], tri[0]);
            g.push_back({tri[0], ab, ca});
            g.push_back({tri[1], bc, ab});
            g.push_back({tri[2], ca, bc});
            g.push_back({ab, bc, ca});
        }
        f = std::move(g);
    }
    for (auto& q : p) q = centre + radius * q;
    BuiltMesh mesh = BuildMesh(frame, p, f);
    frame.m_nModelState = 2;
    return mesh;
}

Curve* AddCurve(CMainFrame& frame, const std::vector<Vertex*>& vertices, int kind,
                int vertexKind) {
    auto* c = new Curve;
    c->kind = kind;
    for (Vertex* v : vertices) {
        auto* l = new CurveLink;
        l->vertex = v;
        v->kind = vertexKind;
        if (c->last) c->last->next = l; else c->first = l;
        c->last = l;
    }
    c->next = frame.m_pCurves;
    frame.m_pCurves = c;
    return c;
}

Curve* PushStroke(CMainFrame& frame, const std::vector<std::pair<double, double>>& points,
                  int kind) {
    auto* curve = new Curve;
    curve->kind = kind;
    for (const auto& [x, y] : points) AppendCurvePoint(frame, curve, x, y);
    curve->next = frame.m_pCurves;
    frame.m_pCurves = curve;
    return curve;
}

Bounds ModelBounds(const CMainFrame& frame) {
    Vec3 lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    for (const Vertex* v = frame.m_pVertices; v; v = v->next) {
        lo = {std::min(lo.x, v->position.x), std::min(lo.y, v->position.y),
              std::min(lo.z, v->position.z)};
        hi = {std::max(hi.x, v->position.x), std::max(hi.y, v->position.y),
              std::max(hi.z, v->position.z)};
    }
    return {lo, hi};
}

int CountVertices(const CMainFrame& frame) {
    int n = 0;
    for (Vertex* v = frame.m_pVertices; v; v = v->next) ++n;
    return n;
}

int CountCurves(const CMainFrame& frame) {
    int n = 0;
    for (Curve* c = frame.m_pCurves; c; c = c->next) ++n;
    return n;
}

int CountTriangles(const CMainFrame& frame) {
    int n = 0;
    for (Triangle* t = frame.m_pTriangles; t; t = t->next) ++n;
    return n;
}

int CountLinks(const Curve* curve) {
    int n = 0;
    for (CurveLink* l = curve->first; l; l = l->next) ++n;
    return n;
}
