#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Platform.h"

// Platform for tests and the replay tool: no window; it records what the core asked
// for. A paint hook may be installed to render each repaint (offscreen GL).
class HeadlessHost : public IPlatform {
public:
    void RedrawWindow() override;
    void MessageBeep() override { ++beeps; }
    void SetCursor(int cursorId) override {
        cursor = cursorId;
        ++cursorSets;
    }
    int FindMenu(int menuId) override;
    void CheckMenuRadioItem(int menu, int first, int last, int checkedId) override;
    void CheckMenuItem(int menu, int id, bool checked) override;
    void SetMenuItemText(int menu, int id, const std::string& text) override;
    bool GetSaveFileName(std::span<const FileType> types, std::string& path) override;
    bool GetOpenFileName(std::span<const FileType> types, std::string& path) override;
    void ReportFileError(const std::string& path, const std::string& reason) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& question) override;

    // Sets the answer of the file dialog that the command shows, if it shows one.
    void AnswerDialogOf(int commandId, const std::string& path);

    // Mark of a command id as the core last set it (false when never set).
    bool IsChecked(int id) const;

    int beeps = 0;
    int repaints = 0;
    int cursor = 0;
    // Every SetCursor call; the mouse handlers set the cursor on every move.
    int cursorSets = 0;
    int fileErrors = 0;
    std::string lastFileError;
    // Answer of the next save dialogs; empty means "cancelled".
    std::string saveAnswer;
    // The types the last save or open dialog offered, first the one chosen at the start.
    std::vector<FileType> offeredTypes;
    // Answer of the next open dialogs; empty means "cancelled".
    std::string openAnswer;
    int messages = 0;
    std::string lastMessage;
    // Answer to every yes-or-no question, and the questions asked.
    bool yesAnswer = false;
    std::vector<std::string> questions;
    std::map<int, bool> marks;
    // Menu handle of each mark, to check that the right menu was addressed.
    std::map<int, int> markMenu;
    // Item texts the core set, by command id, and the menu handle each was set in.
    std::map<int, std::string> itemTexts;
    std::map<int, int> itemTextMenu;
    std::function<void()> paintHook;
};
