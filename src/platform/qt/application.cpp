#include <QApplication>
#include <set>

#include "platform/application.h"
#include "platform/qt/impl.h"
#include "platform/qt/loaded_forms.h"

namespace platform {

namespace {
std::set<FormImpl*>& loadedForms() {
    static std::set<FormImpl*> forms;
    return forms;
}
}  // namespace

void formLoaded(FormImpl& form) {
    loadedForms().insert(&form);
}

void formGone(FormImpl& form) {
    if (loadedForms().erase(&form) && loadedForms().empty()) QCoreApplication::quit();
}

struct ApplicationImpl {
    QApplication app;
    ApplicationImpl(int& argc, char** argv) : app(argc, argv) {}
};

Application::Application(int& argc, char** argv)
    : d_(std::make_unique<ApplicationImpl>(argc, argv)) {
    // The program lives on with every window hidden; it ends when the last
    // window is unloaded, not when the last one is closed.
    QApplication::setQuitOnLastWindowClosed(false);
}

Application::~Application() = default;

int Application::run() {
    return loadedForms().empty() ? 0 : QApplication::exec();
}

}  // namespace platform
