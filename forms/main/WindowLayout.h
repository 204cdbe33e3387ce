#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
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

// A PNG of the program's resources (":/quorlik/NAME"), read as the PNG it is: a picture left to
// guess its format makes Qt load every image-format plugin, and their libraries, to ask each
// (a tenth of the window's start-up).
QImage BundledPicture(const QString& name);
QIcon WindowIcon();

} // namespace WindowLayout
