#pragma once

#include <string>

class CMainFrame;

// Draws the frame once into an offscreen OpenGL buffer of its client size and writes
// that picture as a PNG. Reads the frame only. Returns false with `error` set when the
// client area is empty, no offscreen context can be made or the file can't be
// written; no partly written file is left behind.
bool RenderFrameToPng(const CMainFrame& frame, const std::string& path, std::string* error);
