#include "ApplicationSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QSettings>
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

TransientSettings::TransientSettings()
    : folder_(QDir::tempPath() + QStringLiteral("/quorlik-settings-XXXXXX")) {
    if (!folder_.isValid()) {
        qWarning("quorlik: no temporary folder for Qt's settings: %s",
                 qUtf8Printable(folder_.errorString()));
        return;
    }
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder_.path());
}

} // namespace ApplicationSetup
