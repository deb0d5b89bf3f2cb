// The preferences window on Qt's offscreen platform: what each control is
// bound to, one drag, one keyboard edit, and the save at every close. The
// logic behind the controls is tested on the model.
#include "PrefsFixture.h"

#include "platform/Autostart.h"
#include "prefs/FolderTableModel.h"
#include "prefs/FolderTableView.h"
#include "prefs/OptionSwitches.h"
#include "prefs/PreferencesWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include <functional>

namespace ferrolet::test {
namespace {

class PreferencesWindowTest : public PrefsFixture {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "prefs_widget_tests";
        static char* argv[] = {name, nullptr};
        if (!qApp) {
            new QApplication(argc, argv);
        }
    }
    void TearDown() override {
        m_pane.reset();
        PrefsFixture::TearDown();
    }
    PreferencesWindow& Pane() {
        m_pane = std::make_unique<PreferencesWindow>(*m_store, m_platform, nullptr,
                                                     QString::fromStdString(m_soundFolder));
        m_pane->SetFolderChooser([this](QWidget*, const FolderDialogRequest& request) {
            m_requests.push_back(request);
            return m_answer;
        });
        return *m_pane;
    }
    template <typename T> T* Find(const QString& name) {
        T* widget = m_pane->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    // A folder table, its model and one of its columns.
    FolderTableView* Table(const char* name) { return Find<FolderTableView>(name); }
    static FolderTableModel* ModelOf(FolderTableView* view) {
        return static_cast<FolderTableModel*>(view->model());
    }
    static QStringList Column(FolderTableView* view, int column) {
        QStringList values;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            values.append(view->model()->index(row, column).data().toString());
        }
        return values;
    }
    QStringList Folders(int n) {
        QStringList f;
        for (int i = 1; i <= n; ++i) {
            f.append(Dir("folders/F" + std::to_string(i)));
        }
        return f;
    }
    std::unique_ptr<PreferencesWindow> m_pane;
    std::vector<FolderDialogRequest> m_requests;
    QStringList m_answer;
};

TEST_F(PreferencesWindowTest, EachControlIsBoundToItsSettingOrAction) {
    WriteFile("sounds/bell.oga");
    WriteFile("sounds/complete.oga");
    WriteFile("sounds/no-extension");
    m_store->SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
    m_store->SetAppValue(keys::IncludeCopyTo, 0); // not a boolean: shown as the default
    m_store->Synchronize();
    setenv("XDG_CONFIG_DIRS", Dir("etc-xdg").toLocal8Bit().constData(), 1);
    m_answer = {Dir("folders/A")};
    PreferencesWindow& pane = Pane();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    EXPECT_EQ(Find<QComboBox>("soundMenu")->currentText(), "complete");
    EXPECT_EQ(Find<QComboBox>("soundMenu")->itemText(3), "no-extension");
    for (const OptionSwitch& option : AllOptionSwitches()) {
        SCOPED_TRACE(option.key.toStdString());
        auto* box = Find<QCheckBox>(option.key);
        ASSERT_NE(box, nullptr);
        const bool shown = box->isChecked();
        EXPECT_EQ(shown, option.key != keys::ReplaceFilesBySameName);
        box->click();
        EXPECT_EQ(Stored().value(option.key), QJsonValue(!shown));
    }
    struct Binding {
        const char* control;
        std::function<void()> use;
        std::function<bool()> done;
    };
    const std::string entry = Path("home/.config/autostart/com.quorvane.Ferrolet.desktop");
    const std::vector<Binding> bindings = {
        {"soundMenu",
         [&] {
             QTest::keyClick(Find<QComboBox>("soundMenu"), Qt::Key_Up);
             QTest::keyClick(Find<QComboBox>("soundMenu"), Qt::Key_Up); // None plays nothing
         },
         [&] {
             return m_platform.sounds == QStringList{"bell"} &&
                    Stored().value("LastSelectedSound") == QJsonValue("None");
         }},
        {"startAtLogin", [&] { Find<QCheckBox>("startAtLogin")->click(); },
         [&] { return ReadFile(entry) == AutostartEntryText(); }},
        {"addButton", [&] { Find<QPushButton>("addButton")->click(); },
         [&] { return StoredList(keys::PathnamesAliases) == m_answer; }},
        {"extensionsAddButton", [&] { Find<QPushButton>("extensionsAddButton")->click(); },
         [&] {
             return StoredStrings("Extensions") == QStringList{"???"} &&
                    m_requests.back().title == "Choose Folders" &&
                    m_requests.back().multipleSelection;
         }},
        {"pathnamesTable",
         [&] {
             FolderTableView* table = Table("pathnamesTable");
             const QPoint cell = table->visualRect(table->model()->index(0, 1)).center();
             QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
             QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
         },
         [&] {
             return m_platform.revealed == std::vector<std::string>{m_answer[0].toStdString()};
         }},
        {"helpButton", [&] { Find<QPushButton>("helpButton")->click(); },
         [&] { return m_platform.openedUrls == QStringList{"https://ferrolet.quorvane.com"}; }},
    };
    for (const Binding& binding : bindings) {
        binding.use();
        EXPECT_TRUE(binding.done()) << binding.control;
    }
    // Pictures of each tab for the documentation, when asked for.
    auto* tabs = Find<QTabWidget>("tabView");
    const QString shots = qEnvironmentVariable("FERROLET_SCREENSHOT_DIR");
    const QStringList names{"destinations", "extensions", "menu-contents", "options", "about"};
    for (int i = 0; !shots.isEmpty() && i < tabs->count() && i < names.size(); ++i) {
        tabs->setCurrentIndex(i);
        EXPECT_TRUE(pane.grab().save(shots + "/prefs-" + names[i] + ".png"))
            << names[i].toStdString();
    }
    // The autostart entry removed elsewhere: the next showing says so.
    pane.hide();
    ASSERT_EQ(unlink(entry.c_str()), 0);
    pane.show();
    EXPECT_FALSE(Find<QCheckBox>("startAtLogin")->isChecked());
}

TEST_F(PreferencesWindowTest, DraggingRowsReordersSelectsAndStoresThem) {
    const QStringList f = Folders(5);
    StoreDestinationPathnames(*FreshStore(), f);
    Pane();
    FolderTableView* table = Table("pathnamesTable");
    FolderTableModel* model = ModelOf(table);
    table->SelectRows({0, 4});
    EXPECT_TRUE(Find<QPushButton>("deleteButton")->isEnabled());
    std::unique_ptr<QMimeData> drag(model->mimeData(table->selectionModel()->selectedIndexes()));
    ASSERT_NE(drag, nullptr);
    ASSERT_TRUE(model->canDropMimeData(drag.get(), Qt::MoveAction, 2, 0, {}));
    EXPECT_TRUE(model->dropMimeData(drag.get(), Qt::MoveAction, 2, 0, {}));
    const QStringList result{f[1], f[0], f[2], f[3], f[4]};
    EXPECT_EQ(Column(table, model->FolderColumn()), result);
    EXPECT_EQ(table->SelectedRows(), QList<int>({1, 4}));
    EXPECT_EQ(StoredList(keys::PathnamesAliases), result);
    // The extension table takes none of these rows; drag data not ours is refused.
    EXPECT_FALSE(
        ModelOf(Table("extensionsTable"))->canDropMimeData(drag.get(), Qt::MoveAction, 0, 0, {}));
    QMimeData junk;
    junk.setData("MyPrivateTableViewDataType", "\x00\x00\x00\x01\xff\xff\xff\xff");
    EXPECT_FALSE(model->dropMimeData(&junk, Qt::MoveAction, 0, 0, {}));
    EXPECT_EQ(StoredList(keys::PathnamesAliases), result);

    // Folders dragged in from a file manager go to the top of the list.
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile(Dir("folders/New"))});
    EXPECT_TRUE(model->dropMimeData(&uris, Qt::CopyAction, 3, 0, {}));
    EXPECT_EQ(StoredList(keys::PathnamesAliases).front(), Dir("folders/New"));
}

