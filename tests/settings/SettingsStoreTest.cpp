// The settings store against real files: an independent reader and writer
// (Python's plistlib), concurrent writers, corrupt files, read-only folders.
#include "settings/SettingsStore.h"
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::RunProgram;

namespace {

class SettingsStoreTest : public ferrolet::test::TempHome {
protected:
    std::string File() const { return SettingsStore::DefaultFilePath(); }

    // Runs a Python snippet with the settings file path as sys.argv[1].
    std::string Python(const std::string& code) {
        std::string out;
        const int rc = RunProgram({"python3", "-c", code, File()}, &out);
        EXPECT_EQ(rc, 0) << code;
        return out;
    }
};

TEST_F(SettingsStoreTest, WrongTypesReadAsDefaultAndStayStored) {
    Python(R"(
import plistlib, sys, os
os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)
with open(sys.argv[1], 'wb') as f:
    plistlib.dump({'ReplaceFilesBySameName': 1, 'SelectMovedItem': 'no',
                   'IncludeCopyTo': False, 'Extensions': {'a': 'b'},
                   'LastSelectedSound': 5}, f)
)");
    SettingsStore store;
    EXPECT_FALSE(ReadBoolPref(store, keys::ReplaceFilesBySameName));
    EXPECT_TRUE(ReadBoolPref(store, keys::SelectMovedItem));
    EXPECT_FALSE(ReadBoolPref(store, keys::IncludeCopyTo));
    EXPECT_TRUE(ReadExtensions(store).isEmpty());
    EXPECT_TRUE(ReadLastSelectedSound(store).isEmpty());

    // A write of another key keeps the odd values exactly as they were.
    WriteBoolPref(store, keys::WrapCopies, 0);
    const std::string out = Python(R"(
import plistlib, sys
d = plistlib.load(open(sys.argv[1], 'rb'))
print(repr(d['ReplaceFilesBySameName']), repr(d['SelectMovedItem']), d['Extensions'], d['WrapCopies'])
)");
    EXPECT_EQ(out, "1 'no' {'a': 'b'} False\n");
}

TEST_F(SettingsStoreTest, EveryValueTypeRoundTripsWithPlistlib) {
    SettingsStore store;
    store.SetAppValue("b", true);
    store.SetAppValue("i", qint64(-42));
    store.SetAppValue("big", qint64(1) << 40);
    store.SetAppValue("r", 2.5);
    store.SetAppValue("s", QStringLiteral("Grüße \"quoted\" <tag> &"));
    store.SetAppValue("d", QByteArray("dummy\0\xff", 7));
    store.SetAppValue("a", QVariantList{QByteArray("x"), QStringLiteral("y"), false});
    store.SetAppValue("m", QVariantMap{{"k", qint64(7)}});
    ASSERT_TRUE(store.Synchronize());

    const std::string out = Python(R"(
import plistlib, sys
d = plistlib.load(open(sys.argv[1], 'rb'))
print(d['b'] is True, d['i'], d['big'], d['r'], d['s'], d['d'], d['a'], d['m'])
d2 = {'B': False, 'I': 12345, 'N': -7, 'R': 0.25, 'S': 'é', 'D': b'\x00\x01',
      'A': [b'ab', 'cd'], 'M': {'x': True}}
plistlib.dump(d2, open(sys.argv[1], 'wb'))
)");
    EXPECT_EQ(out, "True -42 1099511627776 2.5 Grüße \"quoted\" <tag> & b'dummy\\x00\\xff' "
                   "[b'x', 'y', False] {'k': 7}\n");

    SettingsStore reader;
    reader.Synchronize();
    EXPECT_EQ(reader.Value("B").typeId(), QMetaType::Bool);
    EXPECT_EQ(reader.Value("B").toBool(), false);
    EXPECT_EQ(reader.Value("I").toLongLong(), 12345);
    EXPECT_EQ(reader.Value("N").toLongLong(), -7);
    EXPECT_EQ(reader.Value("R").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(reader.Value("R").toDouble(), 0.25);
    EXPECT_EQ(reader.Value("S").toString(), QString::fromUtf8("é"));
    EXPECT_EQ(reader.Value("D").toByteArray(), QByteArray("\0\1", 2));
    const QVariantList a = reader.Value("A").toList();
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[0].typeId(), QMetaType::QByteArray);
    EXPECT_EQ(a[1].typeId(), QMetaType::QString);
    EXPECT_EQ(reader.Value("M").toMap().value("x").toBool(), true);
}

