#pragma once

#include <memory>

class QGuiApplication;

// Drawing text (the too-long notice) and loading image plugins need a QGuiApplication. Only the
// composing and batch paths create one, so the plain encoder starts fast. It always runs on the
// offscreen platform and creates no runtime folder.
std::unique_ptr<QGuiApplication> StartGuiSession();
