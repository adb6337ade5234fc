#pragma once

#include <QRect>

namespace orv::shell {

// Window designs are measured in twips: 15 twips make one pixel at 96 dpi.
constexpr int Px(int twips) { return (twips + 7) / 15; }

constexpr QRect TwipRect(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

}  // namespace orv::shell
