#include "export/ExportFormats.h"

#include <algorithm>
#include <cctype>

#include "app/MainFrame.h"
#include "export/AtomicWrite.h"
#include "export/ObjExport.h"

namespace {

bool ObjBytes(CMainFrame& frame, std::string& bytes) {
    bytes = FormatObj(frame);
    return true;
}

bool StlBytes(CMainFrame& frame, std::string& bytes) {
    bytes = FormatStl(frame);
    return true;
}

bool GlbBytes(CMainFrame& frame, std::string& bytes) { return FormatGlb(frame, bytes); }

constexpr ExportFormat kFormatRows[] = {
    {{"OBJ (*.obj)", "obj"}, ObjBytes},
    {{"STL (*.stl)", "stl"}, StlBytes},
    {{"glTF binary (*.glb)", "glb"}, GlbBytes},
};

constexpr FileType kExportTypes[] = {kFormatRows[0].type, kFormatRows[1].type, kFormatRows[2].type};

bool HasExtension(const std::string& path, const std::string& extension) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return false;
    const std::string ending = path.substr(dot + 1);
    return std::equal(
        ending.begin(), ending.end(), extension.begin(), extension.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

const std::span<const ExportFormat> kExportFormats(kFormatRows);

const ExportFormat& ExportFormatFor(const std::string& path) {
    for (const ExportFormat& format : kExportFormats)
        if (HasExtension(path, format.type.extension)) return format;
    return kExportFormats.front();
}

void CMainFrame::OnSaveAs() {
    std::string path;
    if (!m_pPlatform->GetSaveFileName(kExportTypes, path)) return;
    std::string bytes;
    if (!ExportFormatFor(path).write(*this, bytes)) {
        m_pPlatform->ReportFileError(path, "the file's contents could not be made");
        return;
    }
    std::string reason;
    switch (WriteFileSafely(path, bytes, &reason)) {
    case FileWriteResult::Written:
        break;
    case FileWriteResult::OpenFailed:
        m_pPlatform->MessageBeep();
        break;
    case FileWriteResult::WriteFailed:
        m_pPlatform->ReportFileError(path, reason);
        break;
    }
}
