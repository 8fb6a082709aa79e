#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "drawing/Drawing.h"
#include "model/PointerMap.h"

namespace {

// Thrown inside the parser only, with the sentence the user is shown.
struct BadDrawing {
    std::string what;
};

// The text as lines of words separated by single spaces. Every check names the line,
// so that a user who edited a drawing by hand can find the mistake.
class DrawingParser {
public:
    explicit DrawingParser(std::string_view text) : m_text(text) {
        for (char c : text)
            if (c == '\n') ++m_linesLeft;
    }

    void Header() {
        if (m_text.empty()) throw BadDrawing{"The file is empty."};
        NextLine();
        constexpr std::string_view kMagic = "pliform drawing ";
        if (m_line.substr(0, kMagic.size()) != kMagic)
            throw BadDrawing{"This is not a Pliform drawing."};
        long long version = 0;
        const std::string_view number = m_line.substr(kMagic.size());
        const auto result = std::from_chars(number.data(), number.data() + number.size(), version);
        if (result.ec != std::errc() || result.ptr != number.data() + number.size() || version < 1)
            throw BadDrawing{"The drawing's format version is not a number."};
        if (version > kDrawingFormatVersion)
            throw BadDrawing{"This drawing was saved by a newer version of Pliform (format " +
                             std::to_string(version) + "); this version reads format " +
                             std::to_string(kDrawingFormatVersion) + " only."};
    }

    void View(DrawingView& view) {
        Line("view", 0);
        view.elevation = static_cast<int32_t>(Keyed("elevation", -90, 90));
        view.azimuth = static_cast<int32_t>(Keyed("azimuth", 0, 359));
        view.zoom = static_cast<int32_t>(Keyed("zoom", kMinZoom, kMaxZoom));
        Line("matrix", 8);
        for (double& term : view.viewMatrix) {
            term = Real();
            if (term < -1.0 || term > 1.0) Fail("a view term lies outside -1..1");
        }
        view.displayMode =
            static_cast<int32_t>(Keyed("display", ID_DISPLAY_SURFACES, ID_DISPLAY_EDGES));
        view.showControlVertices = static_cast<int32_t>(Keyed("controlvertices", 0, 1));
        view.tool = static_cast<int32_t>(Keyed("tool", ID_TOOL_PEN, ID_TOOL_CHANGE));
        view.autoCenter = static_cast<int32_t>(Keyed("autocenter", 0, 1));
    }

    // Builds the records in file order, which is list order; `model` owns each record
    // as soon as it is linked, so that the caller can release a half-built model.
    void Records(Model& model) {
        Line("model", 0);
        model.m_nModelState = static_cast<int32_t>(Keyed("state", kModelEmpty, kModelBody));

        const size_t vertexCount = Count("vertices");
        std::vector<Vertex*> vertices;
        vertices.reserve(vertexCount);
        Vertex** vertexTail = &model.m_pVertices;
        for (size_t i = 0; i < vertexCount; ++i) {
            NextWords(14);
            auto* v = new Vertex;
            *vertexTail = v;
            vertexTail = &v->next;
            vertices.push_back(v);
            v->kind = static_cast<int32_t>(Int(kSurfaceVertex, kSharpVertex));
            v->index = static_cast<int32_t>(Int(INT32_MIN, INT32_MAX));
            v->position = Real3();
            v->normal = Real3();
            v->work = Real3();
            v->curvature = Real();
            v->curvatureSum = Real();
            v->meanSqEdge = Real();
        }

        const size_t curveCount = Count("curves");
        Curve** curveTail = &model.m_pCurves;
        for (size_t i = 0; i < curveCount; ++i) {
            NextLine();
            auto* c = new Curve;
            *curveTail = c;
            curveTail = &c->next;
            c->kind = static_cast<int32_t>(Int(kClosedCurve, kOpenCurve));
            c->clockwise = static_cast<int32_t>(Int(0, 1));
            const long long links = Int(0, INT32_MAX);
            if (static_cast<size_t>(links) != m_words.size() - 3)
                Fail("the curve has " + std::to_string(m_words.size() - 3) +
                     " vertex numbers, not " + std::to_string(links));
            CurveLink** linkTail = &c->first;
            for (long long k = 0; k < links; ++k) {
                auto* l = new CurveLink;
                *linkTail = l;
                linkTail = &l->next;
                c->last = l;
                l->vertex = vertices[static_cast<size_t>(Place(vertexCount, "vertex"))];
            }
        }

        const size_t triangleCount = Count("triangles");
        std::vector<Triangle*> triangles;
        triangles.reserve(triangleCount);
        Triangle** triangleTail = &model.m_pTriangles;
        for (size_t i = 0; i < triangleCount; ++i) {
            auto* t = new Triangle;
            *triangleTail = t;
            triangleTail = &t->next;
            triangles.push_back(t);
        }
        for (Triangle* t : triangles) {
            NextWords(7);
            t->mark = static_cast<int32_t>(Int(INT32_MIN, INT32_MAX));
            for (Vertex*& corner : t->corner)
                corner = vertices[static_cast<size_t>(Place(vertexCount, "vertex"))];
            for (Triangle*& neighbour : t->neighbour)
                neighbour = triangles[static_cast<size_t>(Place(triangleCount, "triangle"))];
        }
        Line("end", 0);
        if (m_pos != m_text.size()) Fail("there is more after the end of the drawing");
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw BadDrawing{"Line " + std::to_string(m_lineNumber) + ": " + what + "."};
    }

