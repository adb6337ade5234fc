#include "shell/Shell.h"

#include "app/Program.h"
#include "app/Windows.h"
#include "keyboard/Keyboards.h"
#include "shell/Artwork.h"
#include "shell/Systray.h"

#include <QApplication>

namespace orv::shell {

app::SharedWindow<HostWindow>& Fboard() {
    static app::SharedWindow<HostWindow> window;
    return window;
}

app::SharedWindow<MainWindow>& Fmain() {
    static app::SharedWindow<MainWindow> window;
    return window;
}

app::SharedWindow<AboutBox>& fAbout() {
    static app::SharedWindow<AboutBox> window;
    return window;
}

void StartProgram() {
    QApplication::setWindowIcon(ProgramIcon());
    app::SetShowMainWindow([] { ShowModeless(Fmain().Get()); });
    // The keyboards come to the front as Ctrl+Up brings the Siddham one.
    for (auto tool : {app::Tool::Siddham, app::Tool::Lantsa}) {
        app::SetShowTool(tool, [tool] {
            keyboard::ScriptKeyboard& window =
                (tool == app::Tool::Siddham ? keyboard::frmSiddha() : keyboard::frmLantsa()).Get();
            window.Handle();
            window.BringToFront();
        });
    }
    Fboard()->Start();
}

void ShowModeless(QWidget& window) {
    window.show();
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

void ExitProgram() {
    // The record names the host's icon, whichever window runs the command.
    HostWindow& host = Fboard().Get();
    NotifyIcon(NotifyOperation::Delete, BuildIconRecord(host.Handle(), kIconId, kIconFlags, 1,
                                                        host.windowIcon(), QString()));
    app::EndProgram();
}

}  // namespace orv::shell
