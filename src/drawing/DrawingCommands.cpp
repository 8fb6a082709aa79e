#include "app/MainFrame.h"
#include "drawing/Autosave.h"
#include "drawing/Drawing.h"

namespace {

constexpr FileType kDrawingTypes[] = {{"Pliform drawing (*.pliform)", kDrawingExtension}};

}  // namespace

void CMainFrame::OnFileOpen() {
    std::string path;
    if (!m_pPlatform->GetOpenFileName(kDrawingTypes, path)) return;
    // Opening is a step: undone, it gives back the drawing and the view it replaced.
    BeginUndoStep();
    m_history.KeepView(CurrentStepSettings());
    m_history.KeepAutoCenter(m_bAutoCenter);
    std::string error;
    const bool opened = OpenDrawingFile(*this, path, &error);
    EndUndoStep("Open");
    if (!opened) {
        m_pPlatform->ShowMessage("The drawing " + path + " cannot be opened.\n\n" + error);
        return;
    }
    m_strDrawingPath = path;
}

void CMainFrame::OnFileSave() {
    if (m_strDrawingPath.empty()) {
        OnFileSaveDrawingAs();
        return;
    }
    std::string error;
    if (SaveDrawingFile(*this, m_strDrawingPath, &error) != FileWriteResult::Written)
        m_pPlatform->ReportFileError(m_strDrawingPath, error);
}

void CMainFrame::OnFileSaveDrawingAs() {
    std::string path;
    if (!m_pPlatform->GetSaveFileName(kDrawingTypes, path)) return;
    std::string error;
    if (SaveDrawingFile(*this, path, &error) != FileWriteResult::Written) {
        m_pPlatform->ReportFileError(path, error);
        return;
    }
    m_strDrawingPath = path;
}

void CMainFrame::AutosaveDrawing() {
    if (m_pAutosave == nullptr) return;
    // Nothing drawn is nothing to recover: no file, so that no question is asked.
    if (m_pVertices == nullptr && m_pCurves == nullptr) {
        m_pAutosave->Remove();
        return;
    }
    std::string error;
    // A failed autosave must not interrupt the drawing; the next action tries again.
    m_pAutosave->Write(FormatDrawing(*this), &error);
}

bool CMainFrame::StartAutosave(const std::string& folder) {
    m_pAutosave.reset(new Autosave(folder));
    if (!m_pAutosave->Ready()) {
        m_pAutosave.reset();
        return false;
    }
    const std::vector<std::string> stale = m_pAutosave->ClaimStale();
    if (!stale.empty() && m_pPlatform->AskYesNo("Recover the drawing from the last session?")) {
        std::string error;
        // The newest that opens; a damaged one is passed over for the one before it.
        bool recovered = false;
        for (const std::string& path : stale) {
            if ((recovered = OpenDrawingFile(*this, path, &error))) break;
        }
        if (!recovered)
            m_pPlatform->ShowMessage("The drawing from the last session cannot be recovered.\n\n" +
                                     error);
    }
    m_pAutosave->DiscardClaimed();
    AutosaveDrawing();
    return true;
}

void CMainFrame::StopAutosave() { m_pAutosave.reset(); }
