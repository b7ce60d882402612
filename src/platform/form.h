// A top-level window. Its controls live in the window that owns them; the
// window goes on existing (hidden) until it is unloaded.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "assets/alarm_clock.h"
#include "platform/types.h"

namespace platform {

struct FormImpl;

struct FormStyle {
    std::string caption;
    Twips clientWidth = 0;
    Twips clientHeight = 0;
    bool dialog = false;  // fixed dialog border, not in the task bar
    bool showInTaskbar = true;
};

class Form {
public:
    explicit Form(const FormStyle& style);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void show();                  // modeless; brings an open window to the front
    void showModal(Form* owner);  // returns when the window is unloaded or hidden
    void hide();
    // Runs the Unload handler and takes the window away. A second request
    // while the window is already unloading, or after it, does nothing.
    void unload();
    bool loaded() const;
    bool visible() const;

    void setIcon(const assets::IndexedPicture& picture);
    std::string caption() const;
    // Read by a screen reader after the window's caption when it opens.
    void setAccessibleDescription(const std::string& description);

    // Outer geometry, frame and title bar included.
    Twips left() const;
    Twips top() const;
    Twips width() const;
    Twips height() const;
    void setLeft(Twips v);
    void setTop(Twips v);
    void setWidth(Twips v);
    void setHeight(Twips v);

    enum WindowState { Normal = 0, Minimized = 1 };
    WindowState windowState() const;
    void setWindowState(WindowState state);

    Handle hWnd() const;
    Handle iconHandle() const;
    bool topMost() const;

    // Events.
    std::function<void()> onUnload;
    std::function<void()> onLostFocus;
    std::function<void(int button, int shift, Twips x, Twips y)> onMouseDown;
    // The window was laid out again at a new scale (moved to a monitor of
    // another scale), where the system tells the program.
    std::function<void()> onRescaled;

    FormImpl& impl() const { return *d_; }

private:
    std::unique_ptr<FormImpl> d_;
};

// The screen's size in twips.
Twips screenWidth();
Twips screenHeight();

}  // namespace platform
