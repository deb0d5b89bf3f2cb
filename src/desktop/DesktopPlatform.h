#pragma once

#include "platform/Platform.h"

#include <chrono>
#include <functional>

struct ca_context;

namespace ferrolet {

// The Platform of a Linux desktop: sounds through libcanberra and the
// freedesktop sound theme, the file manager through org.freedesktop.FileManager1
// (with xdg-open when none answers), documents and web addresses through
// xdg-open. Nothing here waits on an outside program.
class DesktopPlatform : public Platform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    // The theme's "bell"; when no sound can be played, the display's bell.
    void Beep() override;
    void PlaySound(const QString& name) override;
    void RevealItem(const std::string& path) override;
    void RevealItems(const std::vector<std::string>& paths) override;
    void OpenFolder(const std::string& path) override;
    void OpenItem(const std::string& path) override;
    void OpenUrl(const QString& url) override;
    // No dialog without the GUI layer, which overrides this.
    std::vector<std::string> ChooseFolders(const FolderDialogRequest& request) override;
    void Notify(const QString& summary, const QString& body) override;
    void BringToFront() override;
    QDateTime Now() override;

    // What a process that ends after a command waits for, at most limit in
    // all: the file manager's answers to its reveals (so a refused one still
    // gets its xdg-open), the sounds it started, and the bus carrying its
    // notifications away. Nothing is waited for that was not started.
    void FinishPendingRequests(std::chrono::milliseconds limit);

    // Rings the display's bell; by default the X server's bell over a
    // connection opened for it (nothing without an X display). The GUI
    // layer sets one that uses its application's connection.
    void SetDisplayBell(std::function<void()> bell) { m_displayBell = std::move(bell); }
    const std::function<void()>& DisplayBell() const { return m_displayBell; }

private:
    // Creates the sound context on first use; null when there is none.
    ca_context* Sounds();

    ca_context* m_sounds = nullptr;
    bool m_soundsTried = false;
    // Whether a sound was started (and may still be playing).
    bool m_soundStarted = false;
    std::function<void()> m_displayBell;
};

} // namespace ferrolet
