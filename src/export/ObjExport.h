#pragma once

#include <string>

#include "export/AtomicWrite.h"

class CMainFrame;

// The whole OBJ text of the frame's model: one "v x y z" line per vertex in list
// order, then one "f a b c" line per triangle in list order, CRLF line ends, numbers
// as printf "%.6f" and "%d" give them in the C locale whatever the process locale.
// Numbers the vertices from 1 into their `index` fields and leaves them there; changes
// nothing else.
std::string FormatObj(CMainFrame& frame);

// Writes FormatObj(frame) to `path` with WriteFileSafely: a failure leaves any earlier
// file as it was. On failure `error` (if given) receives the reason.
FileWriteResult WriteObj(CMainFrame& frame, const std::string& path, std::string* error);

// WriteObj reduced to success or failure.
bool WriteObjFile(CMainFrame& frame, const std::string& path, std::string* error);
