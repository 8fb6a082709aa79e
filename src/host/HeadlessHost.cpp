#include "host/HeadlessHost.h"

#include "app/CommandTable.h"

void HeadlessHost::RedrawWindow() {
    ++repaints;
    if (paintHook) paintHook();
}

// Handles differ from the menu ids, so that a test sees one taken for the other.
int HeadlessHost::FindMenu(int menuId) { return FindMenuDef(menuId) != nullptr ? 100 + menuId : 0; }

void HeadlessHost::CheckMenuRadioItem(int menu, int first, int last, int checkedId) {
    for (int id = first; id <= last; ++id) {
        marks[id] = (id == checkedId);
        markMenu[id] = menu;
    }
}

void HeadlessHost::CheckMenuItem(int menu, int id, bool checked) {
    marks[id] = checked;
    markMenu[id] = menu;
}

void HeadlessHost::SetMenuItemText(int menu, int id, const std::string& text) {
    itemTexts[id] = text;
    itemTextMenu[id] = menu;
}

bool HeadlessHost::GetSaveFileName(std::string& path) {
    if (saveAnswer.empty()) return false;
    path = saveAnswer;
    return true;
}

void HeadlessHost::ReportFileError(const std::string& path, const std::string& reason) {
    ++fileErrors;
    lastFileError = path + ": " + reason;
}

bool HeadlessHost::IsChecked(int id) const {
    auto it = marks.find(id);
    return it != marks.end() && it->second;
}
