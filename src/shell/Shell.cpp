#include "shell/Shell.h"

#include "app/Program.h"
#include "app/Windows.h"
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
