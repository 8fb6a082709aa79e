#include "edit/EditTestSupport.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

Vec3 ViewRight(const CMainFrame& frame) {
    const double* T = frame.m_ViewMatrix;
    return {T[3], 0.0, T[2]};
}

Vec3 ViewToward(const CMainFrame& frame) {
    const double* T = frame.m_ViewMatrix;
    return {-T[6], T[0], T[7]};
}

std::vector<Vertex*> RegionBorder(const BuiltMesh& mesh,
                                  const std::function<bool(const Triangle*)>& inRegion) {
    std::map<Vertex*, Vertex*> after;
    for (const Triangle* t : mesh.triangles) {
        if (!inRegion(t)) continue;
        for (int k = 0; k < 3; ++k) {
            if (t->neighbour[k] && inRegion(t->neighbour[k])) continue;
            if (!after.emplace(t->corner[k], t->corner[(k + 1) % 3]).second) return {};
        }
    }
    if (after.empty()) return {};
    std::vector<Vertex*> loop;
    Vertex* v = after.begin()->first;
    do {
        loop.push_back(v);
        auto it = after.find(v);
        if (it == after.end() || loop.size() > after.size()) return {};
        v = it->second;
    } while (v != loop.front());
    if (loop.size() != after.size()) return {};
    return loop;
}

std::set<const Triangle*> CleanCap(const BuiltMesh& mesh, Vec3 axis, double height, double step,
                                   double limit) {
    for (double h = height; h <= limit; h += step) {
        std::set<const Triangle*> region;
        for (const Triangle* t : mesh.triangles) {
            const Vec3 c = (t->corner[0]->position + t->corner[1]->position + t->corner[2]->position) / 3.0;
            if (Dot(c, axis) > h) region.insert(t);
        }
        // Shave spikes (region triangles with two outside neighbours) and fill
        // notches (the reverse); these are what leave edges across the border.
        for (bool changed = true; changed;) {
            changed = false;
            for (const Triangle* t : mesh.triangles) {
                int inside = 0;
                for (const Triangle* n : t->neighbour) inside += region.count(n) ? 1 : 0;
                if (region.count(t) && inside <= 1) {
                    region.erase(t);
                    changed = true;
                } else if (!region.count(t) && inside >= 2) {
                    region.insert(t);
                    changed = true;
                }
            }
        }
        const std::vector<Vertex*> loop =
            RegionBorder(mesh, [&](const Triangle* t) { return region.count(t) > 0; });
        if (loop.size() < 3) continue;
        std::map<const Vertex*, size_t> at;
        for (size_t i = 0; i < loop.size(); ++i) at[loop[i]] = i;
        bool clean = true;
        for (const Triangle* t : mesh.triangles) {
            for (int k = 0; k < 3 && clean; ++k) {
                auto a = at.find(t->corner[k]);
                auto b = at.find(t->corner[(k + 1) % 3]);
                if (a == at.end() || b == at.end()) continue;
                const size_t d = (a->second + loop.size() - b->second) % loop.size();
                clean = d == 1 || d == loop.size() - 1;
            }
        }
        if (clean) return region;
    }
    return {};
}

std::set<Vertex*> RegionInterior(const BuiltMesh& mesh,
                                 const std::function<bool(const Triangle*)>& inRegion) {
    std::set<Vertex*> inside;
    std::set<Vertex*> outside;
    for (const Triangle* t : mesh.triangles)
        for (Vertex* c : t->corner) (inRegion(t) ? inside : outside).insert(c);
    std::set<Vertex*> interior;
    for (Vertex* v : inside)
        if (!outside.count(v)) interior.insert(v);
    return interior;
}

Curve* PushStroke(CMainFrame& frame, const std::vector<Vec3>& viewPoints) {
    std::vector<std::pair<double, double>> samples;
    for (const Vec3& p : viewPoints) samples.emplace_back(p.x, p.y);
    return PushStroke(frame, samples);
}

std::vector<Vec3> SampleSegment(Vec3 a, Vec3 b, double step) {
    const int n = std::max(1, static_cast<int>(std::ceil(Length(b - a) / step)));
    std::vector<Vec3> points;
    for (int i = 0; i <= n; ++i) points.push_back(a + (static_cast<double>(i) / n) * (b - a));
    return points;
}

