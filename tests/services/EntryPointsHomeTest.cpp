// The home folder is the user's: the read-only entry points of the real
// program (the menus, the settings report, a tray start) make no folders in
// a fresh home, and a settings path that is a FIFO does not hold them up.
#include "PrivateBus.h"

#include <QDBusConnectionInterface>

#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace ferrolet::test {
namespace {

class EntryPointsHome : public PrivateBusFixture {
protected:
    // Every folder under the home, relative to it.
    std::set<std::string> Folders() const {
        std::set<std::string> folders;
        const std::filesystem::path home = Path("home");
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
            if (entry.is_directory()) {
                folders.insert(std::filesystem::relative(entry.path(), home).string());
            }
        }
        return folders;
    }

    // Runs ferrolet to its end, within a deadline; its exit status.
    int Run(const QStringList& args, const QString& bus) {
        QProcess run;
        run.setProcessEnvironment(ChildEnvironment(bus));
        run.start(QStringLiteral(FERROLET_BINARY), args);
        EXPECT_TRUE(run.waitForFinished(60000)) << args.join(' ').toStdString() << " hangs";
        m_stderr = run.readAllStandardError().toStdString();
        return run.exitCode();
    }

    std::string m_stderr;
};

TEST_F(EntryPointsHome, MenusSettingsAndATrayStartMakeNoFolders) {
    const QString bus = StartBus();
    ASSERT_FALSE(bus.isEmpty());
    const std::set<std::string> before = Folders();
    for (const QStringList& args :
         {QStringList{"--menu"}, QStringList{"--menu", "--move-service"}, {"--settings"}}) {
        EXPECT_EQ(Run(args, bus), 0) << args.join(' ').toStdString();
        EXPECT_EQ(Folders(), before) << args.join(' ').toStdString();
    }

    QProcess tray;
    tray.setProcessEnvironment(ChildEnvironment(bus));
    tray.start(QStringLiteral(FERROLET_BINARY), {});
    QDBusConnection observer = Connect(QStringLiteral("observer"));
    ASSERT_TRUE(WaitFor([&] {
        return observer.interface()
            ->isServiceRegistered(QStringLiteral("com.quorvane.Ferrolet"))
            .value();
    })) << "the tray never came up";
    tray.terminate();
    ASSERT_TRUE(tray.waitForFinished(60000));
    EXPECT_EQ(Folders(), before);
}

TEST_F(EntryPointsHome, AFifoForSettingsIsRefusedAtOnce) {
    const QString bus = StartBus();
    ASSERT_FALSE(bus.isEmpty());
    const std::string fifo = Path("home/.config/com.quorvane.Ferrolet.plist");
    std::filesystem::remove(fifo); // the fixture's own settings
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno) << " " << fifo;

    EXPECT_EQ(Run({"--settings"}, bus), 0);
    const size_t said = m_stderr.find("is not a regular file");
    EXPECT_NE(said, std::string::npos) << m_stderr;
    EXPECT_EQ(m_stderr.find("is not a regular file", said + 1), std::string::npos)
        << "logged more than once: " << m_stderr;
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace
} // namespace ferrolet::test
