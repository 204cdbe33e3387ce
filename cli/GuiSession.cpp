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
    // Nothing is ever shown, so the display is not needed even when there is one; a stale
    // DISPLAY (an ssh session, a closed X server) would otherwise abort the run.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(KeepOnlySeriousQtMessages);
    // QGuiApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "quorlik-qr";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}
