#pragma once

#include <string>
#include <string_view>

enum class FileWriteResult {
    Written,
    OpenFailed,   // the file could not be created or is not writable; nothing written
    WriteFailed,  // writing or completing the file failed; see WriteFileSafely
};

// Writes `bytes` to `path` so that a failure never leaves a half-written file where a
// whole one stood. Normally the bytes go to a temporary file in the same folder, which
// is synced and renamed over `path` only when complete: on failure the earlier file is
// untouched and no temporary file is left behind. A symbolic link is written through.
//
// Replacing the file by a new one would be wrong, or impossible, where the user may
// write the file but the file must stay the same file: the folder is not writable, the
// file belongs to someone else in a sticky folder (the rename is refused), or it has
// several hard links (the others would keep the old bytes). There the file is opened
// for writing first (a refusal is OpenFailed with nothing changed), then overwritten,
// cut to length and synced; a failure after opening may leave it partly written, and
// `error` says so.
//
// An existing file that may not be written, or a path that is not a plain file, is
// OpenFailed even where a rename would succeed. On failure `error` (if given) receives
// the reason.
FileWriteResult WriteFileSafely(const std::string& path, std::string_view bytes,
                                std::string* error);
