#include "FakePlatform.h"

namespace ferrolet::test {

void FakePlatform::Notify(const QString& summary, const QString& body) {
    notifications << summary + QLatin1Char('\n') + body;
}

void FakePlatform::Beep() {
    ++beeps;
}
void FakePlatform::PlaySound(const QString& name) {
    sounds.append(name);
}
void FakePlatform::RevealItem(const std::string& path) {
    revealed.push_back(path);
    revealRequests.push_back({path});
}
void FakePlatform::RevealItems(const std::vector<std::string>& paths) {
    revealed.insert(revealed.end(), paths.begin(), paths.end());
    revealRequests.push_back(paths);
}
void FakePlatform::OpenFolder(const std::string& path) {
    openedFolders.push_back(path);
}
void FakePlatform::OpenItem(const std::string& path) {
    openedItems.push_back(path);
}
void FakePlatform::OpenUrl(const QString& url) {
    openedUrls.append(url);
}

std::vector<std::string> FakePlatform::ChooseFolders(const FolderDialogRequest& request) {
    dialogs.push_back(request);
    if (dialogAnswers.empty()) {
        return {};
    }
    auto answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

void FakePlatform::BringToFront() {
    ++broughtToFront;
}
QDateTime FakePlatform::Now() {
    return now;
}

} // namespace ferrolet::test
