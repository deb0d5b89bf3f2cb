#pragma once

#include "platform/Platform.h"

#include <QStringList>

#include <deque>

namespace ferrolet::test {

// Records every desktop request so tests can check beeps, sounds, reveals and
// dialogs without a display, a bus or a sound card.
class FakePlatform : public Platform {
public:
    void Beep() override;
    void PlaySound(const QString& name) override;
    void RevealItem(const std::string& path) override;
    void RevealItems(const std::vector<std::string>& paths) override;
    void OpenFolder(const std::string& path) override;
    void OpenItem(const std::string& path) override;
    void OpenUrl(const QString& url) override;
    std::vector<std::string> ChooseFolders(const FolderDialogRequest& request) override;
    void Notify(const QString& summary, const QString& body) override;
    void BringToFront() override;
    QDateTime Now() override;

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
