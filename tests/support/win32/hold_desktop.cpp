// Keeps Wine's desktop process running while the window tests run one per
// process. Wine ends that process a second after the last program that used
// the desktop, and the next test's program starts it again: about 1.5 s a
// test. This program uses the desktop, shows nothing and waits until it is
// ended (by the end of the Wine session).
#include <windows.h>

int main() {
    GetDesktopWindow();
    Sleep(INFINITE);
}
