#include "ApplicationSetup.h"
#include "TerminationSignals.h"
#include "WindowLayout.h"
#include "文本录入.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <optional>

namespace {

// The window's options: only --help and --version; Qt's own (-platform, -style...) are taken
// by QApplication.
struct WindowOptions {
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;

    // Our own help option rather than Qt's, whose --help-all would list the GUI's options only
    // once a display is open.
    WindowOptions()
        : help({QStringLiteral("h"), QStringLiteral("help")},
               QStringLiteral("Displays this help and exits.")),
          version({QStringLiteral("v"), QStringLiteral("version")},
                  QStringLiteral("Displays the version and exits.")) {
        parser.addOption(help);
        parser.addOption(version);
        parser.setApplicationDescription(QStringLiteral(
            "Quorlik二维码 makes QR Code pictures of a text, an e-mail, a web bookmark, an SMS or "
            "a contact card, and saves or copies them. The window is in Chinese; quorlik-qr is "
            "the command-line encoder."));
    }
};

// --help and --version answer before any window system is touched, so they work without a
// display. Other arguments wait for QApplication, which removes Qt's own options first.
void answerWithoutWindow(int argc, char** argv) {
    QCoreApplication probe(argc, argv);
    WindowOptions options;
    options.parser.parse(probe.arguments());
    if (options.parser.isSet(options.version)) {
        std::printf("quorlik %s\n", QUORLIK_VERSION);
        std::exit(0);
    }
    if (options.parser.isSet(options.help)) options.parser.showHelp(0);
}

// False, with a message, for anything but Qt's options.
bool acceptsArguments(const QStringList& arguments) {
    WindowOptions options;
    if (!options.parser.parse(arguments)) {
        std::fprintf(stderr, "quorlik: %s (try --help)\n",
                     qUtf8Printable(options.parser.errorText()));
        return false;
    }
    if (!options.parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "quorlik: unexpected argument '%s' (try --help)\n",
                     qUtf8Printable(options.parser.positionalArguments().constFirst()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    answerWithoutWindow(argc, argv);

    auto runtimeFolderGuard = std::make_optional<ApplicationSetup::RuntimeFolderUntouched>();
    QApplication app(argc, argv);
    runtimeFolderGuard.reset();
    if (!acceptsArguments(QApplication::arguments())) return 2;
    QApplication::setApplicationName(QStringLiteral("Quorlik二维码"));
    QApplication::setDesktopFileName(QStringLiteral("quorlik"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlik/window-icon.png")));
    // Message boxes and dialogs in the same CJK font as the window.
    QApplication::setFont(WindowLayout::微软雅黑(9));
    ApplicationSetup::InstallQtChinese(app);
    TerminationSignals::QuitOnTermination(app);
    const ApplicationSetup::TransientSettings settings;

    文本录入 window;
    window.show();
    return app.exec();
}
