// Unique names (the extension rule and the 255-byte limit) and MakeUniqueName
// against real folders.
#include "items/UniqueName.h"
#include "TestEnvironment.h"

#include <utility>

using namespace ferrolet;

namespace {

const std::string kUuid = "0F8FAD5B-D9CB-469F-A165-70867728950E";

// The unique form goes before the extension, after the last dot that is
// neither first nor last. At the 255-byte limit the base is shortened, never
// a character cut in half, the extension kept while it fits beside the UUID.
TEST(UniqueNameFromName, ExtensionRuleAndNameLimit) {
    const auto times = [](int count, const std::string& piece) {
        std::string out;
        while (count-- > 0)
            out += piece;
        return out;
    };
    const std::string tail = " - " + kUuid, euro = "\xe2\x82\xac", emoji = "\xf0\x9f\x98\x80";
    const std::pair<std::string, std::string> cases[] = {
        {"archive.tar.gz", "archive.tar" + tail + ".gz"},
        {".bashrc", ".bashrc" + tail},
        {"name.", "name." + tail},
        {"bad\xff.t\xfe", "bad\xff" + tail + ".t\xfe"},
        {times(251, "a") + ".pdf", times(212, "a") + tail + ".pdf"},
        {times(255, "b"), times(216, "b") + tail},
        {times(85, euro), times(72, euro) + tail},
        {times(62, emoji) + ".jpeg", times(52, emoji) + tail + ".jpeg"},
        {times(255, "\xff"), times(216, "\xff") + tail},         // not UTF-8: byte by byte
        {"a." + times(240, "x"), "a." + times(214, "x") + tail}, // too long an extension
    };
    for (const auto& [name, unique] : cases) {
        EXPECT_EQ(UniqueNameFromName(name, kUuid), unique) << name;
    }
}

using MakeUniqueNameTest = ferrolet::test::TempHome;

// Only a taken name, a dangling link's included, gives a unique one (its form:
// the table above, and the commands' ClashTest); a gone item gives none.
TEST_F(MakeUniqueNameTest, OnlyWhenTheNameIsTaken) {
    const FileRef dest = Ref(MakeDir("dest"));
    const FileRef file = Ref(WriteFile("src/archive.tar.gz"));
    EXPECT_FALSE(MakeUniqueName(dest, file).has_value());
    WriteFile("dest/archive.tar.gz", "old");
    const std::optional<std::string> fileName = MakeUniqueName(dest, file);
    ASSERT_TRUE(fileName.has_value());
    EXPECT_FALSE(Exists(Path("dest/" + *fileName))) << *fileName;

    ASSERT_EQ(symlink("/nonexistent/target", Path("dest/link.txt").c_str()), 0);
    EXPECT_TRUE(MakeUniqueName(dest, Ref(WriteFile("src/link.txt"))).has_value());
    ASSERT_EQ(unlink(Path("src/archive.tar.gz").c_str()), 0);
    EXPECT_FALSE(MakeUniqueName(dest, file).has_value());
    EXPECT_FALSE(MakeUniqueName(dest, FileRef()).has_value());
}

} // namespace
