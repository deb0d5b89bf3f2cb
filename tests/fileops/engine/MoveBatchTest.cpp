// Moves from the private home to /dev/shm batched under one flush: no source
// goes before it, each only if still what was copied; a failed flush keeps all.
#include "fileops/engine/MoveBatch.h"
#include "EngineFixture.h"
#include "fileops/engine/FileEngine.h"
#include "journal/GestureRecorder.h"
#include "journal/JournalStore.h"

#include <tuple>

using namespace ferrolet;

namespace {

class MoveBatchTest : public test::EngineTest {
protected:
    void TearDown() override {
        MoveBatch::beforeFlush = nullptr;
        EngineTest::TearDown();
    }
    // Moves each item of Src into dst under one batch, with the results.
    std::vector<Status> MoveAll(const std::vector<std::string>& names, const std::string& dst) {
        MoveBatch batch([this](const std::string& source, const std::string&, Status status,
                               bool kept) { m_failures.emplace_back(source, status, kept); });
        std::vector<Status> results;
        for (const std::string& name : names) {
            FileRef moved;
            results.push_back(
                MoveObject(Ref(Path("Src/" + name)), FolderRef(dst), nullptr, &moved));
        }
        EXPECT_EQ(m_flushes, 0) << "nothing flushed before the batch ends";
        return results;
    }
    std::vector<std::tuple<std::string, Status, bool>> m_failures;
    int m_flushes = 0;
};

TEST_F(MoveBatchTest, SourcesGoAfterTheOneFlushEachOnlyIfStillWhatWasCopiedOrNoneIfItFails) {
    const std::string dst = OtherFsDir("Dst");
    for (const char* name : {"a.txt", "b.txt", "c.txt", "D/e.txt"}) {
        WriteFile(std::string("Src/") + name, name);
    }
    test::RunProgram({"cp", Path("Src/c.txt"), dst + "/c.txt"}); // its name is taken there
    JournalStore store(Path("journal.sqlite"));
    GestureRecorder gesture(store);
    MoveBatch::beforeFlush = [&] {
        ++m_flushes;
        for (const char* name : {"a.txt", "b.txt", "D"}) {
            EXPECT_TRUE(Exists(Path(std::string("Src/") + name))) << name << " went too soon";
        }
        for (const JournalStep& step : store.UnfinishedSteps()) {
            EXPECT_EQ(step.state, StepState::Placed);
        }
        WriteFile("Src/b.txt", "b.txt, written to after its copy was made");
        return 0;
    };
    EXPECT_EQ(MoveAll({"a.txt", "b.txt", "c.txt", "D"}, dst),
              (std::vector<Status>{0, 0, EEXIST, 0}));
    EXPECT_EQ(m_flushes, 1);
    EXPECT_EQ(Names(Path("Src")), (std::vector<std::string>{"b.txt", "c.txt"}));
    EXPECT_EQ(Names(dst), (std::vector<std::string>{"D", "a.txt", "c.txt"}));
    EXPECT_EQ(m_failures, (decltype(m_failures){{Path("Src/b.txt"), EBUSY, false}}));
    std::vector<StepState> states;
    for (const JournalStep& step : store.StepsOf(gesture.Id())) {
        states.push_back(step.state);
    }
    EXPECT_EQ(states,
              (std::vector<StepState>{StepState::Done, StepState::Failed, StepState::Done}));

    // A failed flush removes no source and reports every item.
    m_failures.clear();
    m_flushes = 0;
    const std::string a = WriteFile("Src/f.txt"), b = WriteFile("Src/g.txt");
    MoveBatch::beforeFlush = [this] { return ++m_flushes, EIO; };
    EXPECT_EQ(MoveAll({"f.txt", "g.txt"}, dst), (std::vector<Status>{0, 0}));
    EXPECT_EQ(Names(Path("Src")), (std::vector<std::string>{"b.txt", "c.txt", "f.txt", "g.txt"}));
    EXPECT_EQ(m_failures, (decltype(m_failures){{a, EIO, true}, {b, EIO, true}}));
}

} // namespace
