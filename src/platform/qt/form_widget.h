#pragma once

#include <QMouseEvent>
#include <QWidget>

namespace platform {

struct FormImpl;

// The Qt window behind a Form: turns close, deactivation and mouse presses
// into the form's events.
class FormWidget : public QWidget {
public:
    FormWidget(FormImpl& impl, Qt::WindowFlags flags);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void passActivationOn();

    FormImpl& impl_;
    bool passingOn_ = false;
};

}  // namespace platform
