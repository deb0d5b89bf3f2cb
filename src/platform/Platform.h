#pragma once

#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

namespace ferrolet {

// What a folder dialog is asked to show.
struct FolderDialogRequest {
    QString title = QStringLiteral("Choose Folder");
    QString prompt = QStringLiteral("Choose");
    bool multipleSelection = false;
    // Bring our own windows to the front first, so the dialog shows above
    // the file manager.
    bool bringToFront = true;
    // The folder the dialog opens in; the home folder when empty.
    std::string startFolder;
};

// The desktop services the core needs, behind one small interface so that
// every behaviour can be driven without a display, a bus or a sound card.
// Nothing here blocks on an outside program: requests to the file manager and
// sounds are sent and forgotten.
class Platform {
public:
    virtual ~Platform() = default;

    // The system beep ("bell" of the sound theme, or the display's bell).
    virtual void Beep() = 0;
    // Starts the named sound of the sound theme; a name matching no sound plays
    // nothing.
    virtual void PlaySound(const QString& name) = 0;
    // Selects the item in a file-manager window (reveal).
    virtual void RevealItem(const std::string& path) = 0;
    // Selects all the items in one request to the file manager, so a command
    // that filed twenty items opens one window, not twenty. Without a file
    // manager, each distinct folder holding them is opened once.
    virtual void RevealItems(const std::vector<std::string>& paths) = 0;
    // Shows a folder in the file manager.
    virtual void OpenFolder(const std::string& path) = 0;
    // Opens a document in its default application, or a folder in the file
    // manager.
    virtual void OpenItem(const std::string& path) = 0;
    // Opens a web address in the default browser.
    virtual void OpenUrl(const QString& url) = 0;
    // Runs a modal folder dialog; the chosen folders, empty when cancelled or
    // when there is no display.
    virtual std::vector<std::string> ChooseFolders(const FolderDialogRequest& request) = 0;
    // Shows one desktop notification: a short summary line and a body in
    // plain words. Sent and forgotten: nothing shows when no notification
    // server answers, and the caller never waits for one.
    virtual void Notify(const QString& summary, const QString& body) = 0;
    // Brings this application's own windows to the front.
    virtual void BringToFront() = 0;
    // The local time now (wrapper names).
    virtual QDateTime Now() = 0;
};

} // namespace ferrolet
