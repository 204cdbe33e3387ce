#include "platform/RuntimeFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <unistd.h>

namespace RuntimeFolder {
namespace {

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

QString Usable() {
    const QByteArray variable = qgetenv("XDG_RUNTIME_DIR");
    if (variable.isEmpty()) return {};
    const QFileInfo folder(QFile::decodeName(variable));
    if (!folder.isAbsolute() || folder.isSymLink() || !folder.isDir() ||
        folder.ownerId() != ::geteuid())
        return {};
    return folder.absoluteFilePath();
}

Hidden::Hidden()
    : runtimeFolder_(qgetenv("XDG_RUNTIME_DIR")), temporaryFolder_(qgetenv("TMPDIR")),
      hadRuntimeFolder_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")),
      hadTemporaryFolder_(qEnvironmentVariableIsSet("TMPDIR")) {
    qputenv("XDG_RUNTIME_DIR", Nowhere);
    qputenv("TMPDIR", Nowhere);
    previousHandler() = qInstallMessageHandler(withoutRuntimeFolderWarnings);
}

Hidden::~Hidden() {
    qInstallMessageHandler(previousHandler());
    restore("XDG_RUNTIME_DIR", hadRuntimeFolder_, runtimeFolder_);
    restore("TMPDIR", hadTemporaryFolder_, temporaryFolder_);
}

} // namespace RuntimeFolder