    void NextLine() {
        if (m_pos >= m_text.size()) {
            ++m_lineNumber;
            Fail("the file ends here; the drawing is incomplete");
        }
        const size_t end = m_text.find('\n', m_pos);
        if (end == std::string_view::npos) {
            ++m_lineNumber;
            Fail("the last line has no end; the drawing is incomplete");
        }
        m_line = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        ++m_lineNumber;
        --m_linesLeft;
        m_words.clear();
        m_word = 0;
        size_t start = 0;
        while (start <= m_line.size()) {
            size_t space = m_line.find(' ', start);
            if (space == std::string_view::npos) space = m_line.size();
            m_words.push_back(m_line.substr(start, space - start));
            start = space + 1;
        }
    }

    void NextWords(size_t count) {
        NextLine();
        if (m_words.size() != count)
            Fail("expected " + std::to_string(count) + " numbers, found " +
                 std::to_string(m_words.size()));
    }

    // A line of `keyword` and `values` numbers; the cursor stands on the first.
    void Line(std::string_view keyword, size_t values) {
        NextLine();
        if (m_words[0] != keyword) Fail("expected '" + std::string(keyword) + "'");
        if (m_words.size() != values + 1)
            Fail("'" + std::string(keyword) + "' takes " + std::to_string(values) + " values");
        m_word = 1;
    }

    long long Keyed(std::string_view keyword, long long low, long long high) {
        Line(keyword, 1);
        return Int(low, high);
    }

    // A record count; each record is a line, so a count beyond the lines left is a
    // truncated or damaged file, found before anything is allocated for it.
    size_t Count(std::string_view keyword) {
        Line(keyword, 1);
        const long long count = Int(0, INT32_MAX);
        if (static_cast<unsigned long long>(count) > m_linesLeft)
            Fail("the file has fewer lines than the " + std::to_string(count) + " " +
                 std::string(keyword) + " it announces; it is incomplete or damaged");
        return static_cast<size_t>(count);
    }

    std::string_view Word() {
        if (m_word >= m_words.size()) Fail("a number is missing");
        return m_words[m_word++];
    }

    long long Int(long long low, long long high) {
        const std::string_view word = Word();
        long long value = 0;
        const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || result.ec != std::errc() || result.ptr != word.data() + word.size())
            Fail("'" + std::string(word.substr(0, 40)) + "' is not a whole number");
        if (value < low || value > high)
            Fail(std::to_string(value) + " lies outside " + std::to_string(low) + ".." +
                 std::to_string(high));
        return value;
    }

    // A list position, or -1 for none.
    long long Place(size_t count, const char* what) {
        const long long value = Int(-1, static_cast<long long>(count) - 1);
        if (value < 0) Fail(std::string("a missing ") + what + " is not allowed here");
        return value;
    }

