// Put In Its Place on real files: each item goes to the folder of its
// extension, the sound answers every moved item, the moved items are shown
// together at the end, and a failed move beeps.
#include "fileops/commands/PutInItsPlace.h"
#include "CommandFixture.h"
#include "app/ExtensionMap.h"
#include "platform/FolderRecord.h"

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
        m_pictures = MakeDir("Pictures");
        m_documents = MakeDir("Documents");
        // Stored as the preferences window may: with or without the dot, in
        // either case; read back the way a run's settings change does.
        QVariantList records;
        for (const std::string& folder : {m_pictures, m_documents}) {
            QByteArray record;
            ASSERT_EQ(MakeFolderRecord(Ref(folder), record), 0);
            records.append(record);
        }
        m_settings->SetAppValue(keys::Extensions, QVariantList{".jpg", "PDF"});
        m_settings->SetAppValue(keys::ExtensionPathsAliases, records);
        ASSERT_TRUE(m_settings->Synchronize());
        ASSERT_TRUE(RefreshExtensionMap(*m_settings, m_extensions));
    }

    OrderedPlatform m_ordered;
    std::string m_pictures;
    std::string m_documents;
};

// A folder named like a file goes with its contents; an item already in
// its place stays there and still counts; names whose extension is none
// (".pdf", "draft.", "README") or unknown stay where they are, silently; a
// failed move beeps and leaves its item. The one notice names three failures
// with their reasons and counts the rest.
TEST_F(PutInItsPlaceTest, FilesItemsByExtensionWithOneSoundEachAndOneRevealAtTheEnd) {
    SetOption(keys::SelectMovedItem, true);
    m_extensions.insert(QStringLiteral("png"), QStringLiteral("<< Folder Not Found >>"));
    m_extensions.insert(QStringLiteral("gif"),
                        QString::fromStdString(WriteFile("not-a-folder", "file")));
    WriteFile("desk/Album.jpg/inner/two.png", "2");
    Select({WriteFile("desk/notes.txt"), WriteFile("desk/lost.png", "p"), WriteFile("desk/README"),
            WriteFile("desk/photo.JPG", "jpeg bytes"), WriteFile("desk/paper.pdf", "pdf bytes"),
            WriteFile("desk/.pdf"), Path("desk/Album.jpg"), WriteFile("desk/anim.gif", "g"),
            WriteFile("desk/draft."), WriteFile("Pictures/beach.jpg", "sand")});

    PutInItsPlace(*m_ctx);

    EXPECT_EQ(ReadFile(m_pictures + "/photo.JPG"), "jpeg bytes");
    EXPECT_EQ(ReadFile(m_documents + "/paper.pdf"), "pdf bytes");
    EXPECT_EQ(ReadFile(m_pictures + "/Album.jpg/inner/two.png"), "2");
    EXPECT_EQ(ReadFile(m_pictures + "/beach.jpg"), "sand");
    EXPECT_EQ(Names(Path("desk")), (std::vector<std::string>{".pdf", "README", "anim.gif", "draft.",
                                                             "lost.png", "notes.txt"}));
    EXPECT_EQ(ReadFile(Path("desk/lost.png")), "p");
    EXPECT_EQ(ReadFile(Path("not-a-folder")), "file");
    EXPECT_EQ(Names(m_pictures), (std::vector<std::string>{"Album.jpg", "beach.jpg", "photo.JPG"}));
    EXPECT_EQ(m_ordered.events,
              (std::vector<std::string>{
                  "beep", "sound", "sound", "sound", "beep", "sound",
                  "reveal " + m_pictures + "/photo.JPG", "reveal " + m_documents + "/paper.pdf",
                  "reveal " + m_pictures + "/Album.jpg", "reveal " + m_pictures + "/beach.jpg"}));
    EXPECT_EQ(m_ordered.revealRequests.size(), 1u) << "one file-manager window for the run";
    EXPECT_EQ(LinesStartingWith("Moved "), QStringList({"Moved \"photo.JPG\" to \"Pictures\"",
                                                        "Moved \"paper.pdf\" to \"Documents\"",
                                                        "Moved \"Album.jpg\" to \"Pictures\""}));
    EXPECT_EQ(CountLog("Ferrolet: An error occurred moving a folder or file\\. Error code = \\d+"),
              1);
    EXPECT_EQ(m_ordered.notifications,
              QStringList{"Put In Its Place: 6 of 10 items not moved\n"
                          "\u201Cnotes.txt\u201D: No folder is set for .txt items\n"
                          "\u201Clost.png\u201D: The folder set for .png items was not found\n"
                          "\u201CREADME\u201D: No folder is set for items without an extension\n"
                          "\u2026and 3 more"});
}

} // namespace
