#pragma once

#include <span>
#include <string>

// One type of file a file dialog offers: its filter as the dialog shows it,
// "OBJ (*.obj)", and its extension without the dot.
struct FileType {
    const char* filter;
    const char* extension;
};

// What the program core needs of the window system. The Qt layer implements it for
// the real window; the headless host implements it for tests and the replay tool.
class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Synchronous repaint of the whole frame: the scene has been drawn and presented
    // before this returns.
    virtual void RedrawWindow() = 0;
    // The simple beep.
    virtual void MessageBeep() = 0;
    // Show the cursor resource (IDC_PEN ... IDC_CHANGE).
    virtual void SetCursor(int cursorId) = 0;

    // Menu handles are small integers the platform hands out: the handle of the menu
    // with this id (IDM_...), or 0 when there is none.
    virtual int FindMenu(int menuId) = 0;
    virtual void CheckMenuRadioItem(int menu, int first, int last, int checkedId) = 0;
    virtual void CheckMenuItem(int menu, int id, bool checked) = 0;
    // Shows `text` (with its '&' mnemonic and "\t" shortcut label) as the item's text.
    virtual void SetMenuItemText(int menu, int id, const std::string& text) = 0;

    // Save dialog offering `types`, the first one chosen at the start: default
    // extension and initial name "Untitled.<ext>" from it, overwrite prompt. When the
    // user types no extension of the offered types, the chosen type's extension is
    // added. Returns false when cancelled.
    virtual bool GetSaveFileName(std::span<const FileType> types, std::string& path) = 0;
    // Open dialog for an existing file of one of `types`. Returns false when cancelled.
    virtual bool GetOpenFileName(std::span<const FileType> types, std::string& path) = 0;
    // Standard error box for a failed file write.
    virtual void ReportFileError(const std::string& path, const std::string& reason) = 0;
    // A message box with the program's own text and an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
};
