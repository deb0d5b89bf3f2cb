// Put In Its Place on real files: each item goes to the folder of its
// extension, the sound answers every moved item, the moved items are shown
// together at the end, and a failed move beeps.
#include "fileops/commands/PutInItsPlace.h"
#include "CommandFixture.h"
#include "app/ExtensionMap.h"
#include "platform/FolderRecord.h"
#include "settings/SettingsKeys.h"

#include <filesystem>

using namespace ferrolet;

namespace {

// Records sounds, reveals and beeps in the one order they happened.
class OrderedPlatform : public test::FakePlatform {
public:
    void Beep() override {
        events.push_back("beep");
        FakePlatform::Beep();
    }
    void PlaySound(const QString& name) override {
        events.push_back("sound");
        FakePlatform::PlaySound(name);
    }
    void RevealItem(const std::string& path) override {
        events.push_back("reveal " + path);
        FakePlatform::RevealItem(path);
    }
    void RevealItems(const std::vector<std::string>& paths) override {
        for (const std::string& path : paths) {
            events.push_back("reveal " + path);
        }
        FakePlatform::RevealItems(paths);
    }
    std::vector<std::string> events;
};

class PutInItsPlaceTest : public test::CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        m_ctx = std::make_unique<CommandContext>(
            CommandContext{*m_settings, m_ordered, m_selection, m_extensions, m_cut, {}, nullptr});
        SetSound(QStringLiteral("complete"));
        SetOption(keys::SelectMovedItem, false);
        m_pictures = MakeDir("Pictures");
        m_documents = MakeDir("Documents");
        m_extensions.insert(QStringLiteral("jpg"), QString::fromStdString(m_pictures));
        m_extensions.insert(QStringLiteral("pdf"), QString::fromStdString(m_documents));
    }

    OrderedPlatform m_ordered;
    std::string m_pictures;
    std::string m_documents;
};

