#pragma once

#include <QString>
#include <QTemporaryDir>

class QCoreApplication;

// What the window program sets up before its window: Qt's own texts in Chinese and no settings
// left behind.
namespace ApplicationSetup {

// Loads Qt's Simplified Chinese translation (standard dialog buttons, the text fields' context
// menu) whatever the system locale, since the whole interface is Chinese. False when Qt's
// translation file is not installed; Qt's texts then stay English.
bool InstallQtChinese(QCoreApplication& app);

// Qt's file dialog records its folder and history in the user's QtProject.conf, but the program
// keeps nothing between runs: while this object lives, every user-scope settings file goes to a
// private temporary folder that is removed with it.
class TransientSettings {
  public:
    TransientSettings();
    TransientSettings(const TransientSettings&) = delete;
    TransientSettings& operator=(const TransientSettings&) = delete;

    bool isActive() const { return folder_.isValid(); }
    QString folder() const { return folder_.path(); }

  private:
    QTemporaryDir folder_;
};

} // namespace ApplicationSetup
