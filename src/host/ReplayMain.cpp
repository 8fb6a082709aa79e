#include <iostream>
#include <string>
#include <vector>

#include "host/Script.h"

#ifdef PLIFORM_HAVE_RENDER
#include "host/ReplayPng.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef PLIFORM_HAVE_RENDER
    PngWriter png = RenderFrameToPng;
#else
    PngWriter png;
#endif
    return ReplayToolMain(args, std::cout, std::cerr, png);
}
