// Dragging a window without a title bar by its background and labels: a
// press that moves farther than the platform's drag distance is a drag, and
// the window follows the pointer from where it was pressed; a press that
// does not is a click, and keeps its meaning.
#pragma once

#include <QPoint>

#include <optional>

namespace orv::keyboard {

class DragGesture {
  public:
    // `threshold`: the platform's drag distance, in pixels.
    explicit DragGesture(int threshold) : threshold_(threshold) {}

    // A left press at `pointer` (global) on a window standing at `window`.
    void Press(QPoint pointer, QPoint window);
    // The pointer moved with the button down: where the window goes, or
    // nothing while the move is still within the drag distance (or there
    // was no press).
    std::optional<QPoint> Move(QPoint pointer);
    // The button went up: true when the press was a click, not a drag.
    bool Release();

  private:
    int threshold_;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressPointer_;
    QPoint pressWindow_;
};

}  // namespace orv::keyboard
