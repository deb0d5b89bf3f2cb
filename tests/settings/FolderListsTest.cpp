// The stored folder lists against real folders and the real settings file,
// read back independently with Python's plistlib.
#include "settings/FolderLists.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <filesystem>
#include <sys/stat.h>

using namespace ferrolet;
using ferrolet::test::RunProgram;

namespace {

// Python's view of the settings file (sys.argv[1]): d is what it holds, and
// save() writes d back.
const std::string kPrelude = "import plistlib, sys, os\n"
                             "p = sys.argv[1]\n"
                             "d = plistlib.load(open(p, 'rb')) if os.path.exists(p) else {}\n"
                             "def save(): plistlib.dump(d, open(p, 'wb'))\n";

class FolderListsTest : public ferrolet::test::TempHome {
protected:
    // Runs a Python snippet after the prelude above.
    std::string Python(const std::string& code) {
        std::string out;
        EXPECT_EQ(
            RunProgram({"python3", "-c", kPrelude + code, SettingsStore::DefaultFilePath()}, &out),
            0)
            << code;
        return out;
    }

    // One word per stored element of key: "record", "dummy", or the Python
    // type name for anything that is not data; "absent" when there is no key.
    std::string StoredShape(const std::string& key) {
        return Python("v = d.get('" + key + R"(')
if v is None: print('absent')
else: print(' '.join('dummy' if e == b'dummy' else 'record' if isinstance(e, bytes) and e[:4] == b'FLRC'
                     else type(e).__name__ for e in v))
)");
    }

    // The row of PathnamesAliases that holds bytes, -1 when the list is
    // not rows long or no row holds them.
    static qsizetype RowHolding(SettingsStore& store, const QByteArray& bytes, qsizetype rows) {
        store.Synchronize();
        const QVariantList stored = store.Value(keys::PathnamesAliases).toList();
        return stored.size() == rows ? stored.indexOf(QVariant(bytes)) : -1;
    }

