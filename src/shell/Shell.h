// The application shell: the shared instances of its windows and the
// program's start and end.
#pragma once

#include "app/AppWindow.h"
#include "shell/AboutBox.h"
#include "shell/HostWindow.h"
#include "shell/MainWindow.h"

#include <cstdint>

namespace orv::shell {

app::SharedWindow<HostWindow>& Fboard();
app::SharedWindow<MainWindow>& Fmain();
app::SharedWindow<AboutBox>& fAbout();

// What the program does once the single-instance check has passed: the
// main window becomes reachable to every module, the host window loads
// (icon, hot keys, shared values) and is activated, which shows the main
// window.
void StartProgram();

// Shows a window modeless, loading it first if needed, and brings it to the
// front: what every "show" of the shell does.
void ShowModeless(QWidget& window);

// The two "Exit" commands: the notification-area icon goes, then the
// program ends.
void ExitProgram();

// The icon's identity and callback message, as the host window adds it.
inline constexpr std::uint32_t kIconId = 1;
inline constexpr std::uint32_t kIconFlags = 7;
inline constexpr std::uint32_t kIconCallbackMessage = 0x200;

}  // namespace orv::shell
