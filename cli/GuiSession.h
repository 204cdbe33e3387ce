#pragma once

// Drawing text (the too-long notice) and loading image plugins need a QGuiApplication. Only the
// composing and batch paths create one, so the plain encoder starts fast. It always runs on the
// offscreen platform and creates no runtime folder. The application, once started, lives until
// the process ends: its teardown would start fontconfig only to close it again, a tenth of a
// one-shot command's time, and nothing of ours is left for it to do.
void StartGuiSession();
