// A move killed while removing a source 300 folders deep, finished by recovery
// allowed 64 descriptors: what the copy holds as it is goes, a changed file stays.
#include "TestEnvironment.h"
#include "history/Recovery.h"
#include "journal/JournalStore.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;
using DeepRecoveryTest = test::TempHome;

TEST_F(DeepRecoveryTest, DeepSourceRemovedWithFewDescriptorsButForTheChangedFile) {
    std::string half;
    for (int level = 0; level < 150; ++level)
        half += "/d";
    WriteFile("Src/Tree" + half + "/same.txt", "same");
    WriteFile("Src/Tree" + half + half + "/changed.txt", "before");
    ASSERT_EQ(test::RunProgram({"cp", "-a", Path("Src"), Path("Dst")}), 0);
    WriteFile("Src/Tree" + half + half + "/changed.txt", "after the copy");
    {
        JournalStore store(Path("journal.sqlite"));
        JournalStep step;
        step.gesture = store.AddGesture(999999999);
        step.kind = StepKind::CrossMove;
        step.from = Path("Src/Tree");
        step.to = Path("Dst/Tree");
        step.partial = Path("Dst/.ferrolet-partial-dd");
        step.state = StepState::Flushed;
        store.AddStep(step, false);
    }
    const pid_t child = fork();
    if (child == 0) {
        const rlimit few{64, 64};
        setrlimit(RLIMIT_NOFILE, &few);
        JournalStore store(Path("journal.sqlite"));
        _exit(RecoverInterrupted(store).attention.size() == 1 && !store.HasUnfinished() ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(Path("Src/Tree" + half + "/same.txt")));
    EXPECT_EQ(ReadFile(Path("Src/Tree" + half + half + "/changed.txt")), "after the copy");
}
