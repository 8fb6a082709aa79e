#pragma once

#include <cstdint>

// Command ids (the command table in CommandTable.h says what each one is). They
// double as state values of m_nDisplayMode and m_nTool.
constexpr int ID_DISPLAY_SURFACES = 32771;
constexpr int ID_DISPLAY_EDGES = 32772;
constexpr int ID_SHOW_CONTROL_VERTICES = 32773;
constexpr int ID_TOOL_PEN = 32774;
constexpr int ID_TOOL_ERASER = 32775;
constexpr int ID_TOOL_DRAG = 32776;
constexpr int ID_TOOL_CHANGE = 32777;
constexpr int ID_SAVE_AS = 32778;
constexpr int ID_VIEW_TOP = 32779;
constexpr int ID_VIEW_BOTTOM = 32780;
constexpr int ID_VIEW_SIDE = 32781;
constexpr int ID_AUTO_CENTER = 32782;
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_DRAWING_AS = 57604;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;
constexpr int ID_APP_EXIT = 57665;

constexpr int IDR_MAINFRAME = 128;
constexpr int IDC_PEN = 310;
constexpr int IDC_ERASER = 311;
constexpr int IDC_DRAG = 312;
constexpr int IDC_CHANGE = 313;

constexpr const char* kAppTitle = "Pliform";
constexpr int kInitialOuterWidth = 600;
constexpr int kInitialOuterHeight = 600;

// 32x32 monochrome cursor: rows top to bottom, bit 31 of a row is the leftmost pixel.
// A pixel is black where `black` is set, white where `white` is set, transparent else.
struct CursorDef {
    int id;
    uint32_t black[32];
    uint32_t white[32];
    int hotX;
    int hotY;
};
const CursorDef* FindCursor(int id);

// Application icon in several sizes, 32-bit RGBA rows, drawn procedurally.
// Writes size*size pixels as 0xAARRGGBB into out.
void DrawAppIcon(int size, uint32_t* out);