std::vector<Vec3> ArcProfile(const Vec3& top, const Vec3& bottom) {
    const Vec3 s = top + Vec3{0, 6, 0};
    const Vec3 e = bottom + Vec3{0, -6, 0};
    const double cy = 0.5 * (s.y + e.y);
    const double cx = s.x + (s.y - cy);  // s lies at 135 degrees round the centre
    const double a0 = std::atan2(s.y - cy, s.x - cx);
    const double a1 = std::atan2(e.y - cy, e.x - cx) + (e.y < cy ? 0.0 : -2 * M_PI);
    const double r0 = std::hypot(s.x - cx, s.y - cy);
    const double r1 = std::hypot(e.x - cx, e.y - cy);
    const int n = static_cast<int>(std::ceil(r0 * (a0 - a1) / 10.0));
    std::vector<Vec3> points;
    for (int i = 0; i <= n; ++i) {
        const double u = static_cast<double>(i) / n;
        const double a = a0 + u * (a1 - a0);
        const double r = r0 + u * (r1 - r0);
        points.push_back({cx + r * std::cos(a), cy + r * std::sin(a), 0});
    }
    return points;
}

std::string PrintModel(const CMainFrame& frame) {
    std::map<const Vertex*, int> vi;
    std::map<const Triangle*, int> ti;
    for (const Vertex* v = frame.m_pVertices; v; v = v->next) vi.emplace(v, static_cast<int>(vi.size()));
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) ti.emplace(t, static_cast<int>(ti.size()));
    auto vertexIndex = [&](const Vertex* v) { auto it = vi.find(v); return it == vi.end() ? -1 : it->second; };
    auto triangleIndex = [&](const Triangle* t) { auto it = ti.find(t); return it == ti.end() ? -1 : it->second; };
    std::ostringstream out;
    out.precision(17);
    out << "state " << frame.m_nModelState << "\n";
    for (const Vertex* v = frame.m_pVertices; v; v = v->next)
        out << "v " << v->kind << ' ' << v->position.x << ' ' << v->position.y << ' ' << v->position.z << ' '
            << v->normal.x << ' ' << v->normal.y << ' ' << v->normal.z << "\n";
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
        out << "t";
        for (const Vertex* c : t->corner) out << ' ' << vertexIndex(c);
        for (const Triangle* n : t->neighbour) out << ' ' << triangleIndex(n);
        out << "\n";
    }
    for (const Curve* c = frame.m_pCurves; c; c = c->next) {
        out << "c " << c->kind;
        for (const CurveLink* l = c->first; l; l = l->next) out << ' ' << vertexIndex(l->vertex);
        out << "\n";
    }
    return out.str();
}

std::string CheckNoLeftovers(const CMainFrame& frame) {
    std::set<const Vertex*> corners;
    std::ostringstream out;
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
        if (t->mark) out << "a marked triangle remains\n";
        for (const Vertex* c : t->corner) corners.insert(c);
    }
    for (const Vertex* v = frame.m_pVertices; v; v = v->next) {
        if (v->kind == kRemovedVertex) out << "a vertex of kind 3 remains\n";
        if (!corners.count(v)) out << "a vertex belongs to no triangle\n";
    }
    for (const Curve* c = frame.m_pCurves; c; c = c->next)
        for (const CurveLink* l = c->first; l; l = l->next)
            if (l->vertex->kind == kRemovedVertex) out << "a curve holds a vertex of kind 3\n";
    return out.str();
}

std::string CheckObjClosed(const std::string& path, int* faces) {
    std::ifstream in(path);
    if (!in) return "cannot open " + path;
    std::map<std::pair<int, int>, int> directed;
    std::string line;
    int vertices = 0;
    int faceCount = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        if (tag == "v") {
            ++vertices;
        } else if (tag == "f") {
            int a = 0, b = 0, c = 0;
            if (!(words >> a >> b >> c)) return "bad face line: " + line;
            if (a < 1 || b < 1 || c < 1 || a > vertices || b > vertices || c > vertices)
                return "face index out of range: " + line;
            ++directed[{a, b}];
            ++directed[{b, c}];
            ++directed[{c, a}];
            ++faceCount;
        }
    }
    if (faces) *faces = faceCount;
    if (faceCount == 0) return "no faces";
    for (const auto& [edge, count] : directed) {
        if (count != 1) return "a directed edge occurs more than once";
        auto reverse = directed.find({edge.second, edge.first});
        if (reverse == directed.end()) return "an edge has a face on one side only";
    }
    return "";
}
