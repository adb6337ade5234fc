// Reaching windows that live in modules this one cannot depend on: the tool
// windows bring up the main window when they close, and the main window
// belongs to the shell. The shell registers how to show it.
#pragma once

#include <QWidget>

#include <functional>

namespace orv::app {

// Shows the main window (loading it if needed); nothing until registered.
void ShowMainWindow();
void SetShowMainWindow(std::function<void()> show);

// The tool windows, which a module or the shell registers how to show (main()
// and the shell wire them): the request channel of a second start opens
// them by name.
enum class Tool { Converter, Dictionary, Siddham, Lantsa };
void ShowTool(Tool tool);
void SetShowTool(Tool tool, std::function<void()> show);

// Keeps a window above all other windows, without moving or resizing it.
void SetTopmost(QWidget* window);

}  // namespace orv::app
