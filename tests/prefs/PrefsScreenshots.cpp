// Shows the preferences window with sample folders in a private home and
// saves one PNG per tab: prefs-screenshots OUTPUT_FOLDER. Run it under a real
// X server (xvfb-run) so the pictures show the desktop's own style and fonts.
#include "FakePlatform.h"
#include "prefs/PreferencesWindow.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace ferrolet;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: prefs-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    char home[] = "/tmp/ferrolet-screenshots-XXXXXX";
    if (!mkdtemp(home)) {
        return 1;
    }
    setenv("HOME", home, 1);
    setenv("XDG_CONFIG_HOME", (std::string(home) + "/.config").c_str(), 1);
    setenv("XDG_STATE_HOME", (std::string(home) + "/.local/state").c_str(), 1);

    QApplication app(argc, argv);
    const QString root = QString::fromLatin1(home);
    auto folder = [&root](const QString& relative) {
        QDir().mkpath(root + "/" + relative);
        return root + "/" + relative;
    };

    SettingsStore store;
    store.SetAppValue(keys::ReplaceFilesBySameName, true);
    store.SetAppValue(keys::IncludeHardLinkTo, false);
    store.SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
    store.Synchronize();

    test::FakePlatform platform;
    PreferencesWindow pane(store, platform);
    pane.Model().AddFolders({folder("Documents/Invoices 2024"), folder("Documents/Invoices 2025"),
                             folder("Projects/Ferrolet"), folder("Pictures/Holidays"),
                             folder("Music/Inbox")});
    pane.Model().AddExtensionsFolders(
        {folder("Documents/PDFs"), folder("Pictures/Photos"), folder("Music/Inbox")});
    pane.Model().SetExtension(0, "mp3");
    pane.Model().SetExtension(1, "pdf");
    pane.Model().SetExtension(2, "jpg");
    pane.updatePathnamesTable();
    pane.updateExtensionsTable();
    pane.resize(680, 460);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane)) {
        return 1;
    }

    auto* tabs = pane.findChild<QTabWidget*>(QStringLiteral("tabView"));
    const QStringList names{"destinations", "extensions", "menu-contents", "options", "about"};
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    int status = 0;
    for (int i = 0; i < tabs->count() && i < names.size(); ++i) {
        tabs->setCurrentIndex(i);
        QTest::qWait(50);
        const QString file = out + "/prefs-" + names[i] + ".png";
        if (!pane.grab().save(file, "PNG", 9)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file));
            status = 1;
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return status;
}
