// The settings store against real files: an independent reader and writer
// (Python's plistlib), writers of different keys, files that cannot be read
// (corrupt, nested without end, no regular file), a file behind a link, a
// lock that another process keeps, and a folder that cannot be written.
#include "settings/SettingsStore.h"
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>

using namespace ferrolet;
using ferrolet::test::RunProgram;

namespace {

class SettingsTest : public ferrolet::test::TempHome {
protected:
    std::string File() const { return SettingsStore::DefaultFilePath(); }

    // Runs Python (plistlib, sys and os imported) with path as sys.argv[1].
    std::string Python(const std::string& code, std::string path = {}) {
        std::string out;
        EXPECT_EQ(RunProgram({"python3", "-c", "import plistlib, sys, os\n" + code,
                              path.empty() ? File() : path},
                             &out),
                  0)
            << code;
        return out;
    }
};

TEST_F(SettingsTest, EveryValueTypeRoundTripsWithPlistlibAndOddTypesStay) {
    SettingsStore store;
    store.SetAppValue("b", true);
    store.SetAppValue("i", qint64(-42));
    store.SetAppValue("big", qint64(1) << 40);
    store.SetAppValue("r", 2.5);
    store.SetAppValue("s", QStringLiteral("Grüße \"quoted\" <tag> &"));
    store.SetAppValue("d", QByteArray("dummy\0\xff", 7));
    store.SetAppValue("a", QVariantList{QByteArray("x"), QStringLiteral("y"), false});
    store.SetAppValue("m", QVariantMap{{"k", qint64(7)}});
    store.SetAppValue("gone", true);
    ASSERT_TRUE(store.Synchronize());
    store.SetAppValue("gone", QVariant());
    ASSERT_TRUE(store.Synchronize());
    // Replaced whole each time: no temporary file is left beside it.
    EXPECT_EQ(Names(Path("home/.config")),
              (std::vector<std::string>{"com.quorvane.Ferrolet.plist",
                                        "com.quorvane.Ferrolet.plist.lock"}));
    EXPECT_EQ(Python(R"(
d = plistlib.load(open(sys.argv[1], 'rb'))
print(d['b'] is True, d['i'], d['big'], d['r'], d['s'], d['d'], d['a'], d['m'], 'gone' in d)
plistlib.dump({'B': False, 'R': 0.25, 'S': 'é', 'D': b'\x00\x01', 'A': [b'ab', 'cd'],
               'M': {'x': True}, 'ReplaceFilesBySameName': 1, 'SelectMovedItem': 'no',
               'IncludeCopyTo': False, 'Extensions': {'a': 'b'}, 'LastSelectedSound': 5},
              open(sys.argv[1], 'wb'))
)"),
              "True -42 1099511627776 2.5 Grüße \"quoted\" <tag> & b'dummy\\x00\\xff' "
              "[b'x', 'y', False] {'k': 7} False\n");

    SettingsStore reader;
    reader.Synchronize();
    // Compared with their types: a string is not equal to the same bytes.
    EXPECT_EQ(reader.Value("B").typeId(), QMetaType::Bool);
    EXPECT_EQ(reader.Value("R").typeId(), QMetaType::Double);
    EXPECT_EQ(reader.Value("R"), QVariant(0.25));
    EXPECT_EQ(reader.Value("S"), QVariant(QString::fromUtf8("é")));
    EXPECT_EQ(reader.Value("D"), QVariant(QByteArray("\0\1", 2)));
    EXPECT_EQ(reader.Value("A"), QVariant(QVariantList{QByteArray("ab"), QStringLiteral("cd")}));
    EXPECT_EQ(reader.Value("M"), QVariant(QVariantMap{{"x", true}}));
    // Values of the wrong type read as the default and stay as they were.
    EXPECT_FALSE(ReadBoolPref(reader, keys::ReplaceFilesBySameName));
    EXPECT_TRUE(ReadBoolPref(reader, keys::SelectMovedItem));
    EXPECT_FALSE(ReadBoolPref(reader, keys::IncludeCopyTo));
    EXPECT_TRUE(ReadExtensions(reader).isEmpty());
    EXPECT_TRUE(ReadLastSelectedSound(reader).isEmpty());
    // A writer that read the file before another one replaced it keeps the
    // other writer's keys: each save merges with what is on disk.
    WriteBoolPref(store, keys::WrapCopies, 0);
    reader.Synchronize(); // whatever reading left pending is saved now
    EXPECT_EQ(Python("d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                     "print(repr(d['ReplaceFilesBySameName']), repr(d['SelectMovedItem']), "
                     "d['Extensions'], d['WrapCopies'])"),
              "1 'no' {'a': 'b'} False\n");
}

// An XML list whose root dictionary holds WrapCopies = false and "Deep",
// nested levels arrays deep.
std::string DeepXml(int levels) {
    return "<?xml version=\"1.0\"?>\n<!-- <dict> in a comment is no element -->\n"
           "<plist version=\"1.0\"><dict><key>WrapCopies</key><false/><key>Deep</key>" +
           QByteArray("<array>").repeated(levels).toStdString() +
           QByteArray("</array>").repeated(levels).toStdString() + "</dict></plist>\n";
}

// What Python (plistlib, struct and sys imported, n = int(arg)) writes.
std::string PythonBytes(const std::string& code, const std::string& arg) {
    std::string out;
    const std::string prelude = "import plistlib, struct, sys\nn = int(sys.argv[1])\n";
    EXPECT_EQ(RunProgram({"python3", "-c", prelude + code, arg}, &out), 0) << code;
    return out;
}

// A binary list of count one-element arrays, each holding the next (the
// last holding the first when cyclic, else nothing).
std::string NestedBinary(uint32_t count, bool cyclic) {
    return PythonBytes(std::string("cyclic = ") + (cyclic ? "True" : "False") + R"(
o, offsets = bytearray(b'bplist00'), bytearray()
for i in range(n):
    offsets += struct.pack('>I', len(o))
    o += b'\xa0' if i + 1 == n and not cyclic else b'\xa1' + struct.pack('>I', (i + 1) % n)
sys.stdout.buffer.write(o + offsets + bytes(6) + b'\x04\x04' + struct.pack('>QQQ', n, 0, len(o)))
)",
                       std::to_string(count));
}

// Arrays that each hold the next one twice, stored once and referred to twice.
std::string SharedBinary(int levels) {
    return PythonBytes(R"(d = ['x']
for i in range(n): d = [d, d]
sys.stdout.buffer.write(plistlib.dumps({'WrapCopies': False, 'Deep': d}, fmt=plistlib.FMT_BINARY))
)",
                       std::to_string(levels));
}