    double Real() {
        const std::string_view word = Word();
        double value = 0.0;
        const auto result =
            std::from_chars(word.data(), word.data() + word.size(), value, std::chars_format::hex);
        if (word.empty() || result.ec != std::errc() || result.ptr != word.data() + word.size())
            Fail("'" + std::string(word.substr(0, 40)) + "' is not a hexadecimal number");
        if (!std::isfinite(value)) Fail("a number is not finite");
        // The exponent is required: "1.5" would read as hexadecimal 1.5, which is not
        // what whoever wrote it meant.
        if (word.find('p') == std::string_view::npos)
            Fail("'" + std::string(word.substr(0, 40)) + "' is not a hexadecimal number");
        return value;
    }

    Vec3 Real3() {
        const double x = Real();
        const double y = Real();
        return {x, y, Real()};
    }

    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_lineNumber = 0;
    size_t m_linesLeft = 0;
    std::string_view m_line;
    std::vector<std::string_view> m_words;
    size_t m_word = 0;
};

// The whole file, or false with the reason. A file larger than any drawing is refused
// unread, and so is anything that is not a plain file (a folder, a device, a pipe).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        *error = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        *error = "This is not a file.";
        ok = false;
    } else if (static_cast<unsigned long long>(info.st_size) > kMaxDrawingBytes) {
        *error = "The file is too large to be a drawing.";
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *error = std::strerror(errno);
                ok = false;
                break;
            }
            if (n == 0) break;  // the file shrank meanwhile: what is there is parsed
            done += static_cast<size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return ok;
}

}  // namespace

void ApplyDrawing(CMainFrame& frame, Model& model, const DrawingView& view) {
    ReleaseModel(frame);
    frame.m_pVertices = model.m_pVertices;
    frame.m_pCurves = model.m_pCurves;
    frame.m_pTriangles = model.m_pTriangles;
    frame.m_nModelState = model.m_nModelState;
    model = Model{};

    frame.m_nElevation = view.elevation;
    frame.m_nAzimuth = view.azimuth;
    frame.m_nZoom = view.zoom;
    for (int i = 0; i < 8; ++i) frame.m_ViewMatrix[i] = view.viewMatrix[i];
    frame.m_bShowControlVertices = view.showControlVertices;
    frame.m_nTool = view.tool;
    frame.m_bAutoCenter = view.autoCenter;
    // A tool stroke whose release was never seen would otherwise go on with records
    // that are gone, as after File New.
    if (frame.m_nDragState == kDragTool) frame.m_nDragState = kDragNone;
    frame.UpdateProjection();
    // Sets the display mode's light and repaints.
    frame.OnDisplayMode(view.displayMode);
    for (const CommandDef& command : kCommands) frame.ShowMark(command);
}

// What the model checker leaves open but the tools rely on: a curve's vertices are
// curve vertices (smooth or sharp) and, on a body, corners of its triangles, which is
// where picking, dragging and erasing look for them.
std::string CurveVertexFault(const Model& model) {
    PointerSet corners;
    for (const Triangle* t = model.m_pTriangles; t != nullptr; t = t->next)
        for (const Vertex* corner : t->corner) corners.Insert(corner);
    for (const Curve* c = model.m_pCurves; c != nullptr; c = c->next) {
        for (const CurveLink* l = c->first; l != nullptr; l = l->next) {
            if (l->vertex->kind != kSmoothVertex && l->vertex->kind != kSharpVertex)
                return "a curve holds a vertex that is neither smooth nor sharp";
            if (model.m_pTriangles != nullptr && !corners.Contains(l->vertex))
                return "a curve holds a vertex that is not on the surface";
        }
    }
    return {};
}

bool ParseDrawing(std::string_view text, Model& model, DrawingView& view, std::string* error) {
    try {
        DrawingParser parser(text);
        parser.Header();
        parser.View(view);
        parser.Records(model);
    } catch (const BadDrawing& bad) {
        ReleaseModel(model);
        *error = bad.what;
        return false;
    }
    std::string problems = ValidateModel(model);
    if (problems.empty()) problems = CurveVertexFault(model);
    if (!problems.empty()) {
        ReleaseModel(model);
        const size_t end = problems.find('\n');
        *error = "The drawing's records do not fit together: " + problems.substr(0, end) + ".";
        return false;
    }
    return true;
}

bool OpenDrawingFile(CMainFrame& frame, const std::string& path, std::string* error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error)) return false;
    Model model;
    DrawingView view;
    if (!ParseDrawing(bytes, model, view, error)) return false;
    ApplyDrawing(frame, model, view);
    return true;
}
