// Cancelling a command run: between items the run stops after the item in
// hand; during a copy the copy in flight is rolled back and the source kept
// (across file systems too: the engine's fault table), nothing partial or
// hidden is left behind, and the notification says what was done. (A failed
// run's notice: the clash and Put In Its Place tests.)
#include "CommandFixture.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/RunWatcher.h"

#include <functional>

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

using RunCancelTest = CommandTest;

TEST_F(RunCancelTest, StopsAfterTheItemInHandAndRollsBackACopyInFlight) {
    const std::string big(12 << 20, 'b');
    struct Case {
        bool moves; // Move To, else Copy To, whose first item is big
        std::function<bool(const CommandRun&)> cancelWhen;
        int done; // items at the destination afterwards
        const char* summary;
    };
    const Case cases[] = {
        {true, [](const CommandRun& run) { return run.progress.itemsReached == 2; }, 2,
         "Moved 2 of 5 items to dest; cancelled"},
        {false, [](const CommandRun& run) { return run.progress.itemBytesDone > 0; }, 0,
         "Copied 0 of 5 items to dest; cancelled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        RemoveAll({"src", "dest"});
        const std::string dest = MakeDir("dest");
        std::vector<std::string> items;
        for (int i = 0; i < 5; ++i) {
            const std::string name = "src/item" + std::to_string(i);
            items.push_back(WriteFile(name, i == 0 && !c.moves ? big : name));
        }
        Select(items);
        SetDestinations({dest});
        CancellingWatcher watcher;
        watcher.cancelWhen = c.cancelWhen;
        m_ctx->watcher = &watcher;
        m_platform = FakePlatform();
        (c.moves ? MoveSelectionToFolder : CopySelectionToFolder)(*m_ctx, 1);

        EXPECT_EQ(watcher.runsEnded, 1);
        EXPECT_TRUE(watcher.ended.cancelled);
        EXPECT_EQ(Names(dest).size(), size_t(c.done)) << "nothing partial or hidden";
        for (int i = 0; i < 5; ++i) {
            const bool moved = c.moves && i < c.done;
            EXPECT_EQ(Exists(items[i]), !moved) << items[i];
            if (!moved) {
                EXPECT_EQ(ReadFile(items[i]).size(), i == 0 && !c.moves ? big.size() : 9u);
            }
        }
        EXPECT_THAT(Notice(), testing::StartsWith(c.summary));
        EXPECT_EQ(m_platform.beeps, 0) << "a cancel is no failure";
    }
}

// A service run repeated per item reveals an item again: it is asked for
// once, where it came first, and the run's list is handed on.
TEST_F(CommandTest, ARunRevealsEachItemOnceWhereItCameFirst) {
    CommandRun run;
    run.revealed = {"/b", "/a", "/b", "/c", "/a", "/b"};
    FinishCommandRun(m_platform, run);
    EXPECT_EQ(m_platform.revealed, (std::vector<std::string>{"/b", "/a", "/c"}));
    EXPECT_TRUE(run.revealed.empty());
}

} // namespace
} // namespace ferrolet::test
