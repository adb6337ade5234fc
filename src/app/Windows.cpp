#include "app/Windows.h"

namespace orv::app {

namespace {
std::function<void()>& MainWindowShower() {
    static std::function<void()> show;
    return show;
}
}  // namespace

void ShowMainWindow() {
    if (MainWindowShower()) MainWindowShower()();
}

void SetShowMainWindow(std::function<void()> show) { MainWindowShower() = std::move(show); }

namespace {
std::function<void()>& ToolShower(Tool tool) {
    static std::function<void()> converter, dictionary;
    return tool == Tool::Converter ? converter : dictionary;
}
}  // namespace

void ShowTool(Tool tool) {
    if (ToolShower(tool)) ToolShower(tool)();
}

void SetShowTool(Tool tool, std::function<void()> show) { ToolShower(tool) = std::move(show); }

void SetTopmost(QWidget* window) {
    if (window->windowFlags() & Qt::WindowStaysOnTopHint) return;
    const bool visible = window->isVisible();
    // Changing window flags re-creates the native window and hides it.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible) window->show();
}

}  // namespace orv::app
