#include <bit>
#include <cstdint>
#include <cstring>

#include "app/MainFrame.h"
#include "export/ExportFormats.h"

namespace {

static_assert(std::endian::native == std::endian::little,
              "STL is little-endian; this writer copies floats as the machine holds them");

void AppendFloat(std::string& out, double value) {
    const float f = static_cast<float>(value);
    char bytes[4];
    std::memcpy(bytes, &f, 4);
    out.append(bytes, 4);
}

void AppendVec(std::string& out, const Vec3& v) {
    AppendFloat(out, v.x);
    AppendFloat(out, v.y);
    AppendFloat(out, v.z);
}

}  // namespace

std::string FormatStl(const CMainFrame& frame) {
    uint32_t count = 0;
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) ++count;
    std::string out(80, '\0');
    const char header[] = "Pliform binary STL";
    std::memcpy(out.data(), header, sizeof header - 1);
    char countBytes[4];
    std::memcpy(countBytes, &count, 4);
    out.append(countBytes, 4);
    out.reserve(out.size() + 50u * count);
    for (const Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
        const Vec3& a = t->corner[0]->position;
        const Vec3& b = t->corner[1]->position;
        const Vec3& c = t->corner[2]->position;
        const Vec3 n = Cross(b - a, c - a);
        const double length = Length(n);
        AppendVec(out, length > 0.0 ? n / length : Vec3{});
        AppendVec(out, a);
        AppendVec(out, b);
        AppendVec(out, c);
        out.append(2, '\0');  // no attributes
    }
    return out;
}
