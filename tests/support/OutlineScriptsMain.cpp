// pliform-outlines DIR: writes every outline of the test corpus as two replay scripts,
// NN-shape.pfs drawing it on the empty scene and NN-shape-turned.pfs drawing it and
// turning the view to a three-quarter one, for the contact sheet of the corpus.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/Outlines.h"

namespace {

// One degree a pixel: 35 degrees round the vertical axis, 25 degrees of tilt.
constexpr int kTurnAcross = 35;
constexpr int kTurnDown = 25;

bool WriteScript(const std::string& path, const Outline& outline, bool turned) {
    std::ofstream out(path);
    out << "# " << outline.name << (turned ? ", seen from a three-quarter view" : "") << "\n";
    out << "size 600 600\nstroke";
    for (const CPoint& p : outline.pixels) out << " " << p.x << " " << p.y;
    out << "\nexpect modelState 2\n";
    if (turned) {
        out << "rdown 300 300\nmove " << 300 + kTurnAcross << " " << 300 + kTurnDown << "\nrup "
            << 300 + kTurnAcross << " " << 300 + kTurnDown << "\n";
    }
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pliform-outlines DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<Outline> outlines = DrawOutlines(kLargeOutline, false);
    for (size_t i = 0; i < outlines.size(); ++i) {
        const Outline& o = outlines[i];
        const std::string number = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1);
        const std::string base = dir + "/" + number + "-" + o.name.substr(0, o.name.find(' '));
        if (!WriteScript(base + ".pfs", o, false) || !WriteScript(base + "-turned.pfs", o, true)) {
            std::fprintf(stderr, "pliform-outlines: cannot write %s\n", base.c_str());
            return 1;
        }
    }
    return 0;
}
