// Unique names and the extension rule against a table of hostile names, and
// MakeUniqueName against real folders.
#include "items/UniqueName.h"
#include "TestEnvironment.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"

#include <QString>

using namespace ferrolet;

namespace {

const std::string kUuid = "0F8FAD5B-D9CB-469F-A165-70867728950E";

bool IsValidUtf8(const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// The extension is after the last dot that is neither first nor last; the
// unique form goes between the base and it.
TEST(UniqueNameFromName, ExtensionRuleOverHostileNames) {
    struct Case {
        std::string name;
        std::string extension;
        std::string unique; // "*" for " - <UUID>"
    };
    const Case cases[] = {
        {"report.pdf", "pdf", "report*.pdf"},
        {"archive.tar.gz", "gz", "archive.tar*.gz"},
        {"Photos", "", "Photos*"},
        {".bashrc", "", ".bashrc*"},
        {".config.bak", "bak", ".config*.bak"},
        {"name.", "", "name.*"},
        {"...", "", "...*"},
        {"a..b", "b", "a.*.b"},
        {"a b.c d", "c d", "a b*.c d"},
        {"REPORT.PDF", "PDF", "REPORT*.PDF"},
        {"caf\xc3\xa9.\xc3\x89T\xc3\x89", "\xc3\x89T\xc3\x89", "caf\xc3\xa9*.\xc3\x89T\xc3\x89"},
        {"bad\xff.t\xfe", "t\xfe", "bad\xff*.t\xfe"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtensionOf(c.name), c.extension) << c.name;
        const size_t star = c.unique.find('*');
        const std::string unique =
            c.unique.substr(0, star) + " - " + kUuid + c.unique.substr(star + 1);
        EXPECT_EQ(UniqueNameFromName(c.name, kUuid), unique) << c.name;
    }
}

TEST(UniqueNameFromName, NeverPassesTheNameLimit) {
    // ASCII at the limit, with and without an extension.
    const std::string longBase(251, 'a');
    const std::string withExt = UniqueNameFromName(longBase + ".pdf", kUuid);
    EXPECT_EQ(withExt.size(), kMaxNameBytes);
    EXPECT_EQ(withExt, std::string(255 - 3 - 36 - 4, 'a') + " - " + kUuid + ".pdf");

    const std::string noExt = UniqueNameFromName(std::string(255, 'b'), kUuid);
    EXPECT_EQ(noExt, std::string(255 - 3 - 36, 'b') + " - " + kUuid);

    // Multi-byte characters are never cut in half: 85 three-byte characters
    // (255 bytes) leave room for 72 whole ones.
    std::string euro;
    for (int i = 0; i < 85; ++i)
        euro += "\xe2\x82\xac";
    const std::string shortened = UniqueNameFromName(euro, kUuid);
    EXPECT_LE(shortened.size(), kMaxNameBytes);
    EXPECT_TRUE(IsValidUtf8(shortened)) << shortened;
    EXPECT_EQ(shortened.substr(0, 216), euro.substr(0, 216));
    EXPECT_EQ(shortened.substr(216), " - " + kUuid);

    // Four-byte characters with an extension.
    std::string emoji;
    for (int i = 0; i < 62; ++i)
        emoji += "\xf0\x9f\x98\x80";
    const std::string emojiName = UniqueNameFromName(emoji + ".jpeg", kUuid);
    EXPECT_LE(emojiName.size(), kMaxNameBytes);
    EXPECT_TRUE(IsValidUtf8(emojiName));
    EXPECT_TRUE(emojiName.ends_with(" - " + kUuid + ".jpeg"));

    // Invalid UTF-8 still shortens, byte by byte.
    EXPECT_EQ(UniqueNameFromName(std::string(255, '\xff'), kUuid).size(), kMaxNameBytes);

    // An extension too long to sit beside the UUID becomes part of the base.
    const std::string hugeExt = "a." + std::string(240, 'x');
    const std::string hugeName = UniqueNameFromName(hugeExt, kUuid);
    EXPECT_LE(hugeName.size(), kMaxNameBytes);
    EXPECT_TRUE(hugeName.starts_with("a.xxx"));
    EXPECT_TRUE(hugeName.ends_with(" - " + kUuid));
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
    EXPECT_TRUE(fileName->starts_with("archive.tar - ") && fileName->ends_with(".gz")) << *fileName;
    EXPECT_FALSE(Exists(Path("dest/" + *fileName)));

    ASSERT_EQ(symlink("/nonexistent/target", Path("dest/link.txt").c_str()), 0);
    EXPECT_TRUE(MakeUniqueName(dest, Ref(WriteFile("src/link.txt"))).has_value());
    ASSERT_EQ(unlink(Path("src/archive.tar.gz").c_str()), 0);
    EXPECT_FALSE(MakeUniqueName(dest, file).has_value());
    EXPECT_FALSE(MakeUniqueName(dest, FileRef()).has_value());
}

} // namespace
