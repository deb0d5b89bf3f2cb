// The preferences window on Qt's offscreen platform: the controls, the
// tables with their drags, drops and keys, and the save at every close.
#include "PrefsFixture.h"

#include "platform/Autostart.h"
#include "prefs/FolderTableModel.h"
#include "prefs/FolderTableView.h"
#include "prefs/OptionSwitches.h"
#include "prefs/PreferencesWindow.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

    PreferencesWindow& Pane() {
        m_pane = std::make_unique<PreferencesWindow>(*m_store, m_platform, nullptr,
                                                     QString::fromStdString(m_soundFolder));
        m_pane->SetFolderChooser([this](QWidget*, const FolderDialogRequest& request) {
            m_requests.push_back(request);
            QStringList answer = m_answers.empty() ? QStringList() : m_answers.front();
            if (!m_answers.empty()) {
                m_answers.pop_front();
            }
            return answer;
        });
        return *m_pane;
    }

    template <typename T> T* Find(const QString& name) {
        T* widget = m_pane->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    FolderTableView* Table(const char* name) { return Find<FolderTableView>(name); }
    FolderTableModel* ModelOf(FolderTableView* view) {
        return static_cast<FolderTableModel*>(view->model());
    }
    static QString Cell(FolderTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }
    static QStringList Column(FolderTableView* view, int column) {
        QStringList values;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            values.append(Cell(view, row, column));
        }
        return values;
    }
    static std::unique_ptr<QMimeData> UriDrop(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.append(QUrl::fromLocalFile(path));
        }
        data->setUrls(urls);
        return data;
    }

    void TearDown() override {
        m_pane.reset();
        PrefsFixture::TearDown();
    }

    std::unique_ptr<PreferencesWindow> m_pane;
    std::vector<FolderDialogRequest> m_requests;
    std::deque<QStringList> m_answers;
};

TEST_F(PreferencesWindowTest, FirstLaunchShowsDefaultsAndStoresNothing) {
    PreferencesWindow& pane = Pane();
    pane.show();
    EXPECT_EQ(pane.windowTitle(), "Ferrolet Preferences");
    for (const OptionSwitch& option : AllOptionSwitches()) {
        auto* box = Find<QCheckBox>(option.key);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isChecked(), option.key != keys::ReplaceFilesBySameName)
            << option.key.toStdString();
    }
    EXPECT_EQ(Table("pathnamesTable")->model()->rowCount(), 0);
    EXPECT_EQ(Table("extensionsTable")->model()->rowCount(), 0);
    EXPECT_FALSE(Find<QPushButton>("deleteButton")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("extensionsDeleteButton")->isEnabled());
    EXPECT_EQ(Find<QComboBox>("soundMenu")->itemText(0), "None");
    EXPECT_TRUE(Find<QLabel>("versionInfoField")->text().startsWith("Ferrolet "));
    EXPECT_GT(Find<QLabel>("versionInfoField")->text().size(), 9);
    QTest::qWait(10);
    EXPECT_FALSE(Exists(m_store->FilePath()));

    // Clicking one box stores just that key.
    Find<QCheckBox>(keys::IncludeCopyTo)->click();
    EXPECT_EQ(ReadBack(keys::IncludeCopyTo), QVariant(false));
    EXPECT_EQ(Stored().keys(), QStringList({"IncludeCopyTo"}));
    Find<QCheckBox>(keys::ReplaceFilesBySameName)->click();
    EXPECT_EQ(ReadBack(keys::ReplaceFilesBySameName), QVariant(true));
}

TEST_F(PreferencesWindowTest, StoredNumberZeroShowsChecked) {
    m_store->SetAppValue(keys::IncludeCopyTo, 0);
    m_store->SetAppValue(keys::IncludeMoveTo, false);
    m_store->Synchronize();
    Pane();
    EXPECT_TRUE(Find<QCheckBox>(keys::IncludeCopyTo)->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(keys::IncludeMoveTo)->isChecked());
}

