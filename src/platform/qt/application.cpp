#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <vector>

#include "platform/application.h"
#include "platform/qt/form_widget.h"
#include "platform/qt/impl.h"
#include "platform/qt/loaded_forms.h"
#include "platform/qt/session.h"

namespace platform {

void formGone(FormImpl& form) {
    if (lastFormGone(form)) QCoreApplication::quit();
}

QWidget* mainWindow() {
    FormImpl* form = mainForm();
    return form ? form->widget : nullptr;
}

// What must be settled before QApplication is made: the session (platform,
// bus) and whole device pixels. At 150 % the windows are laid out at 144 dots
// per inch rather than stretched by 1.5, which would let one-pixel borders
// and lines fall between pixels and vanish.
struct BeforeApplication {
    BeforeApplication() {
        prepareSession();
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
    }
};

struct ApplicationImpl {
    BeforeApplication before;
    QApplication app;
    // Qt's own texts (a text box's edit menu) in Chinese, as the program's.
    QTranslator qtTexts;
    ApplicationImpl(int& argc, char** argv) : app(argc, argv) {
        if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTexts);
    }
};

Application::Application(int& argc, char** argv)
    : d_(std::make_unique<ApplicationImpl>(argc, argv)) {
    // The program lives on with every window hidden; it ends when the last
    // window is unloaded, not when the last one is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    qt::watchLostWindows();
}

Application::~Application() = default;

int Application::run() {
    return mainForm() ? QApplication::exec() : 0;
}

}  // namespace platform
