#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/History.h"
#include "app/Platform.h"
#include "app/Resources.h"
#include "model/Model.h"

struct CPoint {
    int x = 0;
    int y = 0;
};

struct DPoint {
    double x = 0.0;
    double y = 0.0;
};

// StrokeClass values.
constexpr int StrokeDot = 0;
constexpr int StrokeLoop = 1;
constexpr int StrokeArc = 2;
constexpr int StrokeLine = 3;

// Zoom steps: the longer side of the view spans 2 * 1.001^zoom model units. The
// program starts at the nearest; the wheel keeps within the two.
constexpr int32_t kMinZoom = 5000;
constexpr int32_t kMaxZoom = 5960;

// DragState values: what the held mouse button is doing.
constexpr int32_t kDragNone = 0;
constexpr int32_t kDragRotate = 1;  // the right button turns the view
constexpr int32_t kDragTool = 2;    // the left button makes a stroke of the current tool

// ChangeKind of a Change stroke that began on no vertex: it paints nothing. Otherwise
// the kind is the vertex kind the stroke paints.
constexpr int32_t kChangeNothing = 0;

class FairKernel;
class Autosave;
struct CommandDef;

// Frees a fairing kernel. Defined beside the fairing, so that whatever destroys a frame
// needs only this declaration, not the kernel's header.
struct FairKernelDeleter {
    void operator()(FairKernel* kernel) const;
};

// Frees the autosave, removing its file: defined beside it, as the kernel's deleter is.
struct AutosaveDeleter {
    void operator()(Autosave* autosave) const;
};

// The folder autosave uses: $XDG_STATE_HOME/pliform, else $HOME/.local/state/pliform;
// empty when neither variable holds an absolute path.
std::string DefaultAutosaveFolder();

// The one main frame: owner of every piece of program state and of every model
// record. Handlers run to completion and repaint synchronously through the platform.
// Operations take no arguments unless they must; they read the mouse from m_ptMouse
// and the stroke from the head of the curve list. The model's lists and state
// (m_pVertices, m_pCurves, m_pTriangles, m_nModelState) are the frame's own fields,
// inherited from Model so that the model layer can work on them without the frame.
class CMainFrame : public Model {
public:
    explicit CMainFrame(IPlatform* platform);
    ~CMainFrame();
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // ---- Application shell (app/) ----
    int OnCreate();
    void OnDisplayMode(int id);
    void OnShowControlVertices();
    void OnTool(int id);
    void OnAutoCenter();
    void OnFileNew();
    // Routes a menu or accelerator command id to its handler in the command table
    // and shows the command's mark as the handler left the state; returns false for
    // an id the frame does not handle (ID_APP_EXIT is the platform's). A command the
    // table disables at the moment is not run.
    bool OnCommand(int id);
    // Shows a command's check or radio mark as the frame's state has it, in the menu
    // that holds the command.
    void ShowMark(const CommandDef& command);

    // ---- Undo and redo (app/Undo.cpp) ----
    // An action that may change the model begins and ends: a tool stroke from button
    // down to up, File > New, Auto Center switched on. The history copies the model
    // at the beginning and keeps a step at the end if the model changed. A command
    // in the middle of a gesture joins the gesture's step.
    void BeginUndoStep();
    void EndUndoStep(const char* name);
    // Take back the newest step, or do again the one taken back last; with the model
    // the view settings the step keeps (the orientation New cleared, Auto Center).
    void OnUndo();
    void OnRedo();
    // The settings a step may give back, as the frame has them now.
    StepSettings CurrentStepSettings() const;
    // The Undo and Redo items name their steps ("&Undo Cut").
    void ShowUndoSteps();

    // ---- View (view/) ----
    void OnSize(int cx, int cy);
    void UpdateProjection();
    void OnViewTop();
    void OnViewBottom();
    void OnViewSide();

    // ---- Mouse (tools/) ----
    void OnLButtonDown(unsigned flags, CPoint point);
    void OnLButtonUp(unsigned flags, CPoint point);
    void OnMouseMove(unsigned flags, CPoint point);
    void OnRButtonDown(unsigned flags, CPoint point);
    void OnRButtonUp(unsigned flags, CPoint point);
    bool OnMouseWheel(unsigned flags, short zDelta, CPoint point);

    // ---- Strokes and pen dispatch (tools/) ----
    void BeginStroke();
    void ExtendStroke();
    void ClassifyStroke();
    void DropNewestStroke(int beep);
    void FinishPenStroke();

    // ---- Picking (tools/) ----
    Vertex* PickVertex(int onlyWaitingCurve);
    Triangle* PickTriangle(CurveLink* link);

    // ---- Curve tools (tools/) ----
    void EraseAt();
    void CutCurvesAtVertex(Vertex* vertex);
    void BeginDrag();
    void DragTo();
    void GrowDragRegion(Triangle* triangle);
    void BeginChange();
    void ChangeAt();

