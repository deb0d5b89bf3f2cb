#pragma once

#include "platform/Platform.h"

#include <QStringList>

#include <deque>

namespace ferrolet::test {

// Records every desktop request so tests can check beeps, sounds, reveals and
// dialogs without a display, a bus or a sound card.
class FakePlatform : public Platform {
public:
    void Beep() override { ++beeps; }
    void PlaySound(const QString& name) override { sounds.append(name); }
    void RevealItem(const std::string& path) override {
        revealed.push_back(path);
        revealRequests.push_back({path});
    }
    void RevealItems(const std::vector<std::string>& paths) override {
        revealed.insert(revealed.end(), paths.begin(), paths.end());
        revealRequests.push_back(paths);
    }
    void OpenFolder(const std::string& path) override { openedFolders.push_back(path); }
    void OpenItem(const std::string& path) override { openedItems.push_back(path); }
    void OpenUrl(const QString& url) override { openedUrls.append(url); }
    std::vector<std::string> ChooseFolders(const FolderDialogRequest& request) override {
        dialogs.push_back(request);
        std::vector<std::string> answer;
        if (!dialogAnswers.empty()) {
            answer = dialogAnswers.front();
            dialogAnswers.pop_front();
        }
        return answer;
    }
    void Notify(const QString& summary, const QString& body) override {
        notifications << summary + QLatin1Char('\n') + body;
    }
    void BringToFront() override { ++broughtToFront; }
    QDateTime Now() override { return now; }

    int beeps = 0;
    QStringList sounds;
    // Every item revealed, one request or many.
    std::vector<std::string> revealed;
    // Each request to the file manager: one path per RevealItem, all of a
    // run's paths per RevealItems.
    std::vector<std::vector<std::string>> revealRequests;
    std::vector<std::string> openedFolders;
    std::vector<std::string> openedItems;
    QStringList openedUrls;
    std::vector<FolderDialogRequest> dialogs;
    int broughtToFront = 0;
    // Every notification shown, as "summary\nbody".
    QStringList notifications;
    // Answers for the next dialogs, in order; an empty answer is a cancel.
    std::deque<std::vector<std::string>> dialogAnswers;
    QDateTime now = QDateTime::currentDateTime();
};

} // namespace ferrolet::test
