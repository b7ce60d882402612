#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <memory>

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

namespace {

// The signals that ask a program to end: from the system (TERM), the
// terminal that closed (HUP) and Ctrl+C (INT). Each is written by its
// handler into a socket pair that the event loop reads.
constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};
int endSignalPair[2] = {-1, -1};
volatile std::sig_atomic_t endPending = 0;

void endSignalArrived(int signal) {
    // A second one before the event loop took the first: the program is
    // stuck, and ends as it would have without this handler.
    if (endPending) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    endPending = 1;
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (write(endSignalPair[1], &byte, 1) < 0) endPending = 0;
    errno = saved;
}

// The system asks the program to end: its windows are unloaded, the main
// window first, whose Unload is the program's Exit command. The event loop
// ends with the last one.
void unloadEveryForm() {
    for (FormImpl *f = mainForm(), *last = nullptr; f && f != last; last = f, f = mainForm())
        if (f->form) f->form->unload();
}

// Takes the end signals while the application lives, and gives each back
// as it found it.
class EndSignals {
public:
    EndSignals() {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, endSignalPair) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(endSignalPair[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
            char bytes[16];
            while (read(endSignalPair[0], bytes, sizeof bytes) > 0) {
            }
            endPending = 0;
            unloadEveryForm();
        });
        struct sigaction action {};
        action.sa_handler = endSignalArrived;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kEndSignals); ++i) {
            // A signal the program was started to ignore (nohup) stays ignored.
            if (sigaction(kEndSignals[i], nullptr, &before_[i]) != 0 ||
                before_[i].sa_handler == SIG_IGN)
                continue;
            sigaction(kEndSignals[i], &action, nullptr);
        }
    }
    ~EndSignals() {
        if (!notifier_) return;
        for (std::size_t i = 0; i < std::size(kEndSignals); ++i)
            sigaction(kEndSignals[i], &before_[i], nullptr);
        notifier_.reset();
        for (int& fd : endSignalPair) {
            close(fd);
            fd = -1;
        }
    }
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction before_[std::size(kEndSignals)] = {};
};

}  // namespace

struct ApplicationImpl {
    BeforeApplication before;
    QApplication app;
    // Qt's own texts (a text box's edit menu) in Chinese, as the program's.
    QTranslator qtTexts;
    EndSignals endSignals;

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
    qt::watchTopLevelWindows();
}

Application::~Application() = default;

int Application::run() {
    return mainForm() ? QApplication::exec() : 0;
}

}  // namespace platform
