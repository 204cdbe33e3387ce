#pragma once

#include <memory>

class QGuiApplication;

// Drawing text (the too-long notice) and loading image plugins need a QGuiApplication. Only the
// composing and batch paths create one, so the plain encoder starts fast. It runs on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
std::unique_ptr<QGuiApplication> StartGuiSession();
