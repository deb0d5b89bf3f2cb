// Settings files and locks that used to crash or freeze every entry point:
// property lists nested far deeper than any settings file, and a lock that
// another process keeps.
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <future>

using namespace ferrolet;

namespace {

class SettingsHostileFiles : public ferrolet::test::TempHome {
protected:
    std::string File() const { return SettingsStore::DefaultFilePath(); }
};

// An XML list whose root dictionary holds "Deep", nested levels arrays deep,
// and WrapCopies = false beside it.
std::string DeepXml(int levels) {
    std::string s = "<?xml version=\"1.0\"?>\n<!-- <dict> in a comment is no element -->\n"
                    "<plist version=\"1.0\"><dict><key>WrapCopies</key><false/><key>Deep</key>";
    for (int i = 0; i < levels; ++i) {
        s += "<array>";
    }
    for (int i = 0; i < levels; ++i) {
        s += "</array>";
    }
    return s + "</dict></plist>\n";
}

void PutBigEndian(std::string& out, uint64_t v, int width) {
    for (int k = width - 1; k >= 0; --k) {
        out += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
}

// A binary list of count one-element arrays, each holding the next (the
// last holding the first when cyclic, else nothing).
std::string NestedBinary(uint32_t count, bool cyclic) {
    std::string s = "bplist00";
    std::vector<uint64_t> offsets;
    for (uint32_t i = 0; i < count; ++i) {
        offsets.push_back(s.size());
        const bool last = i + 1 == count;
        if (last && !cyclic) {
            s += '\xA0';
        } else {
            s += '\xA1';
            PutBigEndian(s, last ? 0 : i + 1, 4);
        }
    }
    const uint64_t table = s.size();
    for (const uint64_t o : offsets) {
        PutBigEndian(s, o, 4);
    }
    s += std::string(6, '\0') + '\x04' + '\x04';
    PutBigEndian(s, count, 8);
    PutBigEndian(s, 0, 8);
    PutBigEndian(s, table, 8);
    return s;
}

TEST_F(SettingsHostileFiles, DeepOrCyclicListsReadAsDefaultsAndAreKept) {
    struct Case {
        const char* what;
        std::string bytes;
        bool readable;
    };
    // What another program writes: arrays that each hold the next one twice,
    // stored once and referred to twice.
    const auto shared = [](int levels) {
        std::string out;
        ferrolet::test::RunProgram(
            {"python3", "-c",
             "import plistlib,sys\nd=['x']\nfor i in range(int(sys.argv[1])): d=[d,d]\n"
             "sys.stdout.buffer.write(plistlib.dumps({'WrapCopies':False,'Deep':d},"
             "fmt=plistlib.FMT_BINARY))",
             std::to_string(levels)},
            &out);
        return out;
    };
    const std::vector<Case> cases{
        {"xml 200,000 deep", DeepXml(200000), false},
        {"binary 200,000 deep", NestedBinary(200000, false), false},
        {"binary cycle", NestedBinary(3, true), false},
        {"xml as deep as kept", DeepXml(64), true},
        {"xml just past what is let through", DeepXml(66), false},
        {"binary unfolding into 2^60 values", shared(60), false},
        {"binary from plistlib", shared(10), true},
    };
    for (const Case& c : cases) {
        ClearLog();
        WriteFile("home/.config/com.quorvane.Ferrolet.plist", c.bytes);
        SettingsStore store;
        EXPECT_TRUE(ReadBoolPref(store, keys::IncludeMoveTo)) << c.what;
        EXPECT_EQ(ReadBoolPref(store, keys::WrapCopies), !c.readable) << c.what;
        EXPECT_EQ(store.Value(QStringLiteral("Deep")).isValid(), c.readable) << c.what;
        EXPECT_EQ(LogLines().size(), c.readable ? 0 : 1) << c.what;
        EXPECT_EQ(ReadFile(File()), c.bytes) << c.what << ": the file is kept as it was";
    }
}

TEST_F(SettingsHostileFiles, LockKeptByAnotherProcessFailsTheSaveAndKeepsTheFile) {
    SettingsStore first;
    WriteBoolPref(first, keys::WrapCopies, 0);
    const std::string before = ReadFile(File());
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        close(release[1]);
        const int fd = open((File() + ".lock").c_str(), O_RDWR);
        char c = flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        [[maybe_unused]] ssize_t w = write(ready[1], &c, 1);
        [[maybe_unused]] ssize_t r = read(release[0], &c, 1); // until the test is done
        _exit(0);
    }
    char locked = 0;
    ASSERT_EQ(read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');

    ClearLog();
    auto save = std::async(std::launch::async, [] {
        SettingsStore store;
        store.SetAppValue(keys::WrapCopies, true);
        return store.Synchronize();
    });
    const bool returned = save.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    close(release[1]);
    waitpid(holder, nullptr, 0);
    ASSERT_TRUE(returned) << "Add Folder and every save waited on the lock for ever";
    EXPECT_FALSE(save.get());
    EXPECT_EQ(ReadFile(File()), before);
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_TRUE(LogLines()[0].startsWith("Ferrolet: could not save the settings"))
        << LogLines()[0].toStdString();
}

} // namespace
