// ferrolet: the command users and file managers call. What needs no window
// (a command on a few given items, --menu, --settings, the journal's
// entries, …) runs here without loading Qt's window system, whose start-up
// was most of a quick command's time; the tray, the preferences window,
// service requests and commands that may show a dialog or a progress window
// go to ferrolet-gui, which is started in this process's place with the
// same arguments.
#include "app/CommandLine.h"
#include "app/ConsoleModes.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace ferrolet;

namespace {

// ferrolet-gui beside this program (the build tree), or in
// <prefix>/libexec/ferrolet/ when installed.
std::string GuiProgram() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return {};
    }
    const std::string exe(self, static_cast<size_t>(n));
    const std::string dir = exe.substr(0, exe.rfind('/'));
    for (const std::string& candidate :
         {dir + "/ferrolet-gui", dir + "/../libexec/ferrolet/ferrolet-gui"}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<CommandLine> cl = ParseProgramArguments(argc, argv);
    if (!cl) {
        return 2;
    }
    if (const std::optional<int> status = RunWithoutWindows(argc, argv, *cl)) {
        return *status;
    }
    const std::string gui = GuiProgram();
    if (!gui.empty()) {
        execv(gui.c_str(), argv);
    }
    std::fprintf(stderr, "ferrolet: cannot start %s: %s\n",
                 gui.empty() ? "ferrolet-gui" : gui.c_str(),
                 std::strerror(gui.empty() ? ENOENT : errno));
    return 2;
}
