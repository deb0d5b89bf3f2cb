// Cancelling a command run: between items the run stops after the item in
// hand; during a copy (also across file systems) the copy in flight is rolled
// back, the source kept, and nothing partial or hidden is left behind. The
// run's report and notification say it was cancelled and what was done.
#include "CommandRunFixture.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/RunWatcher.h"

#include <filesystem>
#include <functional>
#include <sched.h>
#include <sys/mount.h>

namespace ferrolet::test {
namespace {

// Stands in for the progress window: asks the run to stop once cancelWhen
// holds, and keeps what the run's report said at its end.
struct CancellingWatcher : RunWatcher {
    std::function<bool(const CommandRun&)> cancelWhen;
    RunReport ended;
    int runsEnded = 0;
    void RunAdvanced(CommandRun& run) override {
        if (cancelWhen(run)) {
            run.progress.cancelRequested = true;
        }
    }
    void RunEnded(const CommandRun& run) override {
        ended = run.report;
        ++runsEnded;
    }
};

// Every entry of a folder, hidden ones included.
long EntryCount(const std::string& folder) {
    const std::filesystem::directory_iterator entries(folder);
    return std::distance(begin(entries), end(entries));
}

class RunCancelTest : public CommandRunFixture {
protected:
    // A private tmpfs on folder, so moving there crosses file systems;
    // false where this process may not mount (not root, no namespaces).
    bool MountOwnFileSystem(const std::string& folder) {
        static const bool isolated =
            unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return isolated && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64m") == 0;
    }
};

TEST_F(RunCancelTest, StopsAfterTheItemInHandAndRollsBackACopyInFlight) {
    const std::string big(12 << 20, 'b');
    struct Case {
        const char* name;
        bool moves; // Move To, else Copy To
        bool otherFileSystem;
        int bigFiles; // the first items are big files, the rest small ones
        std::function<bool(const CommandRun&)> cancelWhen;
        int done; // items at the destination afterwards
        const char* summary;
    };
    const auto atItem2 = [](const CommandRun& run) { return run.progress.itemsReached == 2; };
    const auto midFile = [](const CommandRun& run) { return run.progress.itemBytesDone > 0; };
    const std::vector<Case> cases{
        {"move between items", true, false, 0, atItem2, 2, "Moved 2 of 5 items to dest; cancelled"},
        {"copy mid-file", false, false, 1, midFile, 0, "Copied 0 of 5 items to dest; cancelled"},
        {"move mid-file across file systems", true, true, 1, midFile, 0,
         "Moved 0 of 5 items to dest; cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string src = MakeDir("src");
        const std::string dest = MakeDir("dest");
        if (c.otherFileSystem && !MountOwnFileSystem(dest)) {
            std::fprintf(stderr, "skipped \"%s\": cannot mount a tmpfs here\n", c.name);
            continue;
        }
        std::vector<std::string> items;
        for (int i = 0; i < 5; ++i) {
            const std::string name = "src/item" + std::to_string(i);
            items.push_back(WriteFile(name, i < c.bigFiles ? big : name));
        }
        Select(items);
        SetDestinations({dest});
        CancellingWatcher watcher;
        watcher.cancelWhen = c.cancelWhen;
        m_ctx->watcher = &watcher;
        m_platform.notifications.clear();
        if (c.moves) {
            MoveSelectionToFolder(*m_ctx, 1);
        } else {
            CopySelectionToFolder(*m_ctx, 1);
        }

        EXPECT_EQ(watcher.runsEnded, 1);
        EXPECT_TRUE(watcher.ended.cancelled);
        EXPECT_EQ(EntryCount(dest), c.done) << "nothing partial or hidden";
        for (int i = 0; i < 5; ++i) {
            const bool moved = c.moves && i < c.done;
            EXPECT_EQ(Exists(items[i]), !moved) << items[i];
            if (!moved) {
                EXPECT_EQ(ReadFile(items[i]).size(), i < c.bigFiles ? big.size() : 9u) << items[i];
            }
        }
        ASSERT_EQ(m_platform.notifications.size(), 1);
        EXPECT_EQ(m_platform.notifications.front().section(QLatin1Char('\n'), 0, 0).toStdString(),
                  c.summary);
        EXPECT_EQ(m_platform.beeps, 0) << "a cancel is no failure";
        if (c.otherFileSystem) {
            umount2(dest.c_str(), MNT_DETACH);
        }
        std::filesystem::remove_all(src);
        std::filesystem::remove_all(dest);
    }
}

} // namespace
} // namespace ferrolet::test
