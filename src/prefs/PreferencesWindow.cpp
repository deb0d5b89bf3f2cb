#include "prefs/PreferencesWindow.h"

#include "platform/Autostart.h"
#include "prefs/FolderTableModel.h"
#include "prefs/FolderTableView.h"
#include "prefs/OptionSwitches.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#ifndef FERROLET_VERSION
#define FERROLET_VERSION "0"
#endif

namespace ferrolet {

namespace {

QLabel* MakeExplanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QPushButton* MakeButton(const QString& text, const QString& accessibleName,
                        const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(accessibleName);
    button->setObjectName(objectName);
    return button;
}

} // namespace

PreferencesWindow::PreferencesWindow(SettingsStore& store, Platform& platform, QWidget* parent,
                                     const QString& soundFolder)
    : QWidget(parent, Qt::Window), m_model(store, platform, soundFolder),
      m_chooseFolders(&RunFolderDialog) {
    setWindowTitle(tr("Ferrolet Preferences"));
    setObjectName(QStringLiteral("preferencesWindow"));
    m_model.Load();

    m_tabView = new QTabWidget(this);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_tabView->setAccessibleName(tr("Preferences sections"));
    m_tabView->addTab(BuildDestinationsTab(), tr("Destination Folders"));
    m_tabView->addTab(BuildExtensionsTab(), tr("Extensions"));
    m_tabView->addTab(BuildOptionsTab(true), tr("Menu Contents"));
    m_tabView->addTab(BuildOptionsTab(false), tr("Options"));
    m_tabView->addTab(BuildAboutTab(), tr("About"));
    connect(m_tabView, &QTabWidget::currentChanged, this,
            [this](int index) { m_model.SetSelectedTab(index); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabView);
    resize(640, 440);
}

PreferencesWindow::~PreferencesWindow() = default;

QWidget* PreferencesWindow::BuildDestinationsTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(MakeExplanation(
        tr("The folders offered by Move To, Copy To, Archive To, Alias To, Hard Link To and "
           "Open Folder, in menu order. Drag rows to reorder them; drop folders here from "
           "the file manager."),
        page));

    m_pathnamesModel = new FolderTableModel(m_model, FolderTable::Destinations, this);
    m_pathnamesTable = new FolderTableView(page);
    m_pathnamesTable->setObjectName(QStringLiteral("pathnamesTable"));
    m_pathnamesTable->setAccessibleName(tr("Destination folders"));
    m_pathnamesTable->setModel(m_pathnamesModel);
    m_pathnamesTable->setDragEnabled(true);
    m_pathnamesTable->setDragDropMode(QAbstractItemView::DragDrop);
    m_pathnamesTable->setDefaultDropAction(Qt::MoveAction);
    m_pathnamesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pathnamesTable->setColumnWidth(0, 160);
    layout->addWidget(m_pathnamesTable, 1);

    auto* buttons = new QHBoxLayout;
    m_addButton = MakeButton(tr("Add Folders…"), tr("Add destination folders"),
                             QStringLiteral("addButton"), page);
    m_deleteButton = MakeButton(tr("Remove"), tr("Remove the selected destination folders"),
                                QStringLiteral("deleteButton"), page);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_addButton, &QPushButton::clicked, this, &PreferencesWindow::addButtonClicked);
    connect(m_deleteButton, &QPushButton::clicked, this, &PreferencesWindow::deleteButtonClicked);
    connect(m_pathnamesTable, &FolderTableView::deleteRequested, this,
            &PreferencesWindow::deleteButtonClicked);
    connect(m_pathnamesModel, &FolderTableModel::rowsReordered, m_pathnamesTable,
            &FolderTableView::SelectRows);
    ConnectTable(m_pathnamesTable, m_pathnamesModel, m_deleteButton);
    return page;
}

