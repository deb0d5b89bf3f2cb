#include "contextmenus/ContextMenuModel.h"
#include "HostileNames.h"
#include "contextmenus/MenuTitle.h"
#include "settings/FolderLists.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <set>

namespace ferrolet {
namespace {

// Titles no file manager can misread and ASCII ids safe as file names, for
// every name of the shared hostile table and the longest name too.
TEST(ContextMenuModel, TagsFollowTheListAndTitlesAreSafeAndUnique) {
    QStringList folders{"/a/Docs",        kFolderNotFound, "/b/Docs/",
                        "/c/line\nbreak", "/d/.hidden",    "/"};
    folders << QString::fromStdString("/h/" + test::LongestName());
    for (const test::HostileName& hostile : test::HostileNames()) {
        folders << QString::fromUtf8("/h/" + hostile.name);
    }
    const ContextMenuModel model = BuildContextMenuModel(folders, "/bin/f");
    const QRegularExpression safeId(QStringLiteral("^[A-Za-z0-9-]+$"));
    std::map<QString, int> tagOf; // "<group>|<title>" → tag
    std::set<QString> ids;
    for (const ContextMenuEntry& entry : model.entries) {
        const QList<uint> title = entry.title.toUcs4();
        EXPECT_TRUE(
            tagOf.emplace(entry.group + "|" + entry.title, entry.tag).second &&
            ids.insert(entry.id).second && safeId.match(entry.id).hasMatch() && !title.empty() &&
            !entry.title.contains('/') && entry.title.toUtf8().size() <= 200 &&
            std::all_of(title.begin(), title.end(), [](uint c) { return QChar::isPrint(c); }))
            << entry.FlatTitle().toStdString() << " " << entry.id.toStdString();
    }
    // The folder not found keeps its place: the next folder is the third.
    const std::map<QString, int> expected = {
        {"Move To|Docs", 1001},
        {"Move To|Docs (2)", 3003},
        {"Move To|line\u240abreak", 4004},
        {"Move To|\u2024hidden", 5005},
        {"Move To|\u2215", 6006},
        {"Copy To|Docs (2)", 3006},
        {"Archive To|Docs", 1003},
        {"Alias To|\u2024hidden", 5020},
        {"Hard Link To|Docs (2)", 3018},
        {"|Put In Its Place", -1003},
        {"|Wrap Items", -1004},
    };
    for (const auto& [key, tag] : expected) {
        ASSERT_TRUE(tagOf.contains(key)) << key.toStdString();
        EXPECT_EQ(tagOf[key], tag) << key.toStdString();
    }
    EXPECT_EQ(model.entries.size(), 5u * 16u + 2u);
    EXPECT_EQ(model.entries.front().FlatTitle(), QStringLiteral("Move To ▸ Docs"));

    // Control characters, slashes, no name at all.
    EXPECT_EQ(SafeMenuTitle(QStringLiteral("a/b\tc\x7f\r")), QStringLiteral("a∕b␉c␡␍"));
    EXPECT_EQ(SafeMenuTitle(QString()), QStringLiteral("?"));
    EXPECT_EQ(SafeMenuTitle(QStringLiteral("a\uffffb")), QStringLiteral("a\ufffdb"));
}

} // namespace
} // namespace ferrolet
