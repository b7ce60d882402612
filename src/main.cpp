#include "platform/application.h"
#include "windows/frmMain.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    frmMain main;
    return app.run();
}