// Files that cannot be read (and used to crash or freeze every entry point)
// read as defaults, are logged once, never changed by reading, and are kept
// aside before a save replaces them, never over an earlier one kept aside.
TEST_F(SettingsTest, UnreadableFilesReadAsDefaultsAndAreKeptAside) {
    const struct {
        const char* what;
        std::string bytes;
        bool readable;
    } cases[] = {
        {"empty", "", false},
        {"truncated", "<?xml version=\"1.0\"?><plist><dict><key>", false},
        {"not a property list", "this is not a property list", false},
        {"an array at the root",
         "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><true/></array></plist>", false},
        {"binary junk", std::string("bplist00\xff\xff\xff", 11), false},
        {"xml 200,000 deep", DeepXml(200000), false},
        {"binary 200,000 deep", NestedBinary(200000, false), false},
        {"binary cycle", NestedBinary(3, true), false},
        {"xml as deep as kept", DeepXml(64), true},
        {"xml just past what is let through", DeepXml(66), false},
        {"binary unfolding into 2^60 values", SharedBinary(60), false},
        {"binary from plistlib", SharedBinary(10), true},
    };
    int asides = 0;
    for (const auto& c : cases) {
        ClearLog();
        WriteFile("home/.config/com.quorvane.Ferrolet.plist", c.bytes);
        SettingsStore store;
        EXPECT_TRUE(ReadBoolPref(store, keys::IncludeMoveTo)) << c.what;
        EXPECT_EQ(ReadBoolPref(store, keys::WrapCopies), !c.readable) << c.what;
        EXPECT_EQ(store.Value(QStringLiteral("Deep")).isValid(), c.readable) << c.what;
        ReadBoolPref(store, keys::IncludeMoveTo);
        EXPECT_EQ(LogLines().size(), c.readable ? 0 : 1) << c.what << ": logged once";
        EXPECT_EQ(ReadFile(File()), c.bytes) << c.what << ": reading changed the file";
        if (!c.readable) {
            WriteBoolPref(store, keys::WrapCopies, 0);
            const std::string n = asides == 0 ? "" : "." + std::to_string(asides);
            EXPECT_EQ(ReadFile(File() + ".corrupt" + n), c.bytes) << c.what;
            ++asides;
            SettingsStore fresh;
            EXPECT_FALSE(ReadBoolPref(fresh, keys::WrapCopies)) << c.what;
        }
    }
}

