// Wrap Items on real files: the dated wrapper beside the first item (or the
// folder chosen in the dialog), copies or moves, the wrapper line and the
// reveal of the last item. Comments: CommentsTest.
#include "fileops/commands/WrapItems.h"
#include "CommandFixture.h"

#include <QTimeZone>

#include <filesystem>
#include <unistd.h>

using namespace ferrolet;

namespace {

class WrapItemsTest : public test::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        // 2009-05-12 14:03:27 three and a half hours west of UTC: the offset
        // keeps its sign and minutes.
        m_platform.now =
            QDateTime(QDate(2009, 5, 12), QTime(14, 3, 27), QTimeZone(-(3 * 3600 + 1800)));
        SetOption(keys::PromptForWrap, false);
    }
    static constexpr const char* kWrapperName = "Wrapped Items 2009-05-12 14-03-27 -0330";
};

// Without the dialog the dated wrapper goes beside the first item; a folder
// chosen in the dialog is the wrapper itself, and a cancel does nothing.
TEST_F(WrapItemsTest, MovesIntoTheDatedWrapperOrTheFolderChosenInTheDialog) {
    SetOption(keys::WrapCopies, false);
    Select({WriteFile("desk/a.txt", "A"), WriteFile("other/b.txt", "B")});
    WrapItems(*m_ctx);
    const std::string wrapper = Path("desk/") + kWrapperName;
    EXPECT_EQ(Names(Path("desk")), std::vector<std::string>{kWrapperName});
    EXPECT_TRUE(Names(Path("other")).empty());
    EXPECT_EQ(ReadFile(wrapper + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(wrapper + "/b.txt"), "B");
    const QString folder = QString::fromUtf8(kWrapperName);
    EXPECT_EQ(LogLines(),
              QStringList(
                  {"Moved \"a.txt\" to \"" + folder + "\"", "Moved \"b.txt\" to \"" + folder + "\"",
                   "Wrap Items. The wrapper path is : " + QString::fromStdString(wrapper)}));
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{wrapper + "/b.txt"});
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(MakeWrapperName(kWrapperPrefix, QDateTime()).isNull()) << "no time, no name";

    SetOption(keys::PromptForWrap, true);
    std::filesystem::remove_all(wrapper);
    ClearLog();
    const std::string chosen = MakeDir("chosen");
    Select({WriteFile("desk/c.txt", "C")});
    WrapItems(*m_ctx); // cancelled: no answer queued
    m_platform.dialogAnswers.push_back({chosen});
    Select({Path("desk/gone.txt"), Path("desk/c.txt")});
    WrapItems(*m_ctx); // first slot invalid: not even a dialog
    Select({Path("desk/c.txt")});
    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(m_platform.dialogs[0].title, QStringLiteral("Choose the Wrapper Folder"));
    EXPECT_FALSE(m_platform.dialogs[0].bringToFront);
    EXPECT_EQ(m_platform.broughtToFront, 0);
    EXPECT_EQ(Names(Path("desk")), std::vector<std::string>{"c.txt"});
    EXPECT_TRUE(LogLines().isEmpty());

    WrapItems(*m_ctx);
    EXPECT_TRUE(Names(Path("desk")).empty()); // no dated folder when one was chosen
    EXPECT_EQ(ReadFile(chosen + "/c.txt"), "C");
    EXPECT_EQ(LinesStartingWith("Wrap Items. The wrapper path is : "),
              QStringList({"Wrap Items. The wrapper path is : " + QString::fromStdString(chosen)}));
}

// A wrap that puts nothing in its wrapper says so (one line, a beep, the
// report) and leaves no empty wrapper behind; one whose wrapper cannot be made
// says so too. A failed last item gives no wrapper line and no reveal.
TEST_F(WrapItemsTest, FailuresAreReportedAndLeaveNoEmptyWrapper) {
    Select({WriteFile("desk/a.txt", "A"), WriteFile("desk/b.txt", "B")});
    // Every copy is cancelled as it ends, as a full disk fails it.
    ProgressSink cancelling;
    cancelling.advanced = [](uint64_t) { return false; };
    m_ctx->progress = &cancelling;
    WrapItems(*m_ctx);
    m_ctx->progress = nullptr;
    EXPECT_EQ(Names(Path("desk")), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(LinesStartingWith("Ferrolet: An error occurred wrapping").size(), 1);
    EXPECT_EQ(LinesStartingWith("Ferrolet: \"a.txt\" could not be wrapped.").size(), 1);
    EXPECT_EQ(m_platform.beeps, 1);

    // A file where the wrapper would go: it cannot be made.
    ClearLog();
    const std::string wrapper = WriteFile(std::string("desk/") + kWrapperName, "in the way");
    WrapItems(*m_ctx);
    EXPECT_EQ(ReadFile(wrapper), "in the way");
    EXPECT_EQ(LinesStartingWith("Ferrolet: An error occurred wrapping").size(), 1);
    EXPECT_EQ(m_platform.beeps, 2);

    // A same-named item in the wrapper makes a copy fail; nothing replaces it.
    ClearLog();
    ASSERT_EQ(unlink(wrapper.c_str()), 0);
    WriteFile(std::string("desk/") + kWrapperName + "/b.txt", "older");
    WrapItems(*m_ctx);
    EXPECT_EQ(ReadFile(wrapper + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(Path("desk/a.txt")), "A") << "copies by default";
    EXPECT_TRUE(LinesStartingWith("Moved ").isEmpty());
    EXPECT_EQ(ReadFile(wrapper + "/b.txt"), "older");
    EXPECT_EQ(ReadFile(Path("desk/b.txt")), "B");
    EXPECT_TRUE(LinesStartingWith("Wrap Items.").isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(m_platform.beeps, 2);

    // An earlier item's failure does not stop the wrap from ending normally.
    ClearLog();
    Select({WriteFile("desk/b.txt", "B"), WriteFile("desk/c.txt", "C")});
    WrapItems(*m_ctx);
    EXPECT_EQ(ReadFile(wrapper + "/c.txt"), "C");
    EXPECT_EQ(LinesStartingWith("Wrap Items.").size(), 1);
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{wrapper + "/c.txt"});
}

} // namespace
