// Window designs are measured in twips: 15 twips make one pixel at 96 dpi
// (Qt scales pixels for other densities).
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

namespace orv::app {

inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

constexpr QRect TwipRect(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

// A control of a window's design: made, named and placed.
template <class W>
W* MakeControl(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

}  // namespace orv::app
