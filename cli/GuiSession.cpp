#include "GuiSession.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Scripts read our stderr as one line per problem; Qt's own notes about the platform (for
// example a missing XDG_RUNTIME_DIR on a server) are not problems of the run.
void KeepOnlySeriousQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "quorlik-qr: %s\n", qPrintable(text));
}

} // namespace

std::unique_ptr<QGuiApplication> StartGuiSession() {
    const bool hasDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!hasDisplay && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(KeepOnlySeriousQtMessages);
    // QGuiApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "quorlik-qr";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
