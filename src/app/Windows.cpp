#include "app/Windows.h"

#include <array>

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
    static std::array<std::function<void()>, 4> showers;
    return showers.at(static_cast<std::size_t>(tool));
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
