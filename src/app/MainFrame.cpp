#include "app/MainFrame.h"

#include <cmath>

#include "app/CommandTable.h"

namespace {

// Degrees to radians. The rotation terms have always been computed with this
// truncated constant rather than pi/180; keeping it keeps every view identical.
constexpr double kDegToRad = 0.01745329252;

}  // namespace

CMainFrame::CMainFrame(IPlatform* platform) : m_pPlatform(platform) {}

// The records are owned by the frame; releasing them here costs nothing at exit and
// keeps frames made in tests or by the replay tool from leaking.
CMainFrame::~CMainFrame() { ReleaseModel(*this); }

int CMainFrame::OnCreate() {
    m_hCursorPen = IDC_PEN;
    m_hCursorEraser = IDC_ERASER;
    m_hCursorDrag = IDC_DRAG;
    m_hCursorChange = IDC_CHANGE;

    m_hDC = m_pPlatform;

    for (const MenuDef& menu : kMenus)
        if (menu.handle != nullptr) this->*menu.handle = m_pPlatform->FindMenu(menu.id);

    const double identityView[8] = {0, 1, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 8; ++i) m_ViewMatrix[i] = identityView[i];
    m_nElevation = 0;
    m_nAzimuth = 0;
    m_nZoom = kMinZoom;
    m_pVertices = nullptr;
    m_pCurves = nullptr;
    m_pTriangles = nullptr;
    m_dStrokeStep = 10.0;
    m_dNearSq = 100.0;
    m_nDragState = kDragNone;
    m_nModelState = kModelEmpty;
    m_bShowControlVertices = 1;
    m_bAutoCenter = 0;
    m_nStrokeTool = 0;

    // Fixed GL state; the renderer applies these fields at the start of every frame.
    const float white[4] = {1, 1, 1, 1};
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    for (int i = 0; i < 4; ++i) {
        m_afClearColor[i] = white[i];
        m_afLightModelAmbient[i] = white[i];
        m_afMaterialAmbientDiffuse[i] = grey[i];
    }
    m_fPointSize = 3.0f;

    m_nDisplayMode = ID_DISPLAY_SURFACES;

    // Directional light in eye coordinates: it stays put while the model turns.
    const float light[4] = {-1, 1, 2, 0};
    for (int i = 0; i < 4; ++i) m_afLight0Position[i] = light[i];

    m_pPlatform->RedrawWindow();

    m_nTool = ID_TOOL_PEN;

    // Every radio group shows its mark from the start; a check item only once it is
    // on, so that no menu draws an empty box beside an item that has never been on.
    for (const CommandDef& command : kCommands) {
        const bool firstOfGroup =
            command.mark == CommandMark::Radio && RadioGroupOf(command).data() == &command;
        const bool checked =
            command.mark == CommandMark::Check && command.marked(*this, command.id);
        if (firstOfGroup || checked) ShowMark(command);
    }
    return 0;
}

void CMainFrame::ComputeViewMatrix() {
    const double el = m_nElevation * kDegToRad;
    const double az = m_nAzimuth * kDegToRad;
    const double sinEl = std::sin(el);
    const double cosEl = std::cos(el);
    const double sinAz = std::sin(az);
    const double cosAz = std::cos(az);
    m_ViewMatrix[0] = sinEl;
    m_ViewMatrix[1] = cosEl;
    m_ViewMatrix[2] = sinAz;
    m_ViewMatrix[3] = cosAz;
    m_ViewMatrix[4] = sinAz * sinEl;
    m_ViewMatrix[5] = cosAz * sinEl;
    m_ViewMatrix[6] = sinAz * cosEl;
    m_ViewMatrix[7] = cosAz * cosEl;
}

bool CMainFrame::OnCommand(int id) {
    const CommandDef* command = FindCommand(id);
    if (command == nullptr || command->run == nullptr) return false;
    // Keys reach a command the menus show greyed; it is refused without a word.
    if (CommandEnabled(*this, *command)) command->run(*this, id);
    ShowMark(*command);
    return true;
}

void CMainFrame::ShowMark(const CommandDef& command) {
    if (command.mark == CommandMark::None) return;
    const MenuDef* menu = FindMenuDef(command.menu);
    const int handle = menu != nullptr && menu->handle != nullptr ? this->*menu->handle : 0;
    if (command.mark == CommandMark::Check) {
        m_pPlatform->CheckMenuItem(handle, command.id, command.marked(*this, command.id));
        return;
    }
    const std::span<const CommandDef> group = RadioGroupOf(command);
    int checked = 0;
    for (const CommandDef& item : group)
        if (item.marked(*this, item.id)) checked = item.id;
    m_pPlatform->CheckMenuRadioItem(handle, group.front().id, group.back().id, checked);
}
