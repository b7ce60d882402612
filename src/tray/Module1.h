// The notification-area module: the tray icon of the main window, its tip,
// and the hook on the window's procedure that hears the icon's clicks.
#pragma once

#include <string>

#include "platform/declared.h"
#include "platform/form.h"
#include "platform/menu.h"

// What the module needs of the window that owns the icon.
class TrayOwner {
public:
    virtual platform::Form& trayWindow() = 0;
    virtual bool noneArmed() const = 0;
    virtual void showNotice() = 0;

protected:
    ~TrayOwner() = default;
};

namespace Module1 {

inline constexpr std::uint32_t kTrayCallback = 2025;
inline constexpr int kTipLength = 64;

// The one record that describes the icon, kept between calls. The tip is
// kept as a field of 64 characters: the text, one NUL, spaces after it.
struct TrayRecord {
    std::uint32_t cbSize = 0;
    platform::Handle hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    platform::Handle hIcon = 0;
    std::string szTip = std::string(kTipLength, ' ');  // UTF-8, 64 characters
};

extern platform::LongPtr oldWndProc;
extern TrayOwner* trayForm;
extern platform::Menu* trayMenu;
extern TrayRecord trayData;

}  // namespace Module1

void addTrayIcon(TrayOwner& form, platform::Menu& menu);
void setTrayTip(const std::string& text);
void removeTrayIcon();
platform::LongPtr trayWndProc(platform::Handle hWnd, std::uint32_t uMsg, platform::LongPtr wParam,
                              platform::LongPtr lParam);
