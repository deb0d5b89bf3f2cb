#include "finder/ScriptRunner.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ferrolet {
namespace {

class ScriptRunnerTest : public test::TempHome {};

TEST_F(ScriptRunnerTest, StatusIsZeroExactlyWhenTheScriptRanToItsEnd) {
    const std::string marker = Path("ran");
    EXPECT_EQ(RunScriptText(QStringLiteral("touch \"$1\""), {marker}), noErr);
    EXPECT_TRUE(Exists(marker));
    EXPECT_EQ(RunScriptText(QStringLiteral("echo printed output is discarded; true")), noErr);
    EXPECT_EQ(RunScriptText(QStringLiteral("exit 3")), errOSAScriptError);
    EXPECT_EQ(RunScriptText(QStringLiteral("false")), errOSAScriptError);
    EXPECT_EQ(RunScriptText(QStringLiteral("kill -9 $$")), errOSAScriptError);
    EXPECT_EQ(RunScriptText(QStringLiteral("set -e\nfalse\ntouch \"$1\""), {Path("after")}),
              errOSAScriptError);
    EXPECT_FALSE(Exists(Path("after")));
    // A syntax error: nothing runs.
    EXPECT_EQ(RunScriptText(QStringLiteral("touch \"$1\"; if then fi"), {Path("syntax")}),
              errOSAScriptError);
    EXPECT_FALSE(Exists(Path("syntax")));
    // Standard input is empty, so a script never waits on our terminal.
    EXPECT_EQ(RunScriptText(QStringLiteral("if read line; then exit 1; fi")), noErr);
    EXPECT_EQ(RunScriptText(QStringLiteral("[ \"$0\" = ferrolet ] && [ $# -eq 2 ]"), {"a", "b"}),
              noErr);
    EXPECT_EQ(RunScriptText(QStringLiteral("true"), {std::string("a\0b", 3)}), paramErr);
    EXPECT_EQ(RunScriptText(QStringLiteral("true") + QChar(0)), paramErr);
}

TEST_F(ScriptRunnerTest, HostileNamesTravelAsArgumentsAndNeverRun) {
    // A name that ran as code would create this file; names hold no "/", so
    // they reach it through the environment.
    const std::string canary = Path("pwned");
    setenv("FERROLET_CANARY", canary.c_str(), 1);
    const std::vector<std::string> names = {
        "double \" quote",
        "single ' quote",
        "$(touch \"$FERROLET_CANARY\")",
        "`touch $FERROLET_CANARY`",
        "new\nline",
        "-rf",
        "--help",
        "semi; touch $FERROLET_CANARY",
        "back\\slash $HOME * ?",
    };
    MakeDir("from");
    MakeDir("to");
    std::vector<std::string> args;
    for (size_t i = 0; i < names.size(); ++i) {
        args.push_back(WriteFile("from/" + names[i], "item " + std::to_string(i)));
    }
    args.push_back(Path("to"));
    // The way a caller moves items with a script: paths only as "$@".
    ASSERT_EQ(RunScriptText(QStringLiteral("mv -- \"$@\""), args), noErr);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_FALSE(Exists(Path("from/" + names[i]))) << names[i];
        EXPECT_EQ(ReadFile(Path("to/" + names[i])), "item " + std::to_string(i)) << names[i];
    }
    EXPECT_FALSE(Exists(canary)) << "a name ran as code";

    // Each argument arrives whole, in order.
    const std::string out = Path("args.bin");
    std::vector<std::string> echoed = names;
    echoed.insert(echoed.begin(), out);
    ASSERT_EQ(RunScriptText(QStringLiteral("out=$1; shift; for a; do printf '%s\\0' \"$a\"; "
                                           "done > \"$out\""),
                            echoed),
              noErr);
    std::string expected;
    for (const std::string& n : names) {
        expected += n + '\0';
    }
    EXPECT_EQ(ReadFile(out), expected);
    EXPECT_FALSE(Exists(canary));
}

} // namespace
} // namespace ferrolet
