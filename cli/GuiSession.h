#pragma once

#include <memory>

class QGuiApplication;

// Drawing text (the too-long notice) and loading image plugins need a QGuiApplication. Only the
// composing and batch paths create one, so the plain encoder starts fast and needs no display.
// Without a display it runs on the offscreen platform.
std::unique_ptr<QGuiApplication> StartGuiSession();
