#include <map>

#include "platform/hooks.h"
#include "platform/win32/impl.h"

namespace platform {

namespace {
std::map<UINT, MenuItem*>& itemsById() {
    static std::map<UINT, MenuItem*> all;
    return all;
}
UINT nextId() {
    static UINT id = 0x8000;
    return ++id;
}
}  // namespace

MenuItem* menuItemById(UINT id) {
    const auto it = itemsById().find(id);
    return it == itemsById().end() ? nullptr : it->second;
}

MenuItem::MenuItem(std::unique_ptr<MenuItemImpl> impl) : d_(std::move(impl)) {}
MenuItem::~MenuItem() {
    itemsById().erase(d_->id);
}

std::string MenuItem::caption() const {
    return d_->caption;
}

bool MenuItem::enabled() const {
    if (d_->separator) return true;  // a line is never greyed
    return !(GetMenuState(d_->menu, d_->id, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
}
void MenuItem::setEnabled(bool enabled) {
    EnableMenuItem(d_->menu, d_->id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}
bool MenuItem::checked() const {
    return (GetMenuState(d_->menu, d_->id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}
void MenuItem::setChecked(bool checked) {
    CheckMenuItem(d_->menu, d_->id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}
bool MenuItem::isSeparator() const {
    return d_->separator;
}

Menu::Menu(Form& form, const std::string&) : d_(std::make_unique<MenuImpl>()) {
    d_->menu = CreatePopupMenu();
    d_->owner = form.impl().hwnd;
}

Menu::~Menu() {
    items_.clear();
    DestroyMenu(d_->menu);
}

// A checkable item is drawn as any other: its mark is there when checked,
// and the standard menu object reads the mark.
MenuItem& Menu::add(const std::string& caption, ItemKind) {
    auto impl = std::make_unique<MenuItemImpl>();
    impl->menu = d_->menu;
    impl->id = nextId();
    impl->caption = caption;
    impl->separator = caption == "-";
    if (impl->separator)
        AppendMenuW(d_->menu, MF_SEPARATOR, impl->id, nullptr);
    else
        AppendMenuW(d_->menu, MF_STRING, impl->id, win::wide(caption).c_str());
    const UINT id = impl->id;
    items_.push_back(std::unique_ptr<MenuItem>(new MenuItem(std::move(impl))));
    itemsById()[id] = items_.back().get();
    return *items_.back();
}

bool& menuTracking() {
    static bool tracking = false;
    return tracking;
}

namespace {

// The tests look at the menu as it would open and choose from it.
bool watched(const std::vector<std::unique_ptr<MenuItem>>& items) {
    if (!menuWatcher()) return false;
    if (MenuItem* chosen = watchedMenuChoice(items); chosen && chosen->onClick) chosen->onClick();
    return true;
}

void track(const MenuImpl& m, POINT at, UINT flags) {
    // A menu starts with its first enabled item selected, as the Down keys
    // the menu finds waiting select it: a screen reader reads that item,
    // and Enter chooses it, whether the keyboard or the mouse opened the
    // menu (the tray's icon tells the program a right click either way).
    // The system's menu stops on greyed items too: one Down for each item
    // up to that one.
    for (int i = 0, downs = 1; i < GetMenuItemCount(m.menu); ++i) {
        const UINT state = GetMenuState(m.menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) continue;
        if (!(state & (MF_DISABLED | MF_GRAYED))) {
            while (downs-- > 0) PostMessageW(m.owner, WM_KEYDOWN, VK_DOWN, 0);
            break;
        }
        ++downs;
    }
    // The owner must be in front, or the menu would not close when the
    // user clicks elsewhere: hidden (the tray's menu), it is made active
    // for the menu's while, and passes the activation on after it.
    menuTracking() = true;
    SetForegroundWindow(m.owner);
    const UINT id = static_cast<UINT>(TrackPopupMenu(m.menu, flags | TPM_LEFTALIGN | TPM_RETURNCMD,
                                                     at.x, at.y, 0, m.owner, nullptr));
    menuTracking() = false;
    PostMessageW(m.owner, WM_NULL, 0, 0);
    if (MenuItem* item = menuItemById(id); item && item->onClick) item->onClick();
    if (IsWindow(m.owner) && !IsWindowVisible(m.owner) && GetActiveWindow() == m.owner)
        passActivationOn(m.owner);
}

}  // namespace

void Menu::popup() {
    if (watched(items_)) return;
    POINT at{};
    GetCursorPos(&at);
    track(*d_, at, TPM_LEFTBUTTON);
}

void Menu::popupAt(const Control& control) {
    if (watched(items_)) return;
    // Below the control's left edge, on the screen.
    RECT r{};
    GetWindowRect(control.impl().hwnd, &r);
    track(*d_, POINT{r.left, r.bottom}, TPM_TOPALIGN);
}

}  // namespace platform
