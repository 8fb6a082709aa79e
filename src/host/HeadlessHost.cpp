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

bool HeadlessHost::GetSaveFileName(std::span<const FileType> types, std::string& path) {
    offeredTypes.assign(types.begin(), types.end());
    if (saveAnswer.empty()) return false;
    path = saveAnswer;
    return true;
}

bool HeadlessHost::GetOpenFileName(std::span<const FileType> types, std::string& path) {
    offeredTypes.assign(types.begin(), types.end());
    if (openAnswer.empty()) return false;
    path = openAnswer;
    return true;
}

void HeadlessHost::ShowMessage(const std::string& text) {
    ++messages;
    lastMessage = text;
}

bool HeadlessHost::AskYesNo(const std::string& question) {
    questions.push_back(question);
    return yesAnswer;
}

void HeadlessHost::ReportFileError(const std::string& path, const std::string& reason) {
    ++fileErrors;
    lastFileError = path + ": " + reason;
}

bool HeadlessHost::IsChecked(int id) const {
    auto it = marks.find(id);
    return it != marks.end() && it->second;
}

void HeadlessHost::AnswerDialogOf(int commandId, const std::string& path) {
    switch (DialogOf(commandId)) {
    case CommandDialog::Save:
        saveAnswer = path;
        break;
    case CommandDialog::Open:
        openAnswer = path;
        break;
    case CommandDialog::None:
        break;
    }
}
