// Fmain, the main window: the hub from which the user opens the tools.
// Each command hides it and shows one tool; the tools bring it back when
// they close.
#pragma once

#include "app/AppWindow.h"

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QPushButton;

namespace orv::shell {

class MainWindow : public app::AppWindow {
    Q_OBJECT
  public:
    MainWindow();

    QMenuBar* MenuBar;
    QMenu* Tools;
    QAction* Input_bar;
    QAction* pellinor;
    QAction* Dictionary;
    QAction* Converter;
    QAction* dsh;
    QAction* exit;
    QMenu* Help;
    QAction* Contents;
    QAction* About;

    QFrame* Shape1;
    QPushButton* CommandButton5;
    QPushButton* CommandButton7;
    QPushButton* CommandButton6;
    QPushButton* CommandButton3;

  private:
    void OpenSiddhamKeyboard();
    void OpenLantsaKeyboard();
    void OpenDictionary();
    void OpenConverter();
};

}  // namespace orv::shell
