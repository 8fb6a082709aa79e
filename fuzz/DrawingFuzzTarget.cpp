// libFuzzer entry for the drawing reader: any bytes are either refused with a reason
// or give a model that passes the checker and that writes back to a drawing the reader
// accepts again, unchanged.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/MainFrame.h"
#include "drawing/Drawing.h"
#include "host/HeadlessHost.h"

namespace {

[[noreturn]] void Abort(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Model model;
    DrawingView view;
    std::string error;
    if (!ParseDrawing(text, model, view, &error)) {
        if (error.empty()) Abort("refused without a reason", "");
        if (model.m_pVertices != nullptr || model.m_pCurves != nullptr ||
            model.m_pTriangles != nullptr)
            Abort("a refused drawing left records behind", error);
        return 0;
    }
    const std::string problems = ValidateModel(model);
    if (!problems.empty()) Abort("accepted a model the checker refuses", problems);

    HeadlessHost host;
    CMainFrame frame(&host);
    frame.OnCreate();
    frame.OnSize(600, 600);
    ApplyDrawing(frame, model, view);
    const std::string written = FormatDrawing(frame);
    Model again;
    DrawingView againView;
    if (!ParseDrawing(written, again, againView, &error))
        Abort("refused its own drawing", error + "\n" + written);
    ApplyDrawing(frame, again, againView);
    if (FormatDrawing(frame) != written) Abort("a second round trip changed the drawing", written);
    return 0;
}
