#include "app/AppWindow.h"

#include "app/Program.h"

#include <QCloseEvent>

namespace orv::app {

AppWindow::AppWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void AppWindow::EnsureLoaded() {
    if (loaded_) return;
    loaded_ = true;
    OnLoad();
}

WId AppWindow::Handle() {
    EnsureLoaded();
    return winId();
}

void AppWindow::setVisible(bool visible) {
    if (visible) {
        if (unloading_) return;
        EnsureLoaded();
    }
    QWidget::setVisible(visible);
}

void AppWindow::RunUnload() {
    if (!loaded_ || unloading_) return;
    unloading_ = true;
    OnUnload();
    if (discard_) {
        discard_();  // the shared instance lets go; a fresh one comes next time
    } else {
        hide();
        loaded_ = false;
        unloading_ = false;
    }
}

void AppWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    RunUnload();
}

void AppWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_ && !unloading_) {
        if (property(kReturningFromMessage).toBool()) {
            setProperty(kReturningFromMessage, QVariant());
            return;
        }
        OnActivate();
    }
}

}  // namespace orv::app