QWidget* PreferencesWindow::BuildExtensionsTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(MakeExplanation(
        tr("Put In Its Place files each item into the folder given for its extension. Type "
           "the extension without a dot (pdf, jpg); press Return or double-click it to edit."),
        page));

    m_extensionsModel = new FolderTableModel(m_model, FolderTable::Extensions, this);
    m_extensionsTable = new FolderTableView(page);
    m_extensionsTable->setObjectName(QStringLiteral("extensionsTable"));
    m_extensionsTable->setAccessibleName(tr("Extension folders"));
    m_extensionsTable->setModel(m_extensionsModel);
    m_extensionsTable->setDragEnabled(false);
    m_extensionsTable->setDragDropMode(QAbstractItemView::DropOnly);
    m_extensionsTable->setEditTriggers(QAbstractItemView::DoubleClicked |
                                       QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::SelectedClicked);
    m_extensionsTable->SetEditableColumn(m_extensionsModel->ExtensionColumn());
    m_extensionsTable->setColumnWidth(m_extensionsModel->ExtensionColumn(), 90);
    m_extensionsTable->setColumnWidth(m_extensionsModel->NameColumn(), 150);
    layout->addWidget(m_extensionsTable, 1);

    auto* buttons = new QHBoxLayout;
    m_extensionsAddButton = MakeButton(tr("Add Folders…"), tr("Add extension folders"),
                                       QStringLiteral("extensionsAddButton"), page);
    m_extensionsDeleteButton = MakeButton(tr("Remove"), tr("Remove the selected extension rows"),
                                          QStringLiteral("extensionsDeleteButton"), page);
    buttons->addWidget(m_extensionsAddButton);
    buttons->addWidget(m_extensionsDeleteButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_extensionsAddButton, &QPushButton::clicked, this,
            &PreferencesWindow::extensionsAddButtonClicked);
    connect(m_extensionsDeleteButton, &QPushButton::clicked, this,
            &PreferencesWindow::extensionsDeleteButtonClicked);
    connect(m_extensionsTable, &FolderTableView::deleteRequested, this,
            &PreferencesWindow::extensionsDeleteButtonClicked);
    ConnectTable(m_extensionsTable, m_extensionsModel, m_extensionsDeleteButton);
    return page;
}

void PreferencesWindow::ConnectTable(FolderTableView* view, FolderTableModel* model,
                                     QPushButton* deleteButton) {
    // The remove button follows the selection; a reset (refresh) clears it.
    deleteButton->setEnabled(false);
    auto follow = [view, deleteButton] {
        deleteButton->setEnabled(!view->SelectedRows().isEmpty());
    };
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, follow);
    connect(model, &QAbstractItemModel::modelReset, this, follow);

    // Double-click reveals the folder; on the extension column it edits.
    connect(view, &QAbstractItemView::doubleClicked, this, [this, model](const QModelIndex& index) {
        if (index.column() != model->ExtensionColumn()) {
            m_model.RevealRow(model->Table(), index.row());
        }
    });
}

QCheckBox* PreferencesWindow::MakeOptionBox(const QString& key, const char* label,
                                            QWidget* parent) {
    auto* box = new QCheckBox(tr(label), parent);
    box->setObjectName(key);
    box->setAccessibleName(tr(label));
    box->setChecked(m_model.OptionState(key));
    // Written through at once, exactly the box's own key.
    connect(box, &QCheckBox::toggled, this,
            [this, key](bool checked) { m_model.SetOption(key, checked); });
    m_optionBoxes[key] = box;
    return box;
}

QWidget* PreferencesWindow::BuildOptionsTab(bool menuContents) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    if (menuContents) {
        layout->addWidget(MakeExplanation(tr("Show these commands in the Ferrolet menu:"), page));
    }
    for (const OptionSwitch& option : AllOptionSwitches()) {
        const bool inMenuTab = option.group == OptionGroup::MenuContents;
        if (inMenuTab == menuContents) {
            layout->addWidget(MakeOptionBox(option.key, option.label, page));
        }
    }
    if (!menuContents) {
        // Not a stored key: the state is the autostart entry itself.
        m_startAtLogin = new QCheckBox(tr("Start Ferrolet at login"), page);
        m_startAtLogin->setObjectName(QStringLiteral("startAtLogin"));
        m_startAtLogin->setAccessibleName(m_startAtLogin->text());
        m_startAtLogin->setChecked(StartsAtLogin());
        connect(m_startAtLogin, &QCheckBox::clicked, this, [this](bool on) {
            SetStartAtLogin(on);
            m_startAtLogin->setChecked(StartsAtLogin());
        });
        layout->addWidget(m_startAtLogin);
        auto* form = new QFormLayout;
        m_soundMenu = new QComboBox(page);
        m_soundMenu->setObjectName(QStringLiteral("soundMenu"));
        m_soundMenu->setAccessibleName(tr("Sound when a command completes"));
        form->addRow(tr("Sound when a command completes:"), m_soundMenu);
        layout->addSpacing(8);
        layout->addLayout(form);
        SetupSoundMenu();
        connect(m_soundMenu, &QComboBox::activated, this, &PreferencesWindow::SoundSelected);
    }
    layout->addStretch(1);
    return page;
}

