// The journal store on disk (schema, bounded history, a damaged database set
// aside) and recovery of what killed gestures left, on real files.
#include "TestEnvironment.h"
#include "history/Recovery.h"
#include "journal/JournalStore.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

// One step of a gesture as the process that recorded it left it.
JournalStep Step(int64_t gesture, StepKind kind, StepState state, const std::string& to,
                 const std::string& from = {}, const std::string& partial = {}) {
    JournalStep step;
    step.gesture = gesture;
    step.kind = kind;
    step.state = state;
    step.to = to;
    step.from = from;
    step.partial = partial;
    return step;
}

class JournalTest : public test::TempHome {
protected:
    // A process that has ended: gestures it left are to be settled.
    static int64_t DeadPid() {
        const pid_t child = fork();
        if (child == 0) {
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        return child;
    }
    // One statement run by Python's sqlite3 on the journal file; the first
    // column of its first row.
    static std::string Sql(const std::string& path, const std::string& statement) {
        std::string out;
        test::RunProgram({"python3", "-c",
                          "import sqlite3, sys\nc = sqlite3.connect(sys.argv[1])\n"
                          "row = c.execute(sys.argv[2]).fetchone()\nc.commit()\n"
                          "print('' if row is None else row[0], end='')",
                          path, statement},
                         &out);
        return out;
    }
};

TEST_F(JournalTest, SchemaWalBoundedHistoryAndDamagedDatabaseSetAside) {
    const std::string path = MakeDir("state") + "/journal.sqlite";
    {
        JournalStore store(path);
        ASSERT_TRUE(store.Usable());
        for (int i = 0; i < JournalStore::kHistoryLength + 3; ++i) {
            const int64_t gesture = store.AddGesture();
            store.AddStep(Step(gesture, StepKind::Move, StepState::Done, "/x/" + std::to_string(i)),
                          true);
            store.MarkGesture(gesture, kGestureDone);
        }
        store.Prune();
        const std::vector<Gesture> recent = store.Recent(5000);
        ASSERT_EQ(recent.size(), size_t(JournalStore::kHistoryLength));
        EXPECT_EQ(recent.back().id, 4) << "the three oldest are forgotten";
        EXPECT_TRUE(store.StepsOf(3).empty());
        EXPECT_EQ(store.StepsOf(4).size(), 1u);
        EXPECT_FALSE(store.HasUnfinished());
    }
    EXPECT_EQ(Sql(path, "PRAGMA journal_mode"), "wal");
    // A journal of version 1 marked a move's step placed once its copy was flushed.
    Sql(path, "UPDATE steps SET state = 'placed' WHERE id = 4");
    Sql(path, "PRAGMA user_version = 1");
    {
        JournalStore old(path);
        ASSERT_EQ(old.UnfinishedSteps().size(), 1u);
        EXPECT_EQ(old.UnfinishedSteps()[0].state, StepState::Flushed);
    }
    EXPECT_EQ(Sql(path, "PRAGMA user_version"), "2");

    const std::string damaged = Path("state/damaged.sqlite");
    WriteFile("state/damaged.sqlite", std::string(4096, 'z'));
    JournalStore second(damaged);
    EXPECT_TRUE(second.Usable()) << "a new journal is begun";
    EXPECT_EQ(ReadFile(damaged + ".corrupt"), std::string(4096, 'z'));
    EXPECT_GT(second.AddGesture(), 0);

    WriteFile("not-a-folder");
    JournalStore unusable(Path("not-a-folder/journal.sqlite"));
    EXPECT_FALSE(unusable.Usable()) << "filing goes on without it";
    EXPECT_TRUE(LogLines().filter("could not be opened").size() == 1);

    // Atomic steps are committed a batch at a time: a kill loses at most the
    // batch in hand, never all of a long run's record.
    JournalStore batched(Path("state/batched.sqlite"));
    const int64_t gesture = batched.AddGesture();
    for (int i = 0; i <= JournalStore::kBatchSteps; ++i) {
        batched.AddStep(Step(gesture, StepKind::Move, StepState::Done, "/b/" + std::to_string(i)),
                        true);
    }
    EXPECT_EQ(Sql(Path("state/batched.sqlite"), "SELECT COUNT(*) FROM steps"),
              std::to_string(JournalStore::kBatchSteps));
}

TEST_F(JournalTest, RecoveryFinishesOrRollsBackWhatKilledGesturesLeft) {
    // What changed after the copy (the copy keeps its size and time).
    enum Change { None, SourceGrew, CopyDiffers };
    struct Case {
        const char* name;
        StepKind kind;
        StepState state;
        const char* leftover; // what the killed gesture left in Dst
        const char* partial;  // the partial name it recorded
        Change change;
        const char* dst; // what Dst and Src/Tree hold after recovery
        const char* src;
    };
    const std::vector<Case> cases = {
        {"move, copy incomplete", StepKind::CrossMove, StepState::Intent, ".ferrolet-partial-aa",
         ".ferrolet-partial-aa", None, "", "f1 f2"},
        {"move, copy complete", StepKind::CrossMove, StepState::Copied, ".ferrolet-partial-bb",
         ".ferrolet-partial-bb", None, "Tree", ""},
        {"move, flushed, source half removed, one file changed", StepKind::CrossMove,
         StepState::Flushed, "Tree", ".ferrolet-partial-ee", SourceGrew, "Tree", "f2"},
        {"move, placed unflushed, copy equal", StepKind::CrossMove, StepState::Placed, "Tree",
         ".ferrolet-partial-ff", None, "Tree", ""},
        {"move, placed unflushed, copy differs", StepKind::CrossMove, StepState::Placed, "Tree",
         ".ferrolet-partial-gg", CopyDiffers, "Tree", "f1 f2"},
        // Killed between putting the copy under its name and recording it.
        {"move, placed unrecorded, copy equal", StepKind::CrossMove, StepState::Intent, "Tree",
         ".ferrolet-partial-hh", None, "Tree", ""},
        {"move, placed unrecorded, copy differs", StepKind::CrossMove, StepState::Intent, "Tree",
         ".ferrolet-partial-ii", CopyDiffers, "Tree", "f1 f2"},
        {"copy", StepKind::Copy, StepState::Intent, ".ferrolet-partial-cc", ".ferrolet-partial-cc",
         None, "", "f1 f2"},
        {"a name the journal did not make", StepKind::Copy, StepState::Intent, "Tree-user",
         "Tree-user", None, "Tree-user", "f1 f2"},
    };
    const auto joined = [](const std::string& folder) {
        return test::Paths(Names(folder)).join(' ').toStdString();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string top = MakeDir(c.name);
        WriteFile(std::string(c.name) + "/Src/Tree/f1", "one");
        WriteFile(std::string(c.name) + "/Src/Tree/f2", "two");
        const std::string copy = MakeDir(std::string(c.name) + "/Dst") + "/" + c.leftover;
        ASSERT_EQ(test::RunProgram({"cp", "-a", top + "/Src/Tree", copy}), 0);
        if (c.change == SourceGrew) {
            WriteFile(std::string(c.name) + "/Src/Tree/f2", "two, longer now");
        } else if (c.change == CopyDiffers) { // bytes a power loss did not write
            WriteFile(std::string(c.name) + "/Dst/" + c.leftover + "/f1", "ONE");
            test::RunProgram({"touch", "-r", top + "/Src/Tree/f1", copy + "/f1"});
        }
        JournalStore store(Path("journal.sqlite"));
        store.AddStep(Step(store.AddGesture(DeadPid()), c.kind, c.state, top + "/Dst/Tree",
                           top + "/Src/Tree", top + "/Dst/" + c.partial),
                      false);

        const RecoveryReport report = RecoverInterrupted(store);
        EXPECT_EQ(joined(top + "/Dst"), c.dst);
        EXPECT_EQ(joined(top + "/Src/Tree"), c.src);
        EXPECT_EQ(c.change != None, !report.attention.isEmpty());
        EXPECT_FALSE(store.HasUnfinished()) << "settled once, not at every start";
        unlink(Path("journal.sqlite").c_str());
    }
}

TEST_F(JournalTest, WrapperKeptWhenHalfFilledRemovedWhenEmptyAndLiveGesturesLeftAlone) {
    JournalStore store(Path("journal.sqlite"));
    const int64_t live = store.AddGesture();
    const int64_t dead = store.AddGesture(DeadPid());
    for (const char* name : {"Empty", "Half"}) {
        JournalStep step = Step(dead, StepKind::Made, StepState::Done, MakeDir(name));
        step.identity = IdentityAt(AT_FDCWD, step.to);
        store.AddStep(step, true);
    }
    WriteFile("Half/a.txt");
    store.AddStep(Step(live, StepKind::Copy, StepState::Intent, "", "",
                       WriteFile("Live/.ferrolet-partial-dd")),
                  false);
    const RecoveryReport report = RecoverInterrupted(store);
    EXPECT_FALSE(Exists(Path("Empty")));
    ASSERT_EQ(report.attention.size(), 1);
    EXPECT_TRUE(report.attention[0].contains(QStringLiteral("\u201Ca.txt\u201D")));
    EXPECT_TRUE(Exists(Path("Half/a.txt")));
    EXPECT_TRUE(Exists(Path("Live/.ferrolet-partial-dd"))) << "this process is still at it";
    EXPECT_EQ(store.GestureById(dead)->state, QString::fromLatin1(kGestureInterrupted));
    EXPECT_EQ(store.GestureById(live)->state, QString::fromLatin1(kGestureRunning));
}

// A move killed while removing a source 300 folders deep, finished by recovery
// allowed 64 descriptors: what the copy holds as it is goes, a changed file stays.
TEST_F(JournalTest, DeepSourceRemovedWithFewDescriptorsButForTheChangedFile) {
    std::string half;
    for (int level = 0; level < 150; ++level)
        half += "/d";
    WriteFile("Src/Tree" + half + "/same.txt", "same");
    WriteFile("Src/Tree" + half + half + "/changed.txt", "before");
    ASSERT_EQ(test::RunProgram({"cp", "-a", Path("Src"), Path("Dst")}), 0);
    WriteFile("Src/Tree" + half + half + "/changed.txt", "after the copy");
    {
        JournalStore store(Path("journal.sqlite"));
        store.AddStep(Step(store.AddGesture(DeadPid()), StepKind::CrossMove, StepState::Flushed,
                           Path("Dst/Tree"), Path("Src/Tree"), Path("Dst/.ferrolet-partial-dd")),
                      false);
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

} // namespace
