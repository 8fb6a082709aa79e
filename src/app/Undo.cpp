#include "app/CommandTable.h"
#include "app/MainFrame.h"

namespace {

// The item's text with the step's name after the verb ("&Undo Cut\tCtrl+Z").
std::string StepItemText(int id, const char* step) {
    const CommandDef& command = *FindCommand(id);
    std::string text = command.text;
    if (*step != '\0') (text += ' ') += step;
    return MenuItemText(command, text);
}

// After an undo or redo: the settings the step gave back, the items, the scene.
void ShowStepTaken(CMainFrame& frame, const StepSettings& settings) {
    frame.m_nElevation = settings.elevation;
    frame.m_nAzimuth = settings.azimuth;
    for (int i = 0; i < 8; ++i) frame.m_ViewMatrix[i] = settings.viewMatrix[i];
    frame.m_bAutoCenter = settings.autoCenter;
    frame.ShowMark(*FindCommand(ID_AUTO_CENTER));
    frame.ShowUndoSteps();
    frame.m_pPlatform->RedrawWindow();
    frame.AutosaveDrawing();
}

}  // namespace

StepSettings CMainFrame::CurrentStepSettings() const {
    StepSettings settings;
    settings.elevation = m_nElevation;
    settings.azimuth = m_nAzimuth;
    for (int i = 0; i < 8; ++i) settings.viewMatrix[i] = m_ViewMatrix[i];
    settings.autoCenter = m_bAutoCenter;
    return settings;
}

void CMainFrame::BeginUndoStep() { m_history.Begin(*this, CurrentStepSettings()); }

void CMainFrame::EndUndoStep(const char* name) {
    const size_t made = m_history.Made();
    m_history.End(*this, CurrentStepSettings(), name);
    ShowUndoSteps();
    // Every change a step records is a change the autosave keeps.
    if (m_history.Made() != made) AutosaveDrawing();
}

void CMainFrame::OnUndo() {
    StepSettings settings = CurrentStepSettings();
    if (m_history.Undo(*this, settings)) ShowStepTaken(*this, settings);
}

void CMainFrame::OnRedo() {
    StepSettings settings = CurrentStepSettings();
    if (m_history.Redo(*this, settings)) ShowStepTaken(*this, settings);
}

void CMainFrame::ShowUndoSteps() {
    m_pPlatform->SetMenuItemText(m_hEditMenu, ID_EDIT_UNDO,
                                 StepItemText(ID_EDIT_UNDO, m_history.UndoName()));
    m_pPlatform->SetMenuItemText(m_hEditMenu, ID_EDIT_REDO,
                                 StepItemText(ID_EDIT_REDO, m_history.RedoName()));
}
