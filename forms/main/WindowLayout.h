#pragma once

#include <QFont>
#include <QRect>

// Layout helpers of the main window: places are designed in twips, 15 to a screen pixel.
namespace WindowLayout {

constexpr int kTwipsPerPixel = 15;

constexpr int Pixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect Twips(int left, int top, int width, int height) {
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

// 微软雅黑 is not on a Linux desktop; Noto Sans CJK SC (fonts-noto-cjk) takes its place, with
// other common CJK fonts after it.
QFont 微软雅黑(int pointSize, bool bold = false);

} // namespace WindowLayout
