// Shows the tray menu built for a known selection and settings in a private
// home, checks that the rendered menu has the model's items, and saves a
// picture of it: menu-screenshot OUTPUT.png. Run under a real X server
// (xvfb-run) so the picture shows the desktop's own style and fonts; exits
// with 77 (skipped) when there is no display.
#include "FakePlatform.h"
#include "app/AppCore.h"
#include "app/gui/MenuRenderer.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace ferrolet;

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "menu-screenshot: %s\n", why);
    return 1;
}

// The number of distinct colours, up to a small limit: a blank or
// unpainted grab has one.
int Colours(const QImage& image) {
    QList<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            const QRgb c = image.pixel(x, y);
            if (!seen.contains(c)) {
                seen.append(c);
                if (seen.size() >= 8) {
                    return 8;
                }
            }
        }
    }
    return static_cast<int>(seen.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: menu-screenshot OUTPUT.png\n");
        return 2;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "menu-screenshot: no X display, skipped\n");
        return 77;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    char home[] = "/tmp/ferrolet-menushot-XXXXXX";
    if (!mkdtemp(home)) {
        return Fail("no temporary folder");
    }
    const std::string root = home;
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/.config").c_str(), 1);
    setenv("XDG_STATE_HOME", (root + "/.local/state").c_str(), 1);
    setenv("FERROLET_DATA_DIR", (root + "/data").c_str(), 1);

    QApplication app(argc, argv);
    auto folder = [&root](const std::string& relative) {
        std::filesystem::create_directories(root + "/" + relative);
        return root + "/" + relative;
    };
    auto file = [&root](const std::string& relative) {
        std::filesystem::create_directories(
            std::filesystem::path(root + "/" + relative).parent_path());
        std::ofstream(root + "/" + relative) << "x";
        return root + "/" + relative;
    };
    const std::string selected[] = {file("Downloads/Invoice 2025-03.pdf"),
                                    file("Downloads/Holiday photo.jpg"),
                                    file("Downloads/notes.txt")};
    folder("data");
    std::ofstream(root + "/data/selection") << "#!/bin/sh\nprintf '%s\\n' '" << selected[0] << "' '"
                                            << selected[1] << "' '" << selected[2] << "'\n";
    chmod((root + "/data/selection").c_str(), 0755);

    SettingsStore store;
    store.SetAppValue(keys::IncludeAliasTo, false);
    store.SetAppValue(keys::IncludeHardLinkTo, false);
    store.SetAppValue(keys::Extensions, QStringList{"pdf"});
    store.Synchronize();
    FolderList(store, keys::PathnamesAliases)
        .SetPathnames({QString::fromStdString(folder("Documents/Invoices")),
                       QString::fromStdString(folder("Pictures/Holidays")),
                       QString::fromStdString(folder("Projects/Ferrolet"))});
    FolderList(store, keys::ExtensionPathsAliases)
        .SetPathnames({QString::fromStdString(folder("Documents/Invoices"))});

    test::FakePlatform platform;
    AppCore core(store, platform);
    core.Setup();
    QMenu menu;
    menu.setToolTipsVisible(true);
    RenderMenu(core.StatusMenu(), &menu, [](const MenuItem&) {});

    // The rendered menu has the model's items, in order.
    QStringList expected;
    for (const MenuItem& item : core.StatusMenu().items) {
        expected << (item.separator ? QString() : item.title);
    }
    QStringList shown;
    for (const QAction* action : menu.actions()) {
        shown << (action->isSeparator() ? QString() : action->text());
    }
    if (shown != expected || !expected.contains(QStringLiteral("Put In Its Place"))) {
        std::fprintf(stderr, "shown:\n%s\nexpected:\n%s\n", qPrintable(shown.join('\n')),
                     qPrintable(expected.join('\n')));
        return Fail("the rendered menu differs from the model");
    }

    menu.popup(QPoint(10, 10));
    if (!QTest::qWaitForWindowExposed(&menu)) {
        return Fail("the menu was never shown");
    }
    QTest::qWait(200);
    const QImage picture = menu.grab().toImage();
    if (picture.width() < 100 || picture.height() < 200 || Colours(picture) < 3) {
        return Fail("the picture of the menu is blank");
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!picture.save(out, "PNG", 9)) {
        return Fail("could not write the picture");
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
