#include "app/Resources.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// ---- Cursors ----
// Drawn on a 32x32 grid: a black outline with a white body, and a white halo around
// every black edge that would otherwise touch the background, so each cursor stays
// visible over the white clear colour and over the grey model alike.
// Four rows of the grid a line.
// clang-format off
const CursorDef kCursors[] = {
    {IDC_PEN,
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000F00, 0x00001080,
         0x00002080, 0x00004080, 0x00008080, 0x00010100,
         0x00020200, 0x00040400, 0x00080800, 0x00101000,
         0x00202000, 0x00704000, 0x00588000, 0x004D0000,
         0x00860000, 0x009C0000, 0x01E00000, 0x01800000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
     },
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000F00, 0x00001080, 0x00002F40,
         0x00005F40, 0x0000BF40, 0x00017F40, 0x0002FE80,
         0x0005FD00, 0x000BFA00, 0x0017F400, 0x002FE800,
         0x005FD000, 0x008FA000, 0x00A74000, 0x00B28000,
         0x01790000, 0x01620000, 0x021C0000, 0x02600000,
         0x01800000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
     },
     7,
     23},
    {IDC_ERASER,
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000400, 0x00000A00,
         0x00003200, 0x00004100, 0x00008080, 0x00010040,
         0x00020020, 0x000C00C0, 0x00100100, 0x00300200,
         0x00780400, 0x00FC0800, 0x03FE3000, 0x01FF4000,
         0x00FF8000, 0x007F0000, 0x003E0000, 0x001C0000,
         0x00180000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
     },
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000400, 0x00000A00, 0x00003500,
         0x00004D00, 0x0000BE80, 0x00017F40, 0x0002FFA0,
         0x000DFFD0, 0x0013FF20, 0x002FFEC0, 0x004FFD00,
         0x0087FA00, 0x0303F400, 0x0401C800, 0x0200B000,
         0x01004000, 0x00808000, 0x00410000, 0x00220000,
         0x00240000, 0x00180000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
     },
     9,
     21},
    {IDC_DRAG,
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x01000000,
         0x01800000, 0x01400000, 0x01200000, 0x01100000,
         0x01080000, 0x01040000, 0x01020000, 0x01010000,
         0x01008000, 0x0107C000, 0x01240100, 0x01520380,
         0x019207C0, 0x01090100, 0x00090920, 0x00061FF0,
         0x00000920, 0x00000100, 0x000007C0, 0x00000380,
         0x00000100, 0x00000000, 0x00000000, 0x00000000,
     },
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x01000000, 0x02800000,
         0x02400000, 0x02A00000, 0x02D00000, 0x02E80000,
         0x02F40000, 0x02FA0000, 0x02FD0000, 0x02FE8000,
         0x02FF4000, 0x02F82100, 0x02DBC280, 0x02AD0440,
         0x026D0820, 0x02968EE0, 0x011696D0, 0x00092008,
         0x000616D0, 0x00000EE0, 0x00000820, 0x00000440,
         0x00000280, 0x00000100, 0x00000000, 0x00000000,
     },
     7,
     7},
    {IDC_CHANGE,
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00800000, 0x00C00000, 0x00A00000, 0x00900000,
         0x00880000, 0x00840000, 0x00820000, 0x00810000,
         0x00808000, 0x00804000, 0x0083E000, 0x00920080,
         0x00A90080, 0x00C901C0, 0x008481C0, 0x00048360,
         0x000302E0, 0x000006F0, 0x000006F0, 0x000007F0,
         0x000003E0, 0x000001C0, 0x00000000, 0x00000000,
     },
     {
         0x00000000, 0x00000000, 0x00000000, 0x00000000,
         0x00000000, 0x00000000, 0x00000000, 0x00800000,
         0x01400000, 0x01200000, 0x01500000, 0x01680000,
         0x01740000, 0x017A0000, 0x017D0000, 0x017E8000,
         0x017F4000, 0x017FA000, 0x017C1080, 0x016DE140,
         0x01568140, 0x01368220, 0x014B4220, 0x008B4490,
         0x00048510, 0x00030908, 0x00000908, 0x00000808,
         0x00000410, 0x00000220, 0x000001C0, 0x00000000,
     },
     8,
     8},
};
// clang-format on

// ---- Icon ----

struct Rgba {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 0.0;
};

void Over(Rgba& dst, double r, double g, double b, double a) {
    dst.r = dst.r * (1.0 - a) + r * a;
    dst.g = dst.g * (1.0 - a) + g * a;
    dst.b = dst.b * (1.0 - a) + b * a;
    dst.a = dst.a * (1.0 - a) + a;
}

// The blob is a tilted ellipse shaded as if it were the front of a stretched sphere;
// the control curve is a circle of latitude of that sphere, so it bends over the
// body the way a drawn curve does on a rounded shape.
constexpr double kBlobA = 0.88;  // semi-axes in icon units (the icon spans -1..1)
constexpr double kBlobB = 0.64;
constexpr double kBlobTilt = 0.45;  // radians, the long axis rising to the right
constexpr double kCurveC = 0.28;    // latitude of the curve on the unit sphere

