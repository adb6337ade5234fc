#include "keyboard/DragGesture.h"

namespace orv::keyboard {

void DragGesture::Press(QPoint pointer, QPoint window) {
    pressed_ = true;
    dragging_ = false;
    pressPointer_ = pointer;
    pressWindow_ = window;
}

std::optional<QPoint> DragGesture::Move(QPoint pointer) {
    if (!pressed_) return std::nullopt;
    const QPoint moved = pointer - pressPointer_;
    if (!dragging_ && moved.manhattanLength() < threshold_) return std::nullopt;
    dragging_ = true;
    // From the press, not from the last move: the window's own position
    // lags behind the pointer while the window manager moves it.
    return pressWindow_ + moved;
}

bool DragGesture::Release() {
    const bool click = pressed_ && !dragging_;
    pressed_ = false;
    dragging_ = false;
    return click;
}

}  // namespace orv::keyboard
