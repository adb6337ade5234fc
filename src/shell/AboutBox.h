// fAbout, the about box: the credits picture and the authors' address.
// While it is loaded it holds a hot-key hook of its own.
#pragma once

#include "app/AppWindow.h"
#include "shell/KeyboardHook.h"

#include <QPixmap>

class QLabel;

namespace orv::shell {

class AboutBox : public app::AppWindow, public KeyboardHook {
    Q_OBJECT
  public:
    AboutBox();

    bool BlockControlEscape() override { return true; }

    // The address of the authors' page; a click opens it in the browser.
    QLabel* Label1;
    // The background picture.
    QPixmap Picture;

  protected:
    void OnLoad() override;
    void OnUnload() override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace orv::shell
