#include "MenuRenderer.h"

#include <QAction>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include <memory>

namespace ferrolet {

namespace {

QIcon IconForFile(const std::string& path) {
    static QMimeDatabase mimeDb;
    static QHash<QString, QIcon> cache;
    // Matching by name only avoids reading every file's contents.
    const QMimeType mime =
        mimeDb.mimeTypeForFile(QString::fromUtf8(path.c_str()), QMimeDatabase::MatchExtension);
    auto it = cache.find(mime.name());
    if (it != cache.end()) {
        return *it;
    }
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) {
        icon = QIcon::fromTheme(mime.genericIconName());
    }
    cache.insert(mime.name(), icon);
    return icon;
}

void Fill(const std::shared_ptr<const Menu>& model, QMenu* menu,
          const std::function<void(const MenuItem&)>& onChosen);

void AddItem(const MenuItem& item, QMenu* menu,
             const std::function<void(const MenuItem&)>& onChosen) {
    if (item.separator) {
        menu->addSeparator();
        return;
    }
    // Menus show "&" as a mnemonic marker; titles are names and paths.
    QString title = item.title;
    title.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (item.submenu) {
        QMenu* sub = menu->addMenu(title);
        sub->setToolTipsVisible(true);
        sub->menuAction()->setToolTip(item.tooltip);
        sub->setEnabled(item.IsEnabled());
        auto model = std::make_shared<const Menu>(*item.submenu);
        // Filled when first shown: icons and long lists cost nothing until then.
        QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, model, onChosen] {
            if (sub->isEmpty()) {
                Fill(model, sub, onChosen);
            }
        });
        return;
    }
    QAction* action = menu->addAction(title);
    action->setToolTip(item.tooltip);
    action->setEnabled(item.IsEnabled());
    if (!item.iconPath.empty()) {
        action->setIcon(IconForFile(item.iconPath));
    }
    if (item.action != MenuAction::None) {
        const MenuItem& chosen = item;
        QObject::connect(action, &QAction::triggered, action,
                         [chosen, onChosen] { onChosen(chosen); });
    }
}

void Fill(const std::shared_ptr<const Menu>& model, QMenu* menu,
          const std::function<void(const MenuItem&)>& onChosen) {
    for (const MenuItem& item : model->items) {
        AddItem(item, menu, onChosen);
    }
}

} // namespace

void RenderMenu(const Menu& model, QMenu* menu,
                const std::function<void(const MenuItem&)>& onChosen) {
    // Submenus are children of the menu, not of its actions: drop them too.
    const auto submenus = menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    menu->clear();
    qDeleteAll(submenus);
    menu->setToolTipsVisible(true);
    for (const MenuItem& item : model.items) {
        AddItem(item, menu, onChosen);
    }
}

} // namespace ferrolet
