#include "export/ObjExport.h"

#include <charconv>

#include "app/MainFrame.h"
#include "export/AtomicWrite.h"

namespace {

// std::to_chars never consults the locale, so a decimal comma can never slip in; with
// a precision it prints exactly what printf("%.6f") prints in the C locale.
void AppendFixed6(std::string& out, double value) {
    char buffer[400];  // the longest double in fixed notation, with six decimals
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

std::string FormatObj(CMainFrame& frame) {
    std::string out;
    int number = 0;
    for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
        v->index = ++number;
        out += "v ";
        AppendFixed6(out, v->position.x);
        out += ' ';
        AppendFixed6(out, v->position.y);
        out += ' ';
        AppendFixed6(out, v->position.z);
        out += "\r\n";
    }
    for (Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
        out += "f ";
        AppendInt(out, t->corner[0]->index);
        out += ' ';
        AppendInt(out, t->corner[1]->index);
        out += ' ';
        AppendInt(out, t->corner[2]->index);
        out += "\r\n";
    }
    return out;
}

FileWriteResult WriteObj(CMainFrame& frame, const std::string& path, std::string* error) {
    return WriteFileSafely(path, FormatObj(frame), error);
}

bool WriteObjFile(CMainFrame& frame, const std::string& path, std::string* error) {
    return WriteObj(frame, path, error) == FileWriteResult::Written;
}
