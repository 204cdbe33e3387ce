#include "forms/main/ApplicationSetup.h"

#include "forms/main/ProgramExit.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

#include <unistd.h>

namespace ApplicationSetup {

bool InstallQtChinese(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

namespace {

// The session's runtime folder: a real folder (not a link) of this user. Qt would create a
// missing one; nothing is created here.
QString runtimeFolder() {
    const QByteArray variable = qgetenv("XDG_RUNTIME_DIR");
    if (variable.isEmpty()) return {};
    const QFileInfo folder(QFile::decodeName(variable));
    if (!folder.isAbsolute() || folder.isSymLink() || !folder.isDir() ||
        folder.ownerId() != ::geteuid())
        return {};
    return folder.absoluteFilePath();
}

// /dev/null is a file, so no folder can ever be made below it: Qt's settings writes then fail
// quietly and leave nothing anywhere.
const QString NowhereFolder = QStringLiteral("/dev/null/quorlik-settings");

const QByteArray Nowhere = QByteArrayLiteral("/dev/null");

QtMessageHandler& previousHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

// Qt's complaints about the hidden runtime folder are expected; everything else passes on.
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context,
                                  const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (previousHandler()) previousHandler()(type, context, message);
}

void restore(const char* name, bool had, const QByteArray& value) {
    if (had)
        qputenv(name, value);
    else
        qunsetenv(name);
}

} // namespace

RuntimeFolderUntouched::RuntimeFolderUntouched() {
    if (!runtimeFolder().isEmpty()) return;
    hiding_ = true;
    hadRuntimeFolder_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    runtimeFolder_ = qgetenv("XDG_RUNTIME_DIR");
    hadTemporaryFolder_ = qEnvironmentVariableIsSet("TMPDIR");
    temporaryFolder_ = qgetenv("TMPDIR");
    qputenv("XDG_RUNTIME_DIR", Nowhere);
    qputenv("TMPDIR", Nowhere);
    previousHandler() = qInstallMessageHandler(withoutRuntimeFolderWarnings);
}

RuntimeFolderUntouched::~RuntimeFolderUntouched() {
    if (!hiding_) return;
    qInstallMessageHandler(previousHandler());
    restore("XDG_RUNTIME_DIR", hadRuntimeFolder_, runtimeFolder_);
    restore("TMPDIR", hadTemporaryFolder_, temporaryFolder_);
}

TransientSettings::TransientSettings() {
    const QString base = runtimeFolder();
    if (!base.isEmpty()) {
        folder_ =
            std::make_unique<QTemporaryDir>(base + QStringLiteral("/quorlik-settings-XXXXXX"));
        if (!folder_->isValid()) {
            qWarning("quorlik: no folder for Qt's settings: %s",
                     qUtf8Printable(folder_->errorString()));
            folder_.reset();
        }
    }
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, isActive() ? folder() : NowhereFolder);
    if (isActive()) ProgramExit::SetFinalStep([this] { folder_->remove(); });
}

TransientSettings::~TransientSettings() {
    if (isActive()) ProgramExit::SetFinalStep({});
}

} // namespace ApplicationSetup
