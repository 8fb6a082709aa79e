#pragma once

#include <string>

class CMainFrame;

// The whole OBJ text of the frame's model: one "v x y z" line per vertex in list
// order, then one "f a b c" line per triangle in list order, CRLF line ends, numbers
// as printf "%.6f" and "%d" give them in the C locale whatever the process locale.
// Numbers the vertices from 1 into their `index` fields and leaves them there; changes
// nothing else.
std::string FormatObj(CMainFrame& frame);

enum class ObjWriteResult {
    Written,
    OpenFailed,   // the file could not be created or is not writable; nothing written
    WriteFailed,  // writing or completing the file failed; the previous file is intact
};

// Writes FormatObj(frame) to `path`. The text goes to a temporary file in the same
// folder that is renamed over `path` only when complete, so a failure leaves any
// earlier file untouched and no temporary file behind. On failure `error` (if given)
// receives the reason.
ObjWriteResult WriteObj(CMainFrame& frame, const std::string& path, std::string* error);

// WriteObj reduced to success or failure.
bool WriteObjFile(CMainFrame& frame, const std::string& path, std::string* error);
