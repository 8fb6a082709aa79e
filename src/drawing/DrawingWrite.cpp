#include <charconv>
#include <cstdint>
#include <cstring>

#include "app/MainFrame.h"
#include "drawing/Drawing.h"
#include "model/PointerMap.h"

namespace {

class DrawingWriter {
public:
    explicit DrawingWriter(std::string& out) : m_out(out) {}

    // Hexadecimal floating point, as short as exact: every double comes back with the
    // same bits, -0 and subnormals included. The text is what std::to_chars writes; a
    // normal number is spelled out here from its bits, which takes a fifth of the time
    // and keeps the autosave of a large body well inside one frame.
    DrawingWriter& Real(double value) {
        Space();
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        const int biased = static_cast<int>((bits >> 52) & 0x7ff);
        uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
        if (biased == 0 || biased == 0x7ff) {
            if (biased == 0 && fraction == 0) {
                m_out += (bits >> 63) != 0 ? "-0p+0" : "0p+0";
                return *this;
            }
            char buffer[64];  // subnormal, infinite or not a number
            const auto result =
                std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::hex);
            m_out.append(buffer, result.ptr);
            return *this;
        }
        char buffer[32];
        char* p = buffer;
        if ((bits >> 63) != 0) *p++ = '-';
        *p++ = '1';
        if (fraction != 0) {
            *p++ = '.';
            while (fraction != 0) {
                *p++ = "0123456789abcdef"[(fraction >> 48) & 0xf];
                fraction = (fraction << 4) & ((uint64_t{1} << 52) - 1);
            }
        }
        *p++ = 'p';
        const int exponent = biased - 1023;
        *p++ = exponent < 0 ? '-' : '+';
        p = std::to_chars(p, buffer + sizeof buffer, exponent < 0 ? -exponent : exponent).ptr;
        m_out.append(buffer, p);
        return *this;
    }

    DrawingWriter& Int(long long value) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        Space();
        m_out.append(buffer, result.ptr);
        return *this;
    }

    DrawingWriter& Word(std::string_view word) {
        Space();
        m_out += word;
        return *this;
    }

    DrawingWriter& Real3(const Vec3& v) { return Real(v.x).Real(v.y).Real(v.z); }

    void End() {
        m_out += '\n';
        m_lineStarted = false;
    }

private:
    void Space() {
        if (m_lineStarted) m_out += ' ';
        m_lineStarted = true;
    }

    std::string& m_out;
    bool m_lineStarted = false;
};

// The first vertex that is not a point of the pen stroke being drawn: a stroke's points
// lie together at the front of the vertex list, and its first point is the oldest.
const Vertex* FirstDrawnVertex(const Model& model) {
    const Curve* stroke = model.m_pCurves;
    if (stroke == nullptr || stroke->kind != kStrokeCurve) return model.m_pVertices;
    if (stroke->first == nullptr || stroke->first->vertex == nullptr) return model.m_pVertices;
    return stroke->first->vertex->next;
}

void WriteView(DrawingWriter& w, const CMainFrame& frame) {
    w.Word("view").End();
    w.Word("elevation").Int(frame.m_nElevation).End();
    w.Word("azimuth").Int(frame.m_nAzimuth).End();
    w.Word("zoom").Int(frame.m_nZoom).End();
    w.Word("matrix");
    for (double term : frame.m_ViewMatrix) w.Real(term);
    w.End();
    w.Word("display").Int(frame.m_nDisplayMode).End();
    w.Word("controlvertices").Int(frame.m_bShowControlVertices).End();
    w.Word("tool").Int(frame.m_nTool).End();
    w.Word("autocenter").Int(frame.m_bAutoCenter).End();
}

}  // namespace

std::string FormatDrawing(const CMainFrame& frame) {
    std::string out;
    DrawingWriter w(out);
    w.Word("pliform drawing").Int(kDrawingFormatVersion).End();
    WriteView(w, frame);

    const Vertex* firstVertex = FirstDrawnVertex(frame);
    const Curve* firstCurve = frame.m_pCurves;
    if (firstCurve != nullptr && firstCurve->kind == kStrokeCurve) firstCurve = firstCurve->next;

    size_t vertexCount = 0;
    for (const Vertex* v = firstVertex; v != nullptr; v = v->next) ++vertexCount;
    size_t curveCount = 0;
    for (const Curve* c = firstCurve; c != nullptr; c = c->next) ++curveCount;
    const size_t triangleCount = pointer_table::ListLength(frame.m_pTriangles);
    // Fourteen numbers of up to 24 characters for each vertex.
    out.reserve(out.size() + vertexCount * 300 + triangleCount * 48 + 64);

    w.Word("model").End();
    w.Word("state").Int(frame.m_nModelState).End();

    w.Word("vertices").Int(static_cast<long long>(vertexCount)).End();
    PointerMap vertexPlace(vertexCount);
    int32_t place = 0;
    for (const Vertex* v = firstVertex; v != nullptr; v = v->next) {
        vertexPlace.Insert(v, place++);
        w.Int(v->kind).Int(v->index).Real3(v->position).Real3(v->normal).Real3(v->work);
        w.Real(v->curvature).Real(v->curvatureSum).Real(v->meanSqEdge).End();
    }

    w.Word("curves").Int(static_cast<long long>(curveCount)).End();
    for (const Curve* c = firstCurve; c != nullptr; c = c->next) {
        long long links = 0;
        for (const CurveLink* l = c->first; l != nullptr; l = l == c->last ? nullptr : l->next)
            ++links;
        w.Int(c->kind).Int(c->clockwise).Int(links);
        for (const CurveLink* l = c->first; l != nullptr; l = l == c->last ? nullptr : l->next)
            w.Int(vertexPlace.Find(l->vertex));
        w.End();
    }

    w.Word("triangles").Int(static_cast<long long>(triangleCount)).End();
    PointerMap trianglePlace(triangleCount);
    place = 0;
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next)
        trianglePlace.Insert(t, place++);
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
        w.Int(t->mark);
        for (const Vertex* corner : t->corner) w.Int(vertexPlace.Find(corner));
        for (const Triangle* n : t->neighbour) w.Int(trianglePlace.Find(n));
        w.End();
    }
    w.Word("end").End();
    return out;
}

FileWriteResult SaveDrawingFile(const CMainFrame& frame, const std::string& path,
                                std::string* error) {
    return WriteFileSafely(path, FormatDrawing(frame), error);
}
