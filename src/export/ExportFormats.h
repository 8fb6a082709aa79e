#pragma once

#include <span>
#include <string>

#include "app/Platform.h"

class CMainFrame;

// The mesh formats "Save As" writes, one row each: the dialog's type, and the writer
// that turns the frame's triangle mesh into the file's bytes. OBJ is the first row:
// the type the dialog chooses at the start, and the one a path of any other extension
// gets. One model unit is written as one unit of OBJ and STL (a millimetre, as
// printers take STL) and as a millimetre, 0.001, of glTF, whose unit is the metre.
struct ExportFormat {
    FileType type;
    // False when the bytes could not be made; nothing is written then.
    bool (*write)(CMainFrame& frame, std::string& bytes);
};

extern const std::span<const ExportFormat> kExportFormats;

// The row whose extension `path` ends with (ignoring case), else the OBJ row.
const ExportFormat& ExportFormatFor(const std::string& path);

// Binary STL: an 80-byte header, the triangle count, then per triangle in list order
// its unit facet normal (zero for a triangle without area) and its three corners, as
// little-endian 32-bit floats. Reads the frame only.
std::string FormatStl(const CMainFrame& frame);

// Binary glTF 2.0: one scene of one node with one mesh of one triangle primitive,
// positions in metres, unit smooth vertex normals (the area-weighted face normals
// around each vertex) and 32-bit indices. Only vertices of triangles are written, in
// list order; an empty scene is a scene without nodes. Reads the frame only. False
// when the library could not serialise the model.
bool FormatGlb(const CMainFrame& frame, std::string& bytes);
