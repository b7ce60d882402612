#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QWindow>

#include "platform/hooks.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"

namespace platform {

namespace {
// An unmarked item of a choice is drawn as a plain one, with no empty box:
// only the chosen item shows its mark. A screen reader still reads both as
// items that can be checked.
class MarksOnlyWhenChecked : public QProxyStyle {
public:
    MarksOnlyWhenChecked() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuItem && item && !item->checked &&
            item->checkType != QStyleOptionMenuItem::NotCheckable) {
            QStyleOptionMenuItem plain(*item);
            plain.checkType = QStyleOptionMenuItem::NotCheckable;
            return QProxyStyle::drawControl(element, &plain, painter, widget);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};
}  // namespace

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
    d_->action->setChecked(checked);
}
bool MenuItem::isSeparator() const {
    return d_->action->isSeparator();
}

Menu::Menu(Form& form, const std::string& caption) : d_(std::make_unique<MenuImpl>()) {
    // No parent window: a window-modal message box must not block the menu.
    d_->menu = new QMenu(qt::qs(caption));
    auto* style = new MarksOnlyWhenChecked;
    style->setParent(d_->menu);
    d_->menu->setStyle(style);
    d_->owner = &form.impl();
    if (!d_->owner->trayMenu) d_->owner->trayMenu = d_->menu;
}

Menu::~Menu() {
    items_.clear();
    delete d_->menu.data();
}

MenuItem& Menu::add(const std::string& caption, ItemKind kind) {
    auto impl = std::make_unique<MenuItemImpl>();
    impl->caption = caption;
    impl->action = caption == "-" ? d_->menu->addSeparator() : d_->menu->addAction(qt::qs(caption));
    // Checkable for good: a desktop that draws the menu itself follows its
    // changes, and an item that stopped being checkable would keep its mark.
    impl->action->setCheckable(kind == Checkable);
    items_.push_back(std::unique_ptr<MenuItem>(new MenuItem(std::move(impl))));
    MenuItem* item = items_.back().get();
    QObject::connect(item->impl().action, &QAction::triggered, [item] {
        // A checkable item keeps the state the program gives it, not the click's.
        item->impl().action->setChecked(!item->impl().action->isChecked());
        if (item->onClick) item->onClick();
    });
    return *item;
}

namespace {

void open(Menu& m, QPoint at, bool fromKeyboard) {
    MenuImpl& d = m.impl();
    QMenu* menu = d.menu;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A Wayland pop-up opens from a window of the program's own, at a
        // place within it; with the window hidden there is none, and the
        // desktop shows the tray icon's menu itself.
        QWidget* owner = d.owner ? d.owner->widget.data() : nullptr;
        if (!owner || !owner->isVisible()) return;
        menu->winId();
        menu->windowHandle()->setTransientParent(owner->windowHandle());
    }
    if (menuWatcher()) {
        QTimer::singleShot(0, menu, [&m, menu] {
            MenuItem* chosen = watchedMenuChoice(m.items());
            menu->close();
            if (chosen) chosen->impl().action->trigger();
        });
    }
    if (fromKeyboard) {
        // The first item the user can choose is selected, and a screen
        // reader says it, as the menu opens.
        QTimer::singleShot(0, menu, [menu] {
            for (QAction* a : menu->actions())
                if (a->isEnabled() && !a->isSeparator()) return menu->setActiveAction(a);
        });
    }
    menu->exec(at);
}

}  // namespace

void Menu::popup() {
    open(*this, QCursor::pos(), false);
}

void Menu::popupAt(const Control& control) {
    const QWidget* w = control.impl().widget;
    open(*this, w->mapToGlobal(QPoint(0, w->height())), true);
}

}  // namespace platform
