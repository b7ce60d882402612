// A menu that is never shown as a menu bar, only popped up.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"

namespace platform {

class Control;
struct MenuImpl;
struct MenuItemImpl;

class MenuItem {
public:
    ~MenuItem();
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    std::string caption() const;
    bool enabled() const;
    void setEnabled(bool enabled);
    bool checked() const;
    void setChecked(bool checked);
    bool isSeparator() const;

    std::function<void()> onClick;

    MenuItemImpl& impl() const { return *d_; }

private:
    friend class Menu;
    explicit MenuItem(std::unique_ptr<MenuItemImpl> impl);
    std::unique_ptr<MenuItemImpl> d_;
};

class Menu {
public:
    Menu(Form& form, const std::string& caption);
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // A caption of "-" makes a separator line. A checkable item is one of a
    // choice: marked or not, it is always shown and read as one that can be.
    enum ItemKind { Command, Checkable };
    MenuItem& add(const std::string& caption, ItemKind kind = Command);
    const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

    // Opens at the mouse pointer, left edge at the pointer, items chosen with
    // the left button; returns once the menu has closed and the chosen item's
    // handler has run.
    void popup();
    // Opens at the control, for the keyboard: its first enabled item is
    // selected, the arrows move, Enter chooses and Esc closes; returns as
    // popup does.
    void popupAt(const Control& control);

    MenuImpl& impl() const { return *d_; }

private:
    std::unique_ptr<MenuImpl> d_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

}  // namespace platform
