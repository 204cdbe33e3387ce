#include "cli/GuiSession.h"

#include "cli/core/TerminalText.h"

#include <QGuiApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Qt complains about the runtime folder it cannot have while it starts.
std::atomic<bool> starting{false};

// Scripts read our stderr as one line per problem; Qt's own notes about the platform (for
// example a missing XDG_RUNTIME_DIR on a server) are not problems of the run.
void KeepOnlySeriousQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg || (type == QtCriticalMsg && !starting))
        TerminalText::PrintError(text.toStdString());
}

// Sets an environment variable for its lifetime and then puts back what was there.
class EnvironmentOverride {
  public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~EnvironmentOverride() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// A folder name no one can create: a path through a file.
constexpr const char* Uncreatable = "/dev/null/none";

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
    // While it starts, Qt looks into its runtime folder and creates the folder when it is
    // missing, or one under the temporary folder when none fits. The command line keeps nothing
    // there, so both names lead nowhere while it starts (Qt's notes about that are not shown).
    const EnvironmentOverride runtime("XDG_RUNTIME_DIR", Uncreatable);
    const EnvironmentOverride temporary("TMPDIR", "/dev/null");
    starting = true;
    new QGuiApplication(argc, argv); // never deleted: see the header
    starting = false;
}