TEST_F(SettingsStoreTest, ConcurrentWritersOfDifferentKeysKeepBoth) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore store;
            for (int r = 0; r < kRounds; ++r) {
                store.SetAppValue(QStringLiteral("Writer%1").arg(w), qint64(r));
                // On a loaded machine a save can give up waiting for the lock;
                // the change stays pending and the next save carries it.
                int tries = 0;
                while (!store.Synchronize()) {
                    if (++tries == 30) {
                        _exit(1);
                    }
                }
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SettingsStore store;
    store.Synchronize();
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(store.Value(QStringLiteral("Writer%1").arg(w)).toLongLong(), kRounds - 1);
    }
}

TEST_F(SettingsStoreTest, CorruptFilesReadEmptyAndAreKeptAside) {
    const std::vector<std::string> bad = {
        "",                                          // empty
        "<?xml version=\"1.0\"?><plist><dict><key>", // truncated
        "this is not a property list",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>",
        std::string("bplist00\xff\xff\xff", 11),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        ClearLog();
        WriteFile("home/.config/com.quorvane.Ferrolet.plist", bad[i]);
        SettingsStore store;
        EXPECT_TRUE(ReadBoolPref(store, keys::IncludeMoveTo)) << i;
        EXPECT_FALSE(ReadBoolPref(store, keys::ReplaceFilesBySameName)) << i;
        EXPECT_EQ(ReadFile(File()), bad[i]) << "reading never changes the file";
        EXPECT_EQ(LogLines().size(), 1) << "logged once";
        ReadBoolPref(store, keys::IncludeMoveTo);
        EXPECT_EQ(LogLines().size(), 1) << "still once";

        WriteBoolPref(store, keys::WrapCopies, 0);
        // Kept aside before replacing, never over an earlier one kept aside.
        const std::string aside = File() + (i == 0 ? ".corrupt" : ".corrupt." + std::to_string(i));
        EXPECT_EQ(ReadFile(aside), bad[i]);
        SettingsStore fresh;
        EXPECT_FALSE(ReadBoolPref(fresh, keys::WrapCopies));
    }
}

TEST_F(SettingsStoreTest, ReplacementIsAtomicAndLeavesNoTemporaryFiles) {
    SettingsStore store;
    for (int i = 0; i < 20; ++i) {
        store.SetAppValue("Counter", qint64(i));
        ASSERT_TRUE(store.Synchronize());
    }
    const std::string dir = Path("home/.config");
    std::string listing;
    RunProgram({"ls", "-A", dir}, &listing);
    EXPECT_EQ(listing, "com.quorvane.Ferrolet.plist\ncom.quorvane.Ferrolet.plist.lock\n");
}

TEST_F(SettingsStoreTest, UnwritableFolderKeepsRunningWithDefaults) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    MakeDir("home/.config");
    chmod(Path("home/.config").c_str(), 0500);
    SettingsStore store;
    EXPECT_TRUE(ReadBoolPref(store, keys::IncludeMoveTo));
    store.SetAppValue(keys::IncludeMoveTo, false);
    EXPECT_FALSE(store.Synchronize());
    EXPECT_FALSE(ReadBoolPref(store, keys::IncludeMoveTo)) << "the change stays pending in memory";
    EXPECT_EQ(LogLines().size(), 1);
}

} // namespace