// Unit axis of the curve's circle, leaning toward the viewer so the loop shows as a
// band across the body rather than an edge-on line.
constexpr double kAxis[3] = {0.94, 0.16, 0.30};

Rgba ShadeSample(double x, double y, double pixel) {
    Rgba out;
    const double ct = std::cos(kBlobTilt);
    const double st = std::sin(kBlobTilt);
    // Icon units: x right, y up; a and b along the ellipse's own axes.
    const double a = (x * ct + y * st) / kBlobA;
    const double b = (-x * st + y * ct) / kBlobB;
    const double rr = a * a + b * b;
    if (rr > 1.0) {
        return out;
    }
    const double z = std::sqrt(1.0 - rr);

    // Normal of the stretched sphere, back in icon axes.
    double nx = a / kBlobA;
    double ny = b / kBlobB;
    double nz = z / std::min(kBlobA, kBlobB);
    const double nLen = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double tx = (nx * ct - ny * st) / nLen;
    const double ty = (nx * st + ny * ct) / nLen;
    nz /= nLen;

    // The program's own light for shaded surfaces: upper left, in front.
    const double lLen = std::sqrt(1.0 + 1.0 + 4.0);
    const double lx = -1.0 / lLen;
    const double ly = 1.0 / lLen;
    const double lz = 2.0 / lLen;
    const double diffuse = std::max(0.0, tx * lx + ty * ly + nz * lz);
    const double hx = lx;
    const double hy = ly;
    const double hz = lz + 1.0;
    const double hLen = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double spec = std::pow(std::max(0.0, (tx * hx + ty * hy + nz * hz) / hLen), 24.0);
    const double shade = 0.28 + 0.72 * diffuse;
    Over(out, std::min(1.0, 0.60 * shade + 0.45 * spec), std::min(1.0, 0.64 * shade + 0.45 * spec),
         std::min(1.0, 0.72 * shade + 0.45 * spec), 1.0);

    // Dark rim about one pixel wide, measured across the short axis.
    const double rimWidth = 1.1 * pixel / kBlobB;
    if (1.0 - std::sqrt(rr) < rimWidth) {
        Over(out, 0.18, 0.20, 0.26, 0.85);
    }

    // Distance to the curve's circle, in icon units: the level set of the sphere
    // point's height along the axis, divided by how fast that height changes on the
    // screen there (the curve would otherwise fatten toward the silhouette).
    const double f = a * kAxis[0] + b * kAxis[1] + z * kAxis[2] - kCurveC;
    const double ga = kAxis[0] - kAxis[2] * a / std::max(z, 0.05);
    const double gb = kAxis[1] - kAxis[2] * b / std::max(z, 0.05);
    const double grad = std::sqrt(ga * ga / (kBlobA * kBlobA) + gb * gb / (kBlobB * kBlobB));
    const double dist = std::fabs(f) / std::max(grad, 1e-6);
    const double halfWidth = std::max(0.75 * pixel, 0.035);
    if (dist < halfWidth) {
        Over(out, 0.0, 0.0, 1.0, 1.0);
    }
    return out;
}

}  // namespace

const CursorDef* FindCursor(int id) {
    for (const CursorDef& cursor : kCursors) {
        if (cursor.id == id) {
            return &cursor;
        }
    }
    return nullptr;
}

void DrawAppIcon(int size, uint32_t* out) {
    if (size <= 0 || out == nullptr) {
        return;
    }
    // 4x4 samples a pixel keeps the rim and the curve smooth at 16 pixels, where a
    // single stair step is a large part of the picture.
    constexpr int kSamples = 4;
    const double pixel = 2.0 / size;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0.0;
            double g = 0.0;
            double b = 0.0;
            double a = 0.0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = -1.0 + (px + (sx + 0.5) / kSamples) * pixel;
                    const double y = 1.0 - (py + (sy + 0.5) / kSamples) * pixel;
                    const Rgba s = ShadeSample(x, y, pixel);
                    r += s.r * s.a;
                    g += s.g * s.a;
                    b += s.b * s.a;
                    a += s.a;
                }
            }
            uint32_t argb = 0;
            if (a > 0.0) {
                const auto channel = [](double premultiplied, double alpha) {
                    return static_cast<uint32_t>(
                        std::lround(std::clamp(premultiplied / alpha, 0.0, 1.0) * 255.0));
                };
                const uint32_t alpha =
                    static_cast<uint32_t>(std::lround(a / (kSamples * kSamples) * 255.0));
                argb = (alpha << 24) | (channel(r, a) << 16) | (channel(g, a) << 8) | channel(b, a);
            }
            out[static_cast<size_t>(py) * size + px] = argb;
        }
    }
}
