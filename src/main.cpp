#include "platform/application.h"
#include "platform/instance.h"
#include "windows/frmMain.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    // A second start only brings the running program forward.
    platform::Instance instance;
    if (!instance.first()) return 0;
    frmMain main;
    instance.onStartAgain = [&main] { main.App_StartAgain(); };
    return app.run();
}
