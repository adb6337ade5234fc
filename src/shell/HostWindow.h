// Fboard, the host window: the first window the program loads. It never
// appears on screen; it owns the notification-area icon and its pop-up
// menu, and it is the handler of the global hot keys.
#pragma once

#include "app/AppWindow.h"
#include "shell/KeyboardHook.h"

#include <cstdint>

class QAction;
class QMenu;

namespace orv::shell {

class HostWindow : public app::AppWindow, public KeyboardHook {
    Q_OBJECT
  public:
    HostWindow();
    ~HostWindow() override;

    // The icon's tip.
    static QString IconTip();

    // The program's start: loads the window (the start-up sequence), puts
    // it in its place and activates it once, which shows the main window.
    void Start();

    // Hot keys handled for this window are swallowed.
    bool BlockControlEscape() override { return true; }

    // The icon's pop-up menu and its entries, top to bottom.
    QMenu* pupMenu;
    QAction* gioithieu;
    QAction* how;
    QAction* dict;
    QAction* hvc;
    QAction* pellinor;
    QAction* strokes;
    QAction* g1;
    QAction* thoat;

  protected:
    void OnLoad() override;
    void OnUnload() override;
    void OnActivate() override;
    bool event(QEvent* event) override;

  private:
    void OnTrayMouse(std::uint32_t mouseMessage);
};

}  // namespace orv::shell
