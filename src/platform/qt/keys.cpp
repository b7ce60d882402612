// Key codes, mouse buttons and the shift state as the program knows them.
#include "platform/qt/impl.h"

namespace platform::qt {

int shiftState(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= ShiftMask;
    if (modifiers & Qt::ControlModifier) shift |= CtrlMask;
    if (modifiers & Qt::AltModifier) shift |= AltMask;
    return shift;
}

bool isMenuKey(const QKeyEvent* e) {
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return (e->key() == Qt::Key_F10 && mods == Qt::ShiftModifier) ||
           (e->key() == Qt::Key_Menu && mods == Qt::NoModifier);
}

int buttonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return LeftButton;
        case Qt::RightButton:
            return RightButton;
        case Qt::MiddleButton:
            return MiddleButton;
        default:
            return 0;
    }
}

const std::vector<std::pair<int, int>>& keyCodes() {
    static const std::vector<std::pair<int, int>> codes{
        {Qt::Key_Return, KeyReturn}, {Qt::Key_Enter, KeyReturn},     {Qt::Key_Backspace, KeyBack},
        {Qt::Key_Tab, KeyTab},       {Qt::Key_Escape, KeyEscape},    {Qt::Key_Space, KeySpace},
        {Qt::Key_End, KeyEnd},       {Qt::Key_Home, KeyHome},        {Qt::Key_Left, KeyLeft},
        {Qt::Key_Up, KeyUp},         {Qt::Key_Right, KeyRight},      {Qt::Key_Down, KeyDown},
        {Qt::Key_Delete, KeyDelete}, {Qt::Key_Menu, KeyContextMenu}, {Qt::Key_F10, KeyF10}};
    return codes;
}

}  // namespace platform::qt
