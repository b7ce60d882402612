// The shift state of the keyboard.
#include "platform/win32/impl.h"

namespace platform::win {

int shiftState() {
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) shift |= CtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= AltMask;
    return shift;
}

}  // namespace platform::win