TEST_F(PutInItsPlaceTest, FilesItemsByExtensionWithOneSoundEachAndOneRevealAtTheEnd) {
    SetOption(keys::SelectMovedItem, true);
    Select({WriteFile("desk/photo.JPG", "jpeg bytes"), WriteFile("desk/paper.pdf", "pdf bytes"),
            WriteFile("desk/notes.txt", "notes")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(ReadFile(m_pictures + "/photo.JPG"), "jpeg bytes");
    EXPECT_EQ(ReadFile(m_documents + "/paper.pdf"), "pdf bytes");
    EXPECT_EQ(Names(Path("desk")), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(m_ordered.events,
              (std::vector<std::string>{"sound", "sound", "reveal " + m_pictures + "/photo.JPG",
                                        "reveal " + m_documents + "/paper.pdf"}));
    EXPECT_EQ(m_ordered.revealRequests.size(), 1u) << "one file-manager window for the run";
    EXPECT_EQ(m_ordered.sounds, QStringList({"complete", "complete"}));
    EXPECT_EQ(LinesStartingWith("Moved "), QStringList({"Moved \"photo.JPG\" to \"Pictures\"",
                                                        "Moved \"paper.pdf\" to \"Documents\""}));
}

TEST_F(PutInItsPlaceTest, ItemAlreadyInPlaceStaysAndStillSounds) {
    SetOption(keys::SelectMovedItem, true);
    Select({WriteFile("Pictures/beach.jpg", "sand")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(Names(m_pictures), std::vector<std::string>{"beach.jpg"});
    EXPECT_EQ(ReadFile(m_pictures + "/beach.jpg"), "sand");
    EXPECT_EQ(m_ordered.events,
              (std::vector<std::string>{"sound", "reveal " + m_pictures + "/beach.jpg"}));
    EXPECT_TRUE(LinesStartingWith("Moved ").isEmpty());
}

TEST_F(PutInItsPlaceTest, FolderNamedWithAnExtensionMovesWithItsContents) {
    WriteFile("desk/Album.jpg/one.png", "1");
    WriteFile("desk/Album.jpg/inner/two.png", "2");
    Select({Path("desk/Album.jpg")});

    PutInItsPlace(*m_ctx);

    EXPECT_FALSE(Exists(Path("desk/Album.jpg")));
    EXPECT_EQ(ReadFile(m_pictures + "/Album.jpg/one.png"), "1");
    EXPECT_EQ(ReadFile(m_pictures + "/Album.jpg/inner/two.png"), "2");
    EXPECT_EQ(m_ordered.sounds.size(), 1);
}

TEST_F(PutInItsPlaceTest, NamesWithoutAMatchingExtensionStaySilently) {
    m_extensions.clear();
    m_extensions.insert(QStringLiteral("txt"), QString::fromStdString(m_documents));
    Select({WriteFile("desk/photo.jpg"), WriteFile("desk/.txt"), WriteFile("desk/README"),
            WriteFile("desk/draft.")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(Names(Path("desk")),
              (std::vector<std::string>{".txt", "README", "draft.", "photo.jpg"}));
    EXPECT_TRUE(Names(m_pictures).empty());
    EXPECT_TRUE(Names(m_documents).empty());
    EXPECT_TRUE(m_ordered.events.empty());
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(PutInItsPlaceTest, FailedMovesBeepAndLeaveTheItem) {
    m_extensions.insert(QStringLiteral("png"), QStringLiteral("<< Folder Not Found >>"));
    m_extensions.insert(QStringLiteral("gif"),
                        QString::fromStdString(WriteFile("not-a-folder", "file")));
    Select({WriteFile("desk/lost.png", "p"), WriteFile("desk/anim.gif", "g"),
            WriteFile("desk/photo.jpg", "j")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(Names(Path("desk")), (std::vector<std::string>{"anim.gif", "lost.png"}));
    EXPECT_EQ(ReadFile(Path("desk/lost.png")), "p");
    EXPECT_EQ(ReadFile(Path("not-a-folder")), "file");
    EXPECT_EQ(m_ordered.events, (std::vector<std::string>{"beep", "beep", "sound"}));
    EXPECT_EQ(
        LinesStartingWith("Ferrolet: An error occurred moving a folder or file. Error code = ")
            .size(),
        1);
}

TEST_F(PutInItsPlaceTest, AnExtensionStoredWithItsDotFilesLikeThePlainOne) {
    QByteArray record;
    FileRef ref;
    ASSERT_EQ(FileRef::FromPath(m_documents, ref), 0);
    ASSERT_EQ(MakeFolderRecord(ref, record), 0);
    const std::string report = Path("desk/report.pdf");
    for (const char* stored : {"pdf", ".pdf", ".PDF", "PDF"}) {
        WriteFile("desk/report.pdf", stored);
        m_settings->SetAppValue(keys::Extensions, QVariantList({QString::fromLatin1(stored)}));
        m_settings->SetAppValue(keys::ExtensionPathsAliases, QVariantList({record}));
        ASSERT_TRUE(m_settings->Synchronize());
        ASSERT_TRUE(RefreshExtensionMap(*m_settings, m_extensions));
        Select({report});

        PutInItsPlace(*m_ctx);

        EXPECT_FALSE(Exists(report)) << stored;
        EXPECT_EQ(ReadFile(m_documents + "/report.pdf"), stored);
        std::filesystem::remove(m_documents + "/report.pdf");
    }
    EXPECT_EQ(m_ordered.beeps, 0);
}

TEST_F(PutInItsPlaceTest, ExtensionListedTwiceFilesTheItemOnceIntoOneOfItsFolders) {
    const std::string first = MakeDir("First");
    const std::string second = MakeDir("Second");
    QByteArray firstRecord;
    QByteArray secondRecord;
    FileRef ref;
    ASSERT_EQ(FileRef::FromPath(first, ref), 0);
    ASSERT_EQ(MakeFolderRecord(ref, firstRecord), 0);
    ASSERT_EQ(FileRef::FromPath(second, ref), 0);
    ASSERT_EQ(MakeFolderRecord(ref, secondRecord), 0);
    m_settings->SetAppValue(keys::Extensions, QVariantList({"raw", "raw"}));
    m_settings->SetAppValue(keys::ExtensionPathsAliases, QVariantList({firstRecord, secondRecord}));
    ASSERT_TRUE(m_settings->Synchronize());
    ASSERT_TRUE(RefreshExtensionMap(*m_settings, m_extensions));
    const QString chosen = m_extensions.value(QStringLiteral("raw"));
    ASSERT_TRUE(chosen == QString::fromStdString(first) ||
                chosen == QString::fromStdString(second));
    Select({WriteFile("desk/shot.RAW", "raw bytes")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(ReadFile(chosen.toStdString() + "/shot.RAW"), "raw bytes");
    EXPECT_EQ(Names(first).size() + Names(second).size(), 1u);
    EXPECT_TRUE(Names(Path("desk")).empty());
}

} // namespace
