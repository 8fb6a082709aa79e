#include "host/HeadlessHost.h"

void HeadlessHost::RedrawWindow() {
    ++repaints;
    if (paintHook) paintHook();
}

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
