#include "ApplicationSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>

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

// In the user's runtime folder, which the session removes at logout, so that even a killed
// program leaves nothing for long; the temporary folder when there is none.
QString transientFolderTemplate() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    return base + QStringLiteral("/quorlik-settings-XXXXXX");
}

} // namespace

TransientSettings::TransientSettings() : folder_(transientFolderTemplate()) {
    if (!folder_.isValid()) {
        qWarning("quorlik: no temporary folder for Qt's settings: %s",
                 qUtf8Printable(folder_.errorString()));
        return;
    }
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder_.path());
}

} // namespace ApplicationSetup