    static QString Q(const std::string& s) { return QString::fromStdString(s); }
};

TEST_F(FolderListsTest, WindowKeepsEveryRowCommandsLeaveOutWhatIsNotAFolder) {
    const std::string a = MakeDir("dest/a");
    const std::string b = MakeDir("dest/b");
    SettingsStore store;
    FolderList items(store, keys::PathnamesAliases);
    items.SetPathnames({Q(a), kFolderNotFound, Q(b)});
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record dummy record\n");
    EXPECT_EQ(items.Pathnames(), QStringList({Q(a), kFolderNotFound, Q(b)}));
    FileRef ref;
    EXPECT_EQ(ResolveFolderAtIndex(items.Records(), 2, ref), 0);
    EXPECT_EQ(ref.Path(), b);
    for (const int row : {1, 3, -1}) {
        EXPECT_NE(ResolveFolderAtIndex(items.Records(), row, ref), 0) << row;
    }

    Python("d = {}; save()");
    StoreDestinationPathnames(store, {Q(a), kFolderNotFound, Q(b), Q(Path("no/such/folder"))});
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record record\n");
    EXPECT_EQ(FolderPathnames(store, keys::PathnamesAliases), QStringList({Q(a), Q(b)}));
    // The extension list is not the commands' to touch.
    EXPECT_EQ(StoredShape("ExtensionPathsAliases"), "absent\n");

    // A folder added through a path or a reference.
    FolderList ext(store, keys::ExtensionPathsAliases);
    EXPECT_TRUE(ext.AddPathname(Q(a)));
    EXPECT_FALSE(ext.AddPathname(Q(Path("no/such/folder"))));
    FileRef refB;
    ASSERT_EQ(FileRef::FromPath(b, refB), 0);
    EXPECT_TRUE(ext.AddFolderRef(refB));
    EXPECT_FALSE(ext.AddFolderRef(FileRef()));
    EXPECT_FALSE(ext.AddPathname(QStringLiteral("relative/path")));
    // A list with a capacity takes that many folders and no more.
    FolderList one(store, QStringLiteral("Capped"), 1);
    EXPECT_TRUE(one.AddPathname(Q(a)));
    EXPECT_FALSE(one.AddPathname(Q(b)));
    EXPECT_EQ(StoredShape("ExtensionPathsAliases"), "record record\n");
}

// A folder on a drive that is not there at the moment (here: moved out of the
// search's reach) keeps its stored bytes through edits of other rows, in both
// writers, and is found again when it comes back.
TEST_F(FolderListsTest, UnreachableEntryKeepsItsBytesThroughRewrites) {
    const std::string a = MakeDir("lists/a");
    const std::string b = MakeDir("lists/b");
    const std::string c = MakeDir("lists/c");
    const std::string d = MakeDir("lists/d");
    const std::string hidden = MakeDir("far/away/from/everything") + "/b";
    SettingsStore store;
    FolderList items(store, keys::PathnamesAliases);
    items.SetPathnames({Q(a), Q(b), Q(c)});
    store.Synchronize();
    const QByteArray bytesOfB = store.Value(keys::PathnamesAliases).toList().at(1).toByteArray();

    std::filesystem::rename(b, hidden);
    const QStringList shown = items.Pathnames();
    ASSERT_EQ(shown, QStringList({Q(a), kFolderNotFound, Q(c)}));

    // The window adds d: the row of b keeps its bytes.
    items.SetPathnames(shown + QStringList{Q(d)});
    EXPECT_EQ(RowHolding(store, bytesOfB, 4), 1);

    // The window deletes a (the rows below move up).
    items.SetPathnames({kFolderNotFound, Q(c), Q(d)});
    EXPECT_EQ(RowHolding(store, bytesOfB, 3), 0);

    // Remove Folder of c from the command side.
    QStringList paths = FolderPathnames(store, keys::PathnamesAliases);
    paths.removeOne(Q(c));
    StoreDestinationPathnames(store, paths);
    EXPECT_EQ(RowHolding(store, bytesOfB, 2), 0);

    // Add Folder of a, while the table still shows b's old path.
    StoreDestinationPathnames(store, {Q(b), Q(d), Q(a)});
    EXPECT_EQ(RowHolding(store, bytesOfB, 3), 0);

    // The drive is back, and d renamed where it is: both found by a fresh reader.
    std::filesystem::rename(hidden, b);
    std::filesystem::rename(d, Path("lists/d renamed"));
    SettingsStore reader;
    EXPECT_EQ(FolderPathnames(reader, keys::PathnamesAliases),
              QStringList({Q(b), Q(Path("lists/d renamed")), Q(a)}));

    // A placeholder row with nothing earlier behind it: "dummy" in the window,
    // left out by the commands.
    items.SetPathnames({Q(b), kFolderNotFound});
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record dummy\n");
    StoreDestinationPathnames(store, {Q(b), kFolderNotFound, kFolderNotFound});
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record dummy\n")
        << "the earlier dummy keeps its row; the extra placeholder has no bytes";
}

// The older destination list as the preferences read it: PreferencesModelTest.
TEST_F(FolderListsTest, OlderPathListsMoveAfterExistingEntriesAndDisappear) {
    const std::string a = MakeDir("old/a");
    const std::string b = MakeDir("old/b");
    const std::string c = MakeDir("old/c");
    MakeDir("home/.config");
    // An older list that is not an array goes; the elements of one that is
    // follow the resolved ones, and one that is not a path keeps its row
    // (paired with "Extensions" by index).
    Python("d = {'Pathnames': 'not an array', 'ExtensionPaths': ['" + c + "', 7, '" + a +
           "']}; save()");
    SettingsStore store;
    FolderList(store, keys::ExtensionPathsAliases).SetPathnames({Q(b)});
    MigrateOlderFolderLists(store);
    EXPECT_EQ(StoredShape("Pathnames"), "absent\n");
    EXPECT_EQ(StoredShape("PathnamesAliases"), "absent\n");
    EXPECT_EQ(StoredShape("ExtensionPathsAliases"), "record record dummy record\n");
    EXPECT_EQ(StoredShape("ExtensionPaths"), "absent\n");
    EXPECT_EQ(FolderPathnames(store, keys::ExtensionPathsAliases),
              QStringList({Q(b), Q(c), kFolderNotFound, Q(a)}));
    // Running again at the next start changes nothing.
    MigrateOlderFolderLists(store);
    EXPECT_EQ(StoredShape("ExtensionPathsAliases"), "record record dummy record\n");
}

TEST_F(FolderListsTest, LongPathsAndOddStoredValuesReadAsNotFound) {
    // Grow a folder path to exactly 1022 bytes (fits with its zero) and one
    // level more to 1024 or more.
    std::string path = m_root;
    while (path.size() < 1022 - 101) {
        path += "/" + std::string(100, 'd');
    }
    path += "/" + std::string(1022 - path.size() - 1, 'e');
    ASSERT_EQ(path.size(), 1022u);
    const std::string longer = path + "/f";
    ASSERT_TRUE(std::filesystem::create_directories(longer));

    SettingsStore store;
    FolderList items(store, keys::PathnamesAliases);
    items.SetPathnames({Q(path), Q(longer)});
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record record\n");
    EXPECT_EQ(FolderPathnames(store, keys::PathnamesAliases),
              QStringList({Q(path), kFolderNotFound}));

    // A folder whose name is not UTF-8 cannot be shown: not found.
    const std::string latin1 = Path("caf\xe9");
    ASSERT_EQ(mkdir(latin1.c_str(), 0700), 0);
    FileRef ref;
    ASSERT_EQ(FileRef::FromPath(latin1, ref), 0);
    EXPECT_TRUE(items.AddFolderRef(ref));
    EXPECT_EQ(items.Pathnames().last(), kFolderNotFound);

    // Not an array at all.
    Python("d = {'PathnamesAliases': 'a string', 'ExtensionPathsAliases': []}; save()");
    EXPECT_TRUE(FolderPathnames(store, keys::PathnamesAliases).isEmpty());
    EXPECT_TRUE(FolderPathnames(store, keys::ExtensionPathsAliases).isEmpty());
    EXPECT_TRUE(items.Pathnames().isEmpty());

    // A text element holding a zero byte (the parser's own check used to
    // abort the program on it).
    const std::string settingsFile = SettingsStore::DefaultFilePath();
    WriteFile(settingsFile.substr(m_root.size() + 1),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
              "<key>PathnamesAliases</key><array><string>t" +
                  std::string(2, '\0') +
                  "x</string><data>ZHVtbXk=</data></array></dict></plist>\n");
    EXPECT_EQ(FolderPathnames(store, keys::PathnamesAliases),
              QStringList({kFolderNotFound, kFolderNotFound}));

    // Elements that are not data keep their rows and read as not found.
    const std::string a = MakeDir("a");
    items.SetPathnames({Q(a)});
    Python(
        "d['PathnamesAliases'] += ['a string', 5, {'k': b'x'}, [b'dummy'], b'', b'junk']; save()");
    const QStringList shown = FolderPathnames(store, keys::PathnamesAliases);
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown.first(), Q(a));
    EXPECT_EQ(shown.count(kFolderNotFound), 6);
    // A rewrite stores only data: the odd elements become "dummy".
    items.SetPathnames(items.Pathnames());
    EXPECT_EQ(StoredShape("PathnamesAliases"), "record dummy dummy dummy dummy bytes bytes\n");
}

} // namespace