TEST_F(PreferencesWindowTest, KeyboardEditsAndDeletesExtensionRows) {
    const QStringList folders = Folders(4);
    m_answer = folders;
    PreferencesWindow& pane = Pane();
    Find<QPushButton>("extensionsAddButton")->click(); // rows F4, F3, F2, F1
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    FolderTableView* table = Table("extensionsTable");
    FolderTableModel* model = ModelOf(table);
    const QStringList typed{"PDF", ".PDF", "Jpg", "TXT"};
    for (int row = 0; row < 4; ++row) {
        table->setCurrentIndex(model->index(row, model->FolderColumn()));
        QTest::keyClick(table, Qt::Key_Return);
        auto* editor = table->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "Return did not open an editor";
        editor->selectAll();
        QTest::keyClicks(editor, typed[row]);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(1);
    }
    EXPECT_EQ(StoredStrings("Extensions"), QStringList({"pdf", ".pdf", "jpg", "txt"}));
    table->SelectRows({0, 2});
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(Column(table, model->ExtensionColumn()), QStringList({".pdf", "txt"}));
    EXPECT_FALSE(Find<QPushButton>("extensionsDeleteButton")->isEnabled());
    EXPECT_EQ(StoredStrings("Extensions"), QStringList({".pdf", "txt"}));
    EXPECT_EQ(StoredList(keys::ExtensionPathsAliases), QStringList({folders[2], folders[0]}));
}

TEST_F(PreferencesWindowTest, ClosingAnyWindowSavesEverything) {
    StoreDestinationPathnames(*m_store, {Dir("folders/A")});
    PreferencesWindow& pane = Pane();
    SavePreferencesOnEveryClose(pane);
    Find<QTabWidget>("tabView")->setCurrentIndex(2);
    Find<QCheckBox>(keys::On)->setChecked(false);
    m_store->SetAppValue(keys::On, QVariant()); // only the save writes them now
    m_store->SetAppValue(keys::PathnamesAliases, QVariant());
    m_store->Synchronize();
    QWidget other; // e.g. the Move Service window
    other.show();
    other.close();
    const QJsonObject stored = Stored();
    EXPECT_EQ(stored.value("On"), QJsonValue(false));
    EXPECT_EQ(stored.value("SelectedTabViewItem"), QJsonValue(QJsonObject{{"$int", 2}}));
    EXPECT_EQ(stored.value("PathnamesAliases").toArray().size(), 1);
    EXPECT_TRUE(stored.value("ExtensionPathsAliases").isArray() &&
                stored.value("Extensions").isArray());
}

} // namespace
} // namespace ferrolet::test
