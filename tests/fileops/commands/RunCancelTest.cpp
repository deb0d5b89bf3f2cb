// Cancelling a command run: the run stops after the item in hand, nothing
// partial or hidden is left behind, and the notification says what was done.
// (A copy cancelled in flight: the engine's fault table and the wrap's
// failures; a failed run's notice: the Put In Its Place tests.)
#include "CommandFixture.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/RunWatcher.h"

namespace ferrolet::test {
namespace {

// Stands in for the progress window: asks the run to stop once it has reached
// two items, and keeps what the run's report said at its end.
struct CancellingWatcher : RunWatcher {
    RunReport ended;
    int runsEnded = 0;
    void RunAdvanced(CommandRun& run) override {
        if (run.progress.itemsReached == 2) {
            run.progress.cancelRequested = true;
        }
    }
    void RunEnded(const CommandRun& run) override {
        ended = run.report;
        ++runsEnded;
    }
};

using RunCancelTest = CommandTest;

TEST_F(RunCancelTest, StopsAfterTheItemInHand) {
    const std::string dest = MakeDir("dest");
    std::vector<std::string> items;
    for (int i = 0; i < 5; ++i) {
        items.push_back(WriteFile("src/item" + std::to_string(i), "x"));
    }
    Select(items);
    SetDestinations({dest});
    CancellingWatcher watcher;
    m_ctx->watcher = &watcher;
    MoveSelectionToFolder(*m_ctx, 1);

    EXPECT_EQ(watcher.runsEnded, 1);
    EXPECT_TRUE(watcher.ended.cancelled);
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"item0", "item1"})) << "nothing partial";
    EXPECT_EQ(Names(Path("src")), (std::vector<std::string>{"item2", "item3", "item4"}));
    EXPECT_THAT(Notice(), testing::StartsWith("Moved 2 of 5 items to dest; cancelled"));
    EXPECT_EQ(m_platform.beeps, 0) << "a cancel is no failure";
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
