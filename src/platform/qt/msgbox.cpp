#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/hooks.h"
#include "platform/msgbox.h"
#include "platform/qt/impl.h"
#include "platform/qt/loaded_forms.h"

namespace platform {

namespace {

// The width a window manager needs to show `title` whole: the text in a
// title bar's font (bold, and no smaller than 10 points: some themes' are
// wider than the program's), the window's icon on one side and up to three
// buttons on the other, each about as wide as the bar is high, and a gap.
int titleRoom(const QString& title) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    if (font.pointSizeF() < 10) font.setPointSizeF(10);
    const QFontMetrics metrics(font);
    const int bar = metrics.height() + 8;
    return metrics.horizontalAdvance(title) + 5 * bar;
}

// Makes the box at least as wide as its title needs. The room is taken in
// the buttons' row, so the text and the buttons stay as they are.
void widenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    const int at = grid && buttons ? grid->indexOf(buttons) : -1;
    if (at < 0) return;
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    const QMargins margins = grid->contentsMargins();
    const int inside = titleRoom(box.windowTitle()) - margins.left() - margins.right();
    grid->addItem(new QSpacerItem(inside, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), row, column,
                  rows, columns);
}

}  // namespace

MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, const std::string& title) {
    // Modal to the window it is about, not to the whole program: clicks on the
    // tray icon and the commands of its menu go on working while a box is
    // open, as they do on the home platform.
    // A window just hidden or unloaded may still count as active: a box modal
    // to it would leave the main window open to the keys.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner || !owner->isVisible()) owner = QApplication::activeWindow();
    if (!owner || !owner->isVisible()) owner = mainWindow();
    QMessageBox box(owner);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    qt::hearNoActivationBlips();
    box.setWindowTitle(qt::qs(title));
    box.setText(qt::qs(prompt));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::NoIcon);
    // The main window stays on top of other windows; its boxes must show above it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = buttons == MsgButtons::OKCancel
                              ? box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole)
                              : nullptr;
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel ? cancel : ok);
    widenForTitle(box);

    // In front and active once shown, over whatever came forward meanwhile,
    // whether or not the desktop gives a new window the focus.
    QTimer::singleShot(0, &box, [&box] { QApplication::setActiveWindow(qt::activate(&box)); });
    if (boxWatcher()) {
        QTimer::singleShot(0, &box, [&box] {
            std::vector<std::string> captions;
            for (QAbstractButton* b : box.buttons()) captions.push_back(qt::ss(b->text()));
            const std::string press = boxWatcher()(qt::ss(box.text()), qt::ss(box.windowTitle()),
                                                   captions, box.icon() != QMessageBox::NoIcon);
            for (QAbstractButton* b : box.buttons())
                if (qt::ss(b->text()) == press) return b->click();
        });
    }
    QPointer<QWidget> active = QApplication::activeWindow();
    QPointer<QWidget> returnTo = owner;
    box.exec();
    // As on the home platform, the window the box was modal to gets the
    // focus back at once (or, hidden, the one that was active), so a handler
    // that goes on after the box can move the focus.
    if (!returnTo || !returnTo->isVisible()) returnTo = active;
    if (returnTo && returnTo->isVisible()) QApplication::setActiveWindow(qt::activate(returnTo));
    return box.clickedButton() == ok ? MsgResult::OK : MsgResult::Cancel;
}

}  // namespace platform