    // ---- Surface construction (surface/) ----
    RingNode* RingFromCurve(Curve* curve);
    RingNode* TwinRing(RingNode* ring);
    void SplitRing(RingNode* ring, int flag);
    void CloseAndPlace();
    // The classified outline stroke closed, placed and triangulated into the flat
    // double patch of a first body, front and back, not yet faired.
    void TriangulateOutline();
    void KeepOpenAndPlace();
    void PlanarLifting();
    void EmbedStroke();
    // False when the fairing ran away to non-finite values; the model then keeps the
    // positions it had before the call.
    bool FairModel();
    // FairModel, and the checker (ValidateModel) on the result: true when both pass
    // and every position and normal is finite. The checker runs beside the fairing,
    // which moves vertices and changes nothing else it looks at.
    bool FairAndValidate();
    void ComputeVertexNormals();
    void TransformToView();

    // ---- Editing (edit/) ----
    void CutModel();
    void CutModelFrom(Triangle* start);
    void FloodCut(Triangle* triangle);
    void ExtrudeLoop();

    // ---- Export (export/) ----
    void OnSaveAs();

    // ---- Drawing files and autosave (drawing/) ----
    // Open asks for a drawing and replaces the model and view with it; a file that is
    // not a sound drawing is refused with a message and changes nothing.
    void OnFileOpen();
    // Saves the drawing to the path it was opened from or last saved to, asking for
    // one the first time.
    void OnFileSave();
    void OnFileSaveDrawingAs();
    // Writes the drawing to this program's autosave file, when autosave is on. Called
    // after every action that changed the model.
    void AutosaveDrawing();
    // Turns autosave on in `folder` (made if missing). First offers to recover the
    // drawing that a program that ended without exiting left there; the answer Yes
    // opens it. Returns false, with autosave off, when the folder cannot be used.
    bool StartAutosave(const std::string& folder);
    // Turns autosave off and removes this program's autosave file: the clean exit.
    void StopAutosave();

    // ---- Fields, in the order the frame declares them ----
    int m_hCursorPen = 0;
    int m_hCursorEraser = 0;
    int m_hCursorDrag = 0;
    int m_hCursorChange = 0;
    IPlatform* m_hDC = nullptr;  // the surface the frame is drawn on
    int m_hViewMenu = 0;
    int m_hDisplayMenu = 0;
    int m_hToolsMenu = 0;
    int32_t m_nDragState = kDragNone;
    int32_t m_nDisplayMode = 0;
    int32_t m_nTool = 0;
    int32_t m_bShowControlVertices = 0;
    int32_t m_bAutoCenter = 0;
    int32_t m_nRotateAnchorAz = 0;
    int32_t m_nRotateAnchorEl = 0;
    int32_t m_nClientWidth = 0;
    int32_t m_nClientHeight = 0;
    int32_t m_nElevation = 0;
    int32_t m_nAzimuth = 0;
    int32_t m_nZoom = 0;
    DPoint m_ptMouse;
    DPoint m_ptDragStart;
    double m_ViewMatrix[8] = {0, 1, 0, 1, 0, 0, 0, 1};
    Vec3 m_vDragAnchor;
    double m_dDragRadiusSq = 0.0;
    double m_dStrokeStep = 0.0;
    double m_dNearSq = 0.0;
    double m_dPixelSize = 0.0;
    int32_t m_nChangeKind = kChangeNothing;
    int32_t m_nStrokeClass = 0;
    Triangle* m_pDragTriangle = nullptr;

    // ---- Fixed-function GL state, set where the program sets it and applied by the
    // renderer at the start of every frame ----
    float m_afClearColor[4] = {0, 0, 0, 0};
    float m_afLightModelAmbient[4] = {0, 0, 0, 0};
    float m_afMaterialAmbientDiffuse[4] = {0, 0, 0, 0};
    float m_fPointSize = 1.0f;
    float m_afLight0Position[4] = {0, 0, 1, 0};   // eye coordinates
    double m_adOrtho[6] = {-1, 1, -1, 1, -1, 1};  // left, right, bottom, top, near, far
    int m_anViewport[4] = {0, 0, 0, 0};

    // ---- Our own additions ----
    IPlatform* m_pPlatform = nullptr;
    // The tool whose button-down began the current tool stroke; moves and the
    // release go to this tool even if another is chosen meanwhile.
    int32_t m_nStrokeTool = 0;
    // The fairing's arrays, kept from one fairing to the next: refilling memory the
    // process already holds costs far less than first touches of fresh pages, which
    // on a 10k-vertex model took up to a third of the fairing's time.
    std::unique_ptr<FairKernel, FairKernelDeleter> m_pFairKernel;
    // Where Save Drawing writes without asking; empty until a drawing was opened or
    // saved under a name.
    std::string m_strDrawingPath;
    // Null while autosave is off, as in tests and the replay tool.
    std::unique_ptr<Autosave, AutosaveDeleter> m_pAutosave;
    int m_hEditMenu = 0;
    UndoHistory m_history;

    // Recomputes the eight m_ViewMatrix terms from m_nElevation and m_nAzimuth.
    void ComputeViewMatrix();
};
