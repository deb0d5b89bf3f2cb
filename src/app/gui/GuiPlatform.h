#pragma once

#include "desktop/DesktopPlatform.h"

namespace ferrolet {

// The desktop platform with windows: folder dialogs and raising our own
// windows need a running QApplication.
class GuiPlatform : public DesktopPlatform {
public:
    // The display's bell goes through the application's own X connection.
    GuiPlatform();
    std::vector<std::string> ChooseFolders(const FolderDialogRequest& request) override;
    void BringToFront() override;
};

} // namespace ferrolet
