// fAbout, the about box: the credits picture and a link to the manual.
// While it is loaded it holds a hot-key hook of its own (the host window
// stays the hook's handler).
#pragma once

#include "app/AppWindow.h"

#include <QPixmap>

class QLabel;

namespace orv::shell {

class AboutBox : public app::AppWindow {
    Q_OBJECT
  public:
    AboutBox();

    // The manual shipped beside the program; a click opens it as Help does.
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
