#include "shell/HostWindow.h"

#include "app/Program.h"
#include "app/SharedValues.h"
#include "app/Twips.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Artwork.h"
#include "shell/Help.h"
#include "shell/KeyboardHandler.h"
#include "shell/Shell.h"
#include "shell/Systray.h"

#include <QCursor>
#include <QMenu>

namespace orv::shell {

using app::Px;

HostWindow::HostWindow() : app::AppWindow(nullptr, Qt::Tool) {
    setObjectName(QStringLiteral("Fboard"));
    setWindowTitle(app::ApplicationTitle());
    setWindowIcon(ProgramIcon());
    resize(Px(4440), Px(1455));
    // The host never appears: it has no content for the user, and the tray
    // icon reaches it whether it is shown or hidden. Set before anything of
    // it exists on screen.
    setAttribute(Qt::WA_DontShowOnScreen);

    // The menu is a window of its own; the host's attribute must not keep
    // it off the screen.
    pupMenu = new QMenu();
    pupMenu->setObjectName(QStringLiteral("pupMenu"));
    const auto add = [this](const char* name, const char* caption) {
        QAction* action = pupMenu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    gioithieu = add("gioithieu", "About");
    how = add("how", "Help");
    dict = add("dict", "Dictionary");
    hvc = add("hvc", "Converter");
    pellinor = add("pellinor", "Pellinor");
    strokes = add("strokes", "Orvanta");
    g1 = pupMenu->addSeparator();
    g1->setObjectName(QStringLiteral("g1"));
    thoat = add("thoat", "Exit");

    connect(gioithieu, &QAction::triggered, this, [] { ShowModeless(fAbout().Get()); });
    connect(how, &QAction::triggered, this, [] { ShowHelp(); });
    connect(dict, &QAction::triggered, this, [] { app::ShowTool(app::Tool::Dictionary); });
    connect(hvc, &QAction::triggered, this, [] { app::ShowTool(app::Tool::Converter); });
    connect(pellinor, &QAction::triggered, this, [this] {
        hide();
        ShowModeless(keyboard::frmLantsa().Get());
    });
    connect(strokes, &QAction::triggered, this, [] { ShowModeless(keyboard::frmSiddha().Get()); });
    connect(thoat, &QAction::triggered, this, [] { ExitProgram(); });
}

HostWindow::~HostWindow() { delete pupMenu; }

QString HostWindow::IconTip() {
    return QStringLiteral("Press Ctrl+Up/Down to Show/Hide the Input Bar");
}

void HostWindow::Start() {
    EnsureLoaded();
    show();
    // The host is activated once as the program starts; it is never on
    // screen to be activated by the user afterwards.
    OnActivate();
}

void HostWindow::OnLoad() {
    const QString tip = IconTip();
    NotifyIcon(NotifyOperation::Add, BuildIconRecord(Handle(), kIconId, kIconFlags,
                                                     kIconCallbackMessage, windowIcon(), tip));
    app::SetTopmost(this);
    KeyboardHandler::SetHookHandler(this);
    KeyboardHandler::InstallKeyboardHook();
    app::ResetSharedValues();
}

void HostWindow::OnUnload() { app::EndProgram(); }

void HostWindow::OnActivate() { app::ShowMainWindow(); }

bool HostWindow::event(QEvent* event) {
    if (event->type() == TrayCallbackEvent::EventType()) {
        const auto* tray = static_cast<TrayCallbackEvent*>(event);
        if (tray->Message() == kIconCallbackMessage) OnTrayMouse(tray->MouseMessage());
        return true;
    }
    return app::AppWindow::event(event);
}

void HostWindow::OnTrayMouse(std::uint32_t mouseMessage) {
    switch (mouseMessage) {
        case kLeftButtonUp:
            app::ShowMainWindow();
            break;
        case kRightButtonUp:
            // Qt's pop-up menu takes the pointer and keyboard while it is
            // open and closes on a click anywhere else, so it needs no help
            // to come to the front or to go away. It opens without blocking:
            // the chosen entry's action runs from the event loop.
            pupMenu->popup(QCursor::pos());
            break;
        default:
            break;  // moves, presses, double clicks
    }
}

}  // namespace orv::shell
