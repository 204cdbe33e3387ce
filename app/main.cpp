#include "forms/main/ApplicationSetup.h"
#include "forms/main/TerminationSignals.h"
#include "forms/main/WindowLayout.h"
#include "forms/main/文本录入.h"
#include "quorlik/Version.h"

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
            "Quorlik二维码 makes QR Code pictures of a text, an e-mail, a web bookmark, an SMS, "
            "a contact card or a Wi-Fi network, and saves or copies them. The window is in "
            "Chinese; quorlik-qr is "
            "the command-line encoder."));
    }
};

// The options QGuiApplication and QApplication take for themselves, written with one dash or
// two; they are accepted here and left to QApplication.
void acceptQtOptions(QCommandLineParser& parser) {
    const char* const withValue[] = {"platform",
                                     "platformpluginpath",
                                     "platformtheme",
                                     "plugin",
                                     "qmljsdebugger",
                                     "qwindowgeometry",
                                     "qwindowicon",
                                     "qwindowtitle",
                                     "session",
                                     "display",
                                     "geometry",
                                     "title",
                                     "name",
                                     "style",
                                     "stylesheet",
                                     "icon",
                                     "font",
                                     "fn",
                                     "background",
                                     "bg",
                                     "foreground",
                                     "fg",
                                     "button",
                                     "btn",
                                     "visual",
                                     "ncols",
                                     "cmap",
                                     "inputstyle",
                                     "im"};
    const char* const flags[] = {"reverse", "widgetcount", "nograb",
                                 "dograb",  "sync",        "testability"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), {}, QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The arguments are checked before any window system is touched, so --help, --version and bad
// usage all answer without a display; the window opens only for arguments it accepts.
void answerWithoutWindow(int argc, char** argv) {
    QCoreApplication probe(argc, argv);
    WindowOptions options;
    options.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    acceptQtOptions(options.parser);
    const bool parsed = options.parser.parse(probe.arguments());
    if (options.parser.isSet(options.version)) {
        std::printf("quorlik %s\n", QUORLIK_VERSION);
        std::exit(0);
    }
    if (options.parser.isSet(options.help)) options.parser.showHelp(0);
    if (!parsed) {
        std::fprintf(stderr, "quorlik: %s (try --help)\n",
                     qUtf8Printable(options.parser.errorText()));
        std::exit(2);
    }
    if (!options.parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "quorlik: unexpected argument '%s' (try --help)\n",
                     qUtf8Printable(options.parser.positionalArguments().constFirst()));
        std::exit(2);
    }
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
    QApplication::setWindowIcon(WindowLayout::WindowIcon());
    // Message boxes and dialogs in the same CJK font as the window.
    QApplication::setFont(WindowLayout::微软雅黑(9));
    ApplicationSetup::InstallQtChinese(app);
    TerminationSignals::QuitOnTermination(app);
    const ApplicationSetup::TransientSettings settings;

    文本录入 window;
    window.show();
    return app.exec();
}
