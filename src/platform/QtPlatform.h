#pragma once

#include <QCursor>
#include <map>
#include <string>

#include "app/Platform.h"

class GLView;
class QtMenus;
class QWidget;

// The window system as the core sees it: synchronous repaints of the drawing
// surface, the beep, the tool cursors, the menu marks, the save dialog and the file
// error box.
class QtPlatform : public IPlatform {
public:
    // `owner` parents the dialogs; `view` is repainted and carries the cursor; `menus`
    // holds the marks. All three outlive the platform.
    QtPlatform(QWidget* owner, GLView* view, QtMenus* menus);

    void RedrawWindow() override;
    void MessageBeep() override;
    void SetCursor(int cursorId) override;
    int FindMenu(int menuId) override;
    void CheckMenuRadioItem(int menu, int first, int last, int checkedId) override;
    void CheckMenuItem(int menu, int id, bool checked) override;
    void SetMenuItemText(int menu, int id, const std::string& text) override;
    bool GetSaveFileName(std::span<const FileType> types, std::string& path) override;
    bool GetOpenFileName(std::span<const FileType> types, std::string& path) override;
    void ReportFileError(const std::string& path, const std::string& reason) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& question) override;

private:
    // Hands the keyboard back to the owner's window once a dialog has closed.
    void ReturnFocus();

    QWidget* m_owner;
    GLView* m_view;
    QtMenus* m_menus;
    std::map<int, QCursor> m_cursors;
    int m_shownCursor = 0;
};

// A cursor from a monochrome cursor resource; the arrow when the id is unknown.
QCursor MakeCursor(int cursorId);
