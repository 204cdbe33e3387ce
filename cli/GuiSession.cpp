#include "cli/GuiSession.h"

#include "cli/core/TerminalText.h"
#include "platform/RuntimeFolder.h"

#include <QGuiApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt complains about the runtime folder it cannot have while it starts.
std::atomic<bool> starting{false};

// Scripts read our stderr as one line per problem; Qt's own notes about the platform (for
// example a missing XDG_RUNTIME_DIR on a server) are not problems of the run.
void KeepOnlySeriousQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg || (type == QtCriticalMsg && !starting))
        TerminalText::PrintError(text.toStdString());
}

} // namespace

void StartGuiSession() {
    if (QCoreApplication::instance()) return;
    // Nothing is ever shown, so no display is needed, whatever the desktop asks for: a desktop
    // platform without its display (a stale DISPLAY, wayland over ssh) would abort the run.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(KeepOnlySeriousQtMessages);
    // QGuiApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "quorlik-qr";
    static char* argv[] = {name, nullptr};
    // The command line keeps nothing in a runtime folder, so Qt may not create one.
    const RuntimeFolder::Hidden runtime;
    starting = true;
    new QGuiApplication(argc, argv); // never deleted: see the header
    starting = false;
}
