// Paste across file systems and into a file system that fills up halfway:
// every item ends up exactly once, whole, in the target, back in its folder or
// still held, never lost and never doubled.
#include "CommandFixture.h"
#include "fileops/commands/CutAndPaste.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/HeldProvenance.h"
#include "fileops/engine/FileEngine.h"

#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

constexpr size_t kItemBytes = 400 * 1024;

std::string Pattern(size_t size, char seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i % 251));
    }
    return bytes;
}

class PasteFaultTest : public test::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        char tmpl[] = "/dev/shm/ferrolet-paste-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_shm = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_shm, ec);
        CommandTest::TearDown();
    }

    void CutThreeLargeFiles(const std::string& folder) {
        Select({WriteFile(folder + "/one.bin", Pattern(kItemBytes, 'a')),
                WriteFile(folder + "/two.bin", Pattern(kItemBytes, 'b')),
                WriteFile(folder + "/three.bin", Pattern(kItemBytes, 'c'))});
        CutItems(*m_ctx);
        ASSERT_TRUE(m_cut.pending);
    }

    // Pastes into a 1 MiB tmpfs mounted in a private mount namespace of a
    // child process (root only). The child reports what arrived there, one
    // "name size whole" line per item, then the log lines. False when no such
    // file system can be made here.
    bool PasteIntoSmallFileSystem(std::vector<std::string>& report) {
        const std::string mountPoint = MakeDir("small");
        const std::string reportPath = Path("report.txt");
        const pid_t pid = fork();
        if (pid == 0) {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0) {
                _exit(77);
            }
            const std::string target = mountPoint + "/target";
            mkdir(target.c_str(), 0755);
            Select({target});
            ClearLog();
            PasteItems(*m_ctx);
            std::ofstream out(reportPath);
            for (const std::string& name : Names(target)) {
                const std::string contents = ReadFile(target + "/" + name);
                const char seed = name == "one.bin" ? 'a' : name == "two.bin" ? 'b' : 'c';
                out << name << ' ' << contents.size() << ' '
                    << (contents == Pattern(kItemBytes, seed) ? "whole" : "damaged") << '\n';
            }
            for (const QString& line : LogLines()) {
                out << line.toStdString() << '\n';
            }
            out.close();
            _exit(out ? 0 : 1);
        }
        int status = 0;
        EXPECT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77) {
            return false;
        }
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::ifstream in(reportPath);
        for (std::string line; std::getline(in, line);) {
            report.push_back(line);
        }
        return true;
    }

    std::string m_shm;
};

TEST_F(PasteFaultTest, PasteOntoAnotherFileSystemMovesWholeItems) {
    const std::string dest = m_shm + "/dest";
    ASSERT_EQ(mkdir(dest.c_str(), 0755), 0);
    WriteFile("src/folder/inner.txt", "inner");
    ASSERT_EQ(symlink("inner.txt", Path("src/folder/link").c_str()), 0);
    Select({WriteFile("src/big.bin", Pattern(3 * 1024 * 1024, 'x')), Path("src/folder")});
    CutItems(*m_ctx);

    Select({dest});
    PasteItems(*m_ctx);

    EXPECT_EQ(ReadFile(dest + "/big.bin"), Pattern(3 * 1024 * 1024, 'x'));
    EXPECT_EQ(ReadFile(dest + "/folder/inner.txt"), "inner");
    EXPECT_EQ(std::filesystem::read_symlink(dest + "/folder/link"), "inner.txt");
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"big.bin", "folder"}));
    EXPECT_TRUE(Names(m_cut.holdingFolder.Path()).empty());
    EXPECT_TRUE(Names(Path("src")).empty());
    EXPECT_FALSE(m_cut.pending);
    EXPECT_EQ(LinesStartingWith("Moved ").size(), 4); // two into the holding folder, two out
}

TEST_F(PasteFaultTest, TargetThatFillsUpSendsTheRestBackToItsFolder) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    CutThreeLargeFiles("src");
    const std::string holding = m_cut.holdingFolder.Path();

    std::vector<std::string> report;
    if (!PasteIntoSmallFileSystem(report)) {
        GTEST_SKIP() << "no private mount namespace here";
    }

    // Two items fit; the one that did not is back where it was cut from,
    // whole, and no partial copy is left anywhere.
    ASSERT_GE(report.size(), 2u);
    std::vector<std::string> arrived(report.begin(), report.begin() + 2);
    EXPECT_EQ(arrived[0].substr(arrived[0].find(' ')), " 409600 whole");
    EXPECT_EQ(arrived[1].substr(arrived[1].find(' ')), " 409600 whole");
    std::vector<std::string> back = Names(Path("src"));
    ASSERT_EQ(back.size(), 1u);
    const std::string putBack = back[0];
    EXPECT_TRUE(std::find_if(arrived.begin(), arrived.end(), [&](const std::string& line) {
                    return line.rfind(putBack + " ", 0) == 0;
                }) == arrived.end());
    const char seed = putBack == "one.bin" ? 'a' : putBack == "two.bin" ? 'b' : 'c';
    EXPECT_EQ(ReadFile(Path("src/" + putBack)), Pattern(kItemBytes, seed));
    EXPECT_NE(std::find(report.begin(), report.end(),
                        "The file \"" + putBack +
                            "\" could not be moved and will be put back in its original folder."),
              report.end());
    for (const std::string& line : report) {
        EXPECT_EQ(line.find(kPartialCopyPrefix), std::string::npos) << line;
    }
    EXPECT_FALSE(Exists(holding)); // emptied, so removed
    EXPECT_FALSE(Exists(CutStateFilePath()));
}

TEST_F(PasteFaultTest, ItemsThatCanGoNowhereStayHeldAndCanBePastedLater) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    CutThreeLargeFiles("src");
    const std::string holding = m_cut.holdingFolder.Path();
    ASSERT_EQ(rmdir(Path("src").c_str()), 0); // the origin is gone

    std::vector<std::string> report;
    if (!PasteIntoSmallFileSystem(report)) {
        GTEST_SKIP() << "no private mount namespace here";
    }

    std::vector<std::string> held = Names(holding);
    std::erase(held, std::string(kHeldProvenanceName));
    ASSERT_EQ(held.size(), 1u);
    // The cut is still pending on disk: a later start can paste what is left.
    CutState restarted;
    ASSERT_EQ(LoadCutState(restarted), 0);
    ASSERT_TRUE(restarted.pending);
    m_cut = restarted;
    const std::string roomy = MakeDir("roomy");
    Select({roomy});
    PasteItems(*m_ctx);
    ASSERT_EQ(Names(roomy), held);
    const char seed = held[0] == "one.bin" ? 'a' : held[0] == "two.bin" ? 'b' : 'c';
    EXPECT_EQ(ReadFile(roomy + "/" + held[0]), Pattern(kItemBytes, seed));
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(holding));
}

} // namespace