TEST_F(PreferencesWindowTest, AddButtonsAskForFoldersAndSortThem) {
    const QString x = Dir("X");
    const QString f10 = Dir("folders/Folder 10");
    const QString f2 = Dir("folders/folder 2");
    const QString f9 = Dir("folders/Folder 9");
    PreferencesWindow& pane = Pane();
    m_answers = {{x}, {f10, f2, f9}, {}, {f9}};
    Find<QPushButton>("addButton")->click();
    Find<QPushButton>("addButton")->click();
    ASSERT_EQ(m_requests.size(), 2u);
    EXPECT_EQ(m_requests[0].title, "Choose Folders");
    EXPECT_EQ(m_requests[0].prompt, "Choose");
    EXPECT_TRUE(m_requests[0].multipleSelection);

    FolderTableView* table = Table("pathnamesTable");
    const int folder = ModelOf(table)->FolderColumn();
    const int name = ModelOf(table)->NameColumn();
    EXPECT_EQ(Column(table, folder), QStringList({f10, f9, f2, x}));
    EXPECT_EQ(Column(table, name), QStringList({"Folder 10", "Folder 9", "folder 2", "X"}));
    EXPECT_EQ(table->model()->headerData(name, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(table->model()->headerData(folder, Qt::Horizontal).toString(), "Folder");
    EXPECT_EQ(FolderPathnames(*FreshStore(), keys::PathnamesAliases),
              QStringList({f10, f9, f2, x}));

    // A cancelled dialog changes nothing; the extension table gets "???".
    Find<QPushButton>("extensionsAddButton")->click();
    EXPECT_EQ(Table("extensionsTable")->model()->rowCount(), 0);
    Find<QPushButton>("extensionsAddButton")->click();
    FolderTableView* extensions = Table("extensionsTable");
    EXPECT_EQ(Column(extensions, ModelOf(extensions)->ExtensionColumn()), QStringList({"???"}));
    EXPECT_EQ(Column(extensions, ModelOf(extensions)->FolderColumn()), QStringList({f9}));
    EXPECT_EQ(extensions->model()->headerData(0, Qt::Horizontal).toString(), "Extension");

    // The Add Folder command stores the list elsewhere, then refreshes us.
    StoreDestinationPathnames(*FreshStore(), {x});
    pane.updatePathnamesTable();
    EXPECT_EQ(Column(table, folder), QStringList({x}));
}

TEST_F(PreferencesWindowTest, FolderDropsGoToTheTopAndOnlyPlainFoldersCount) {
    const QString old = Dir("Old");
    const QString f1 = Dir("drops/F1");
    const QString f2 = Dir("drops/F2");
    const QString file = QString::fromStdString(WriteFile("drops/file.txt"));
    const std::string appRun = WriteFile("drops/App.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(appRun.c_str(), 0755), 0);
    const QString appDir = QString::fromStdString(Path("drops/App.AppDir"));
    Pane();
    m_answers = {{old}, {old}};
    Find<QPushButton>("addButton")->click();
    Find<QPushButton>("extensionsAddButton")->click();

    for (const char* name : {"pathnamesTable", "extensionsTable"}) {
        SCOPED_TRACE(name);
        FolderTableView* table = Table(name);
        FolderTableModel* model = ModelOf(table);
        const auto drop = UriDrop({f1, f2});
        // Onto a row is refused; between rows is taken, and the row ignored.
        EXPECT_FALSE(
            model->canDropMimeData(drop.get(), Qt::CopyAction, -1, -1, model->index(0, 0)));
        ASSERT_TRUE(model->canDropMimeData(drop.get(), Qt::CopyAction, 1, 0, {}));
        EXPECT_TRUE(model->dropMimeData(drop.get(), Qt::CopyAction, 1, 0, {}));
        EXPECT_EQ(Column(table, model->FolderColumn()), QStringList({f2, f1, old}));
        if (model->ExtensionColumn() >= 0) {
            EXPECT_EQ(Column(table, model->ExtensionColumn()), QStringList({"???", "???", "???"}));
        }

        for (const QStringList& refused : {QStringList{file}, QStringList{appDir}}) {
            const auto bad = UriDrop(refused);
            EXPECT_FALSE(model->canDropMimeData(bad.get(), Qt::CopyAction, 0, 0, {}));
            EXPECT_FALSE(model->dropMimeData(bad.get(), Qt::CopyAction, 0, 0, {}));
        }
        const auto web = std::make_unique<QMimeData>();
        web->setUrls({QUrl("https://example.org/folder/")});
        EXPECT_FALSE(model->canDropMimeData(web.get(), Qt::CopyAction, 0, 0, {}));

        const auto mixed = UriDrop({file, f1, appDir});
        EXPECT_TRUE(model->dropMimeData(mixed.get(), Qt::CopyAction, 2, 0, {}));
        EXPECT_EQ(Column(table, model->FolderColumn()), QStringList({f1, f2, f1, old}));
    }
    EXPECT_EQ(FolderPathnames(*FreshStore(), keys::ExtensionPathsAliases),
              QStringList({f1, f2, f1, old}));
    EXPECT_EQ(Strings(Stored().value("Extensions")), QStringList({"???", "???", "???", "???"}));
}

TEST_F(PreferencesWindowTest, DraggingRowsReordersAndSelectsThem) {
    QStringList f;
    for (int i = 1; i <= 5; ++i) {
        f.append(Dir("reorder/F" + std::to_string(i)));
    }
    struct Case {
        QList<int> dragged;
        int dropRow;
        QStringList result;
        QList<int> selection;
    };
    const std::vector<Case> cases{
        {{0, 1}, 4, {f[2], f[3], f[0], f[1], f[4]}, {2, 3}},
        {{3, 4}, 0, {f[3], f[4], f[0], f[1], f[2]}, {0, 1}},
        {{0, 4}, 2, {f[1], f[0], f[2], f[3], f[4]}, {1, 4}},
        {{2, 4}, 0, {f[2], f[0], f[4], f[1], f[3]}, {0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dropRow);
        StoreDestinationPathnames(*FreshStore(), f);
        Pane();
        FolderTableView* table = Table("pathnamesTable");
        FolderTableModel* model = ModelOf(table);
        ASSERT_EQ(Column(table, model->FolderColumn()), f);
        table->SelectRows(c.dragged);
        EXPECT_TRUE(Find<QPushButton>("deleteButton")->isEnabled());

        std::unique_ptr<QMimeData> drag(
            model->mimeData(table->selectionModel()->selectedIndexes()));
        ASSERT_NE(drag, nullptr);
        EXPECT_TRUE(drag->hasFormat("MyPrivateTableViewDataType"));
        ASSERT_TRUE(model->canDropMimeData(drag.get(), Qt::MoveAction, c.dropRow, 0, {}));
        EXPECT_TRUE(model->dropMimeData(drag.get(), Qt::MoveAction, c.dropRow, 0, {}));
        EXPECT_EQ(Column(table, model->FolderColumn()), c.result);
        EXPECT_EQ(table->SelectedRows(), c.selection);
        EXPECT_EQ(FolderPathnames(*FreshStore(), keys::PathnamesAliases), c.result);

        // The extension table neither drags rows nor takes this table's rows.
        FolderTableView* extensions = Table("extensionsTable");
        EXPECT_FALSE(ModelOf(extensions)->canDropMimeData(drag.get(), Qt::MoveAction, 0, 0, {}));
        EXPECT_EQ(ModelOf(extensions)->mimeData({}), nullptr);
    }
    // Drag data that is not ours is refused without harm.
    QMimeData junk;
    junk.setData("MyPrivateTableViewDataType", "\x00\x00\x00\x01\xff\xff\xff\xff");
    EXPECT_FALSE(ModelOf(Table("pathnamesTable"))->dropMimeData(&junk, Qt::MoveAction, 0, 0, {}));
}

TEST_F(PreferencesWindowTest, KeyboardEditsAndDeletesExtensionRows) {
    QStringList folders;
    for (const char* name : {"A", "B", "C", "D"}) {
        folders.append(Dir(std::string("ext/") + name));
    }
    PreferencesWindow& pane = Pane();
    m_answers = {folders};
    Find<QPushButton>("extensionsAddButton")->click(); // rows D, C, B, A
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    FolderTableView* table = Table("extensionsTable");
    FolderTableModel* model = ModelOf(table);
    const int ext = model->ExtensionColumn();

    // Return opens the extension for editing; what is typed is stored
    // lower-cased, the dot kept.
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
    EXPECT_EQ(Column(table, ext), QStringList({"pdf", ".pdf", "jpg", "txt"}));
    EXPECT_EQ(Strings(Stored().value("Extensions")), QStringList({"pdf", ".pdf", "jpg", "txt"}));

    // Delete removes rows 0 and 2 from both arrays.
    table->SelectRows({0, 2});
    EXPECT_TRUE(Find<QPushButton>("extensionsDeleteButton")->isEnabled());
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(Column(table, ext), QStringList({".pdf", "txt"}));
    EXPECT_EQ(Column(table, model->FolderColumn()), QStringList({folders[2], folders[0]}));
    EXPECT_FALSE(Find<QPushButton>("extensionsDeleteButton")->isEnabled());
    const QJsonObject stored = Stored();
    EXPECT_EQ(Strings(stored.value("Extensions")), QStringList({".pdf", "txt"}));
    EXPECT_EQ(FolderPathnames(*FreshStore(), keys::ExtensionPathsAliases),
              QStringList({folders[2], folders[0]}));

    // Delete with nothing selected removes nothing.
    table->clearSelection();
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(), 2);
}

TEST_F(PreferencesWindowTest, DoubleClickRevealsAndHelpOpensTheProjectPage) {
    const QString a = Dir("folders/A");
    PreferencesWindow& pane = Pane();
    m_answers = {{a}};
    Find<QPushButton>("addButton")->click();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    FolderTableView* table = Table("pathnamesTable");
    const QRect cell = table->visualRect(table->model()->index(0, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(m_platform.revealed.size(), 1u);
    EXPECT_EQ(m_platform.revealed[0], a.toStdString());

    m_pane->findChild<QTabWidget*>("tabView")->setCurrentIndex(4);
    Find<QPushButton>("helpButton")->click();
    EXPECT_EQ(m_platform.openedUrls, QStringList({"https://ferrolet.quorvane.com"}));
}

TEST_F(PreferencesWindowTest, SoundMenuStoresAndPlaysTheChoice) {
    WriteFile("sounds/bell.oga");
    WriteFile("sounds/complete.oga");
    m_store->SetAppValue(keys::LastSelectedSound, QStringLiteral("complete"));
    m_store->Synchronize();
    Pane();
    auto* menu = Find<QComboBox>("soundMenu");
    EXPECT_EQ(menu->currentText(), "complete");
    EXPECT_TRUE(m_platform.sounds.isEmpty()) << "showing the stored choice plays nothing";

    QTest::keyClick(menu, Qt::Key_Up); // to "bell"
    EXPECT_EQ(m_platform.sounds, QStringList({"bell"}));
    EXPECT_EQ(ReadBack(keys::LastSelectedSound), QVariant("bell"));
    QTest::keyClick(menu, Qt::Key_Up); // to "None"
    EXPECT_EQ(ReadBack(keys::LastSelectedSound), QVariant("None"));
    EXPECT_EQ(m_platform.sounds, QStringList({"bell"}));
}

TEST_F(PreferencesWindowTest, ClosingAnyWindowSavesEverything) {
    const QString a = Dir("folders/A");
    StoreDestinationPathnames(*m_store, {a});
    PreferencesWindow& pane = Pane();
    SavePreferencesOnEveryClose(pane);
    m_pane->findChild<QTabWidget*>("tabView")->setCurrentIndex(2);
    Find<QCheckBox>(keys::On)->setChecked(false);
    m_store->SetAppValue(keys::On, QVariant()); // only the save writes it now
    m_store->SetAppValue(keys::PathnamesAliases, QVariant());
    m_store->Synchronize();

    QWidget other; // e.g. the Move Service window
    other.show();
    other.close();
    QJsonObject stored = Stored();
    EXPECT_EQ(stored.value("On"), QJsonValue(false));
    EXPECT_EQ(stored.value("SelectedTabViewItem"), QJsonValue(QJsonObject{{"$int", 2}}));
    EXPECT_EQ(stored.value("PathnamesAliases").toArray().size(), 1);
    EXPECT_TRUE(stored.value("ExtensionPathsAliases").isArray());
    EXPECT_TRUE(stored.value("Extensions").isArray());

    m_pane->findChild<QTabWidget*>("tabView")->setCurrentIndex(1);
    pane.show();
    pane.close();
    EXPECT_EQ(Stored().value("SelectedTabViewItem"), QJsonValue(QJsonObject{{"$int", 1}}));
}

TEST_F(PreferencesWindowTest, StartAtLoginShowsTheAutostartEntryEachTimeTheWindowShows) {
    setenv("XDG_CONFIG_DIRS", Dir("etc-xdg").toLocal8Bit().constData(), 1);
    const std::string entry = Path("home/.config/autostart/com.quorvane.Ferrolet.desktop");
    PreferencesWindow& pane = Pane();
    pane.show();
    auto* box = Find<QCheckBox>("startAtLogin");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(ReadFile(entry), AutostartEntryText());
    EXPECT_FALSE(Exists(m_store->FilePath())); // no settings key for it

    // Removed outside the window: the next showing says so.
    pane.hide();
    ASSERT_EQ(unlink(entry.c_str()), 0);
    pane.show();
    EXPECT_FALSE(box->isChecked());
    box->click();
    box->click();
    EXPECT_FALSE(Exists(entry));
    EXPECT_FALSE(box->isChecked());
}

TEST_F(PreferencesWindowTest, EveryControlIsNamedAndTabOrderFollowsTheLayout) {
    PreferencesWindow& pane = Pane();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    auto* tabs = m_pane->findChild<QTabWidget*>("tabView");
    for (int t = 0; t < tabs->count(); ++t) {
        tabs->setCurrentIndex(t);
        QWidget* page = tabs->widget(t);
        // The focus chain, restricted to this page's focusable controls.
        QList<QWidget*> chain;
        QWidget* w = page;
        do {
            w = w->nextInFocusChain();
            if (page->isAncestorOf(w) && w->focusPolicy() & Qt::TabFocus && w->isVisible()) {
                chain.append(w);
            }
        } while (w != page);
        ASSERT_FALSE(chain.isEmpty()) << tabs->tabText(t).toStdString();
        QPoint previous(-1, -1);
        for (QWidget* control : chain) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " on " << tabs->tabText(t).toStdString();
            const QPoint at = control->mapTo(page, QPoint(0, 0));
            // Row by row, left to right within a row.
            EXPECT_TRUE(at.y() > previous.y() || (at.y() == previous.y() && at.x() > previous.x()))
                << control->accessibleName().toStdString();
            previous = at;
        }
    }
}

TEST_F(PreferencesWindowTest, DisplayNamesAreResolvedPerRefreshNotPerPaint) {
    QStringList folders;
    for (int i = 0; i < 1000; ++i) {
        folders.append(Dir("many/Folder " + std::to_string(i)));
    }
    PreferencesWindow& pane = Pane();
    m_answers = {folders};
    Find<QPushButton>("addButton")->click();
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    FolderTableView* table = Table("pathnamesTable");
    ASSERT_EQ(table->model()->rowCount(), 1000);
    EXPECT_EQ(Cell(table, 0, 0), "Folder 999");
    EXPECT_EQ(Cell(table, 999, 0), "Folder 0");
    table->scrollToBottom();
    EXPECT_FALSE(table->grab().isNull());

    // Once resolved, a name is shown from memory until the next refresh.
    ASSERT_EQ(rmdir(folders[999].toUtf8().constData()), 0);
    EXPECT_EQ(Cell(table, 0, 0), "Folder 999");
    pane.updatePathnamesTable();
    EXPECT_EQ(Cell(table, 0, 0), "");
    EXPECT_EQ(Cell(table, 0, 1), kFolderNotFound);
}

} // namespace
} // namespace ferrolet::test
