// A move across file systems killed while removing a source 300 folders deep
// is finished by recovery in a process allowed 64 descriptors: every entry
// the copy holds as it is goes, a file changed since the copy stays.

#include "TestEnvironment.h"
#include "history/Recovery.h"
#include "journal/JournalStore.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;

using DeepRecoveryTest = test::TempHome;

TEST_F(DeepRecoveryTest, DeepSourceRemovedWithFewDescriptorsButForTheChangedFile) {
    std::string middle = "Src/Tree";
    for (int level = 0; level < 150; ++level) {
        middle += "/d";
    }
    const std::string deep = middle.substr(4) + middle.substr(8);
    WriteFile(middle + "/same.txt", "same");
    WriteFile("Src/" + deep + "/changed.txt", "before");
    MakeDir("Dst");
    ASSERT_EQ(test::RunProgram({"cp", "-a", Path("Src/Tree"), Path("Dst/Tree")}), 0);
    WriteFile("Src/" + deep + "/changed.txt", "after the copy");
    {
        JournalStore store(Path("journal.sqlite"));
        JournalStep step;
        step.gesture = store.AddGesture(999999999); // no such process: interrupted
        step.kind = StepKind::CrossMove;
        step.state = StepState::Placed;
        step.from = Path("Src/Tree");
        step.to = Path("Dst/Tree");
        step.partial = Path("Dst/.ferrolet-partial-dd");
        store.AddStep(step, false);
    }
    const pid_t child = fork();
    if (child == 0) {
        const rlimit few{64, 64};
        setrlimit(RLIMIT_NOFILE, &few);
        JournalStore store(Path("journal.sqlite"));
        const RecoveryReport report = RecoverInterrupted(store);
        _exit(report.attention.size() == 1 && !store.HasUnfinished() ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(Path(middle + "/same.txt")));
    EXPECT_EQ(ReadFile(Path("Src/" + deep + "/changed.txt")), "after the copy");
    EXPECT_EQ(ReadFile(Path("Dst/" + deep + "/changed.txt")), "before");
}