// Dotfile managers make the settings file a link: read and written through
// it, the link stays, and the lock sits beside the real file.
TEST_F(SettingsTest, ReadAndWrittenThroughALinkWhichStaysALink) {
    const std::string target = MakeDir("home/dotfiles") + "/ferrolet.plist";
    Python("plistlib.dump({'WrapCopies': False}, open(sys.argv[1], 'wb'))", target);
    MakeDir("home/.config");
    const std::string linkText = "../dotfiles/ferrolet.plist";
    ASSERT_EQ(symlink(linkText.c_str(), File().c_str()), 0);

    SettingsStore store;
    EXPECT_FALSE(ReadBoolPref(store, keys::WrapCopies));
    store.SetAppValue(keys::SelectMovedItem, false);
    ASSERT_TRUE(store.Synchronize());
    EXPECT_EQ(std::filesystem::read_symlink(File()).string(), linkText);
    EXPECT_EQ(Python("d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                     "print(d['WrapCopies'], d['SelectMovedItem'])",
                     target),
              "False False\n");
    EXPECT_EQ(Names(Path("home/.config")), std::vector<std::string>{"com.quorvane.Ferrolet.plist"});
    EXPECT_EQ(Names(Path("home/dotfiles")),
              (std::vector<std::string>{"ferrolet.plist", "ferrolet.plist.lock"}));
    // A writer of the real file is seen through the link.
    Python("d = plistlib.load(open(sys.argv[1], 'rb')); d['WrapCopies'] = True\n"
           "plistlib.dump(d, open(sys.argv[1], 'wb'))",
           target);
    EXPECT_TRUE(ReadBoolPref(store, keys::WrapCopies));
    EXPECT_TRUE(LogLines().isEmpty()) << LogLines().join('\n').toStdString();

    // A link that leads nowhere yet gets its file where it points.
    ASSERT_EQ(unlink(File().c_str()), 0);
    ASSERT_EQ(symlink(Path("home/dotfiles/new.plist").c_str(), File().c_str()), 0);
    SettingsStore fresh;
    EXPECT_TRUE(ReadBoolPref(fresh, keys::PromptForWrap)) << "defaults apply";
    fresh.SetAppValue(keys::PromptForWrap, false);
    ASSERT_TRUE(fresh.Synchronize());
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_EQ(Python("print(plistlib.load(open(sys.argv[1], 'rb'))['PromptForWrap'])",
                     Path("home/dotfiles/new.plist")),
              "False\n");
}

TEST_F(SettingsTest, NoRegularFileIsNeverOpenedNorReplaced) {
    // A blocking open of the FIFO would hang here; the alarm ends the test.
    alarm(120);
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        mode_t kind; // what must still stand there, through links
    } cases[] = {
        {"fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, S_IFIFO},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); }, S_IFDIR},
        {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
         S_IFCHR},
        {"loop", [](const std::string& p) { std::filesystem::create_symlink(p, p); }, 0},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(Path("home/.config"));
        MakeDir("home/.config");
        c.make(File());
        ClearLog();
        SettingsStore store;
        EXPECT_FALSE(ReadBoolPref(store, keys::ReplaceFilesBySameName)) << c.what;
        EXPECT_TRUE(ReadBoolPref(store, keys::WrapCopies)) << c.what;
        store.SetAppValue(keys::WrapCopies, false);
        EXPECT_FALSE(store.Synchronize()) << c.what << ": written over";
        EXPECT_FALSE(store.Synchronize()) << c.what;
        EXPECT_EQ(CountLog(".*is not a regular file.*"), 1) << c.what;
        struct stat st {};
        if (c.kind != 0) {
            ASSERT_EQ(stat(File().c_str(), &st), 0) << c.what;
            EXPECT_EQ(st.st_mode & S_IFMT, c.kind) << c.what;
        }
        EXPECT_EQ(Names(Path("home/.config")),
                  std::vector<std::string>{"com.quorvane.Ferrolet.plist"})
            << c.what << ": something was kept aside or left behind";
    }
    alarm(0);
}

// A save that cannot take the lock or write the folder fails, says so once,
// keeps the file and leaves the change pending in memory.
TEST_F(SettingsTest, LockKeptOrUnwritableFolderFailsTheSaveAndKeepsTheFile) {
    SettingsStore first;
    WriteBoolPref(first, keys::WrapCopies, 0);
    const std::string before = ReadFile(File());
    // A flock belongs to the open file: held here on a descriptor of its
    // own, it stands for another process keeping the lock.
    const int held = open((File() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ClearLog();
    auto save = std::async(std::launch::async, [] {
        SettingsStore store;
        store.SetAppValue(keys::WrapCopies, true);
        return store.Synchronize();
    });
    const bool returned = save.wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    close(held);
    ASSERT_TRUE(returned) << "Add Folder and every save waited on the lock for ever";
    EXPECT_FALSE(save.get());
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(CountLog("Ferrolet: could not save the settings.*"), 1);
    EXPECT_EQ(LogLines().size(), 1);

    if (geteuid() == 0) {
        return; // root ignores folder permissions: the run as nobody checks the rest
    }
    chmod(Path("home/.config").c_str(), 0500);
    ClearLog();
    SettingsStore store;
    EXPECT_TRUE(ReadBoolPref(store, keys::IncludeMoveTo));
    store.SetAppValue(keys::IncludeMoveTo, false);
    EXPECT_FALSE(store.Synchronize());
    EXPECT_FALSE(ReadBoolPref(store, keys::IncludeMoveTo)) << "the change stays pending in memory";
    EXPECT_EQ(LogLines().size(), 1);
    chmod(Path("home/.config").c_str(), 0700);
}

} // namespace
