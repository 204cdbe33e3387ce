#include "forms/main/ApplicationSetup.h"

#include "forms/main/ProgramExit.h"
#include "platform/RuntimeFolder.h"

#include <QCoreApplication>
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

namespace {

// /dev/null is a file, so no folder can ever be made below it: Qt's settings writes then fail
// quietly and leave nothing anywhere.
const QString NowhereFolder = QStringLiteral("/dev/null/quorlik-settings");

} // namespace

RuntimeFolderUntouched::RuntimeFolderUntouched() {
    if (RuntimeFolder::Usable().isEmpty()) hidden_ = std::make_unique<RuntimeFolder::Hidden>();
}

RuntimeFolderUntouched::~RuntimeFolderUntouched() = default;

TransientSettings::TransientSettings() {
    const QString base = RuntimeFolder::Usable();
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
