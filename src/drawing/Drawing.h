#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/AtomicWrite.h"
#include "model/Model.h"

class CMainFrame;

// A drawing file holds everything the model is, and the view it was seen in, so
// that opening it and going on gives the same results, bit for bit, as if the session
// had never stopped. The format is described in docs/drawing-format.md.

constexpr int kDrawingFormatVersion = 1;
constexpr const char* kDrawingExtension = "pliform";

// Larger files are refused before they are read: a drawing of a hundred thousand
// vertices takes about 30 MB.
constexpr size_t kMaxDrawingBytes = 256u << 20;

// The view fields a drawing keeps besides the model.
struct DrawingView {
    int32_t elevation = 0;
    int32_t azimuth = 0;
    int32_t zoom = 0;
    double viewMatrix[8] = {0, 1, 0, 1, 0, 0, 0, 1};
    int32_t displayMode = 0;
    int32_t showControlVertices = 0;
    int32_t tool = 0;
    int32_t autoCenter = 0;
};

// The drawing text of the frame's model and view. A pen stroke still being drawn is
// left out (with its points): it is not part of the drawing until it is finished.
// Reads the frame only.
std::string FormatDrawing(const CMainFrame& frame);

// Parses a drawing. On success `model` (which must be empty) holds the records and
// state, which pass ValidateModel, and `view` the view. On failure returns false,
// leaves `model` empty and sets `error` to one sentence saying what is wrong.
bool ParseDrawing(std::string_view text, Model& model, DrawingView& view, std::string* error);

// Replaces the frame's model and view with a parsed drawing (which `model` then no
// longer holds), shows the marks and repaints.
void ApplyDrawing(CMainFrame& frame, Model& model, const DrawingView& view);

// Reads and parses the file at `path` into the frame, replacing its model and view
// and repainting. On failure the frame is left exactly as it was and `error` says why.
bool OpenDrawingFile(CMainFrame& frame, const std::string& path, std::string* error);

// Writes FormatDrawing(frame) to `path` with WriteFileSafely.
FileWriteResult SaveDrawingFile(const CMainFrame& frame, const std::string& path,
                                std::string* error);
