#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/test_seams.h"

namespace platform {

MenuItem::MenuItem(std::unique_ptr<MenuItemImpl> impl) : d_(std::move(impl)) {}
MenuItem::~MenuItem() = default;

std::string MenuItem::caption() const {
    return d_->caption;
}
bool MenuItem::enabled() const {
    return d_->action->isEnabled();
}
void MenuItem::setEnabled(bool enabled) {
    d_->action->setEnabled(enabled);
}
bool MenuItem::checked() const {
    return d_->action->isChecked();
}
void MenuItem::setChecked(bool checked) {
    // Only a checked item is checkable, so an unchecked one shows no box at all.
    d_->action->setCheckable(checked);
    d_->action->setChecked(checked);
}
bool MenuItem::isSeparator() const {
    return d_->action->isSeparator();
}

Menu::Menu(Form& form, const std::string& caption) : d_(std::make_unique<MenuImpl>()) {
    // No parent window: a window-modal message box must not block the menu.
    d_->menu = new QMenu(qt::qs(caption));
    d_->owner = &form.impl();
    if (!d_->owner->trayMenu) d_->owner->trayMenu = d_->menu;
}

Menu::~Menu() {
    items_.clear();
    delete d_->menu.data();
}

MenuItem& Menu::add(const std::string& caption) {
    auto impl = std::make_unique<MenuItemImpl>();
    impl->caption = caption;
    impl->action = caption == "-" ? d_->menu->addSeparator() : d_->menu->addAction(qt::qs(caption));
    items_.push_back(std::unique_ptr<MenuItem>(new MenuItem(std::move(impl))));
    MenuItem* item = items_.back().get();
    QObject::connect(item->impl().action, &QAction::triggered, [item] {
        // A checkable item keeps the state the program gives it, not the click's.
        item->impl().action->setChecked(!item->impl().action->isChecked());
        if (item->onClick) item->onClick();
    });
    return *item;
}

void Menu::popup() {
    QMenu* menu = d_->menu;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A Wayland pop-up opens from a window of the program's own, at a
        // place within it; with the window hidden there is none, and the
        // desktop shows the tray icon's menu itself.
        QWidget* owner = d_->owner ? d_->owner->widget.data() : nullptr;
        if (!owner || !owner->isVisible()) return;
        menu->winId();
        menu->windowHandle()->setTransientParent(owner->windowHandle());
    }
    if (menuWatcher()) {
        QTimer::singleShot(0, menu, [this, menu] {
            MenuItem* chosen = watchedMenuChoice(items_);
            menu->close();
            if (chosen) chosen->impl().action->trigger();
        });
    }
    menu->exec(QCursor::pos());
}

}  // namespace platform