QWidget* PreferencesWindow::BuildAboutTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_versionInfoField =
        new QLabel(QStringLiteral("Ferrolet %1").arg(QLatin1String(FERROLET_VERSION)), page);
    m_versionInfoField->setObjectName(QStringLiteral("versionInfoField"));
    m_versionInfoField->setAccessibleName(tr("Version"));
    m_versionInfoField->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bigger = m_versionInfoField->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.4);
    bigger.setBold(true);
    m_versionInfoField->setFont(bigger);
    layout->addWidget(m_versionInfoField);
    layout->addWidget(MakeExplanation(
        tr("Files away the items selected in the file manager in one gesture: move, copy, "
           "archive, link or wrap them into the folders you keep here."),
        page));
    auto* help = MakeButton(tr("Project Page"), tr("Open the project page in the web browser"),
                            QStringLiteral("helpButton"), page);
    connect(help, &QPushButton::clicked, this, &PreferencesWindow::openHelp);
    auto* row = new QHBoxLayout;
    row->addWidget(help);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

void PreferencesWindow::SetupSoundMenu() {
    m_soundMenu->clear();
    m_soundMenu->addItems(m_model.SoundTitles());
    const QString stored = m_model.StoredSoundTitle();
    if (!stored.isEmpty()) {
        m_soundMenu->setCurrentIndex(m_soundMenu->findText(stored, Qt::MatchExactly));
    }
}

void PreferencesWindow::showEvent(QShowEvent* event) {
    // The entry may have been changed outside since the window last showed.
    m_startAtLogin->setChecked(StartsAtLogin());
    QWidget::showEvent(event);
}

void PreferencesWindow::SoundSelected(int index) {
    m_model.SelectSound(m_soundMenu->itemText(index));
}

QStringList PreferencesWindow::ChooseFolders() {
    FolderDialogRequest request;
    request.title = tr("Choose Folders");
    request.prompt = tr("Choose");
    request.multipleSelection = true;
    return m_chooseFolders ? m_chooseFolders(this, request) : QStringList();
}

void PreferencesWindow::updatePathnamesTable() {
    m_model.UpdatePathnamesTable();
    m_pathnamesModel->Refresh();
}

void PreferencesWindow::updateExtensionsTable() {
    m_model.UpdateExtensionsTable();
    m_extensionsModel->Refresh();
}

void PreferencesWindow::savePreferences() {
    m_model.SavePreferences();
}

void PreferencesWindow::openHelp() {
    m_model.OpenHelp();
}

void PreferencesWindow::addButtonClicked() {
    const QStringList paths = ChooseFolders();
    if (paths.isEmpty()) {
        return;
    }
    m_model.AddFolders(paths);
    m_pathnamesModel->Refresh();
}

void PreferencesWindow::extensionsAddButtonClicked() {
    const QStringList paths = ChooseFolders();
    if (paths.isEmpty()) {
        return;
    }
    m_model.AddExtensionsFolders(paths);
    m_extensionsModel->Refresh();
}

void PreferencesWindow::deleteButtonClicked() {
    m_model.DeleteRows(FolderTable::Destinations, m_pathnamesTable->SelectedRows());
    m_pathnamesModel->Refresh();
}

void PreferencesWindow::extensionsDeleteButtonClicked() {
    m_model.DeleteRows(FolderTable::Extensions, m_extensionsTable->SelectedRows());
    m_extensionsModel->Refresh();
}

namespace {

class SaveOnCloseFilter : public QObject {
public:
    SaveOnCloseFilter(PreferencesWindow& pane) : QObject(&pane), m_pane(pane) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only widget windows: the QWindow under each one sees the same close.
        if (event->type() == QEvent::Close && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            m_pane.savePreferences();
        }
        return false;
    }

private:
    PreferencesWindow& m_pane;
};

} // namespace

void SavePreferencesOnEveryClose(PreferencesWindow& pane) {
    qApp->installEventFilter(new SaveOnCloseFilter(pane));
}

} // namespace ferrolet
