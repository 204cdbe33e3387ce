#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class QCoreApplication;
namespace RuntimeFolder {
class Hidden;
}

// What the window program sets up before its window: Qt's own texts in Chinese and no settings
// left behind.
namespace ApplicationSetup {

// Loads Qt's Simplified Chinese translation (standard dialog buttons, the text fields' context
// menu) whatever the system locale, since the whole interface is Chinese. False when Qt's
// translation file is not installed; Qt's texts then stay English.
bool InstallQtChinese(QCoreApplication& app);

// Making the QApplication, Qt looks for a file in the user's runtime folder and creates a missing
// runtime folder ($XDG_RUNTIME_DIR, else $TMPDIR/runtime-USER) to do so. While this object lives,
// a missing or unusable runtime folder stays missing: both variables point below /dev/null, where
// nothing can be made, and Qt's warnings about them are muted. Make the QApplication inside its
// lifetime; it restores both variables and the message handler when it ends.
class RuntimeFolderUntouched {
  public:
    RuntimeFolderUntouched();
    ~RuntimeFolderUntouched();
    RuntimeFolderUntouched(const RuntimeFolderUntouched&) = delete;
    RuntimeFolderUntouched& operator=(const RuntimeFolderUntouched&) = delete;

    // False when the runtime folder is usable and nothing was changed.
    bool isHiding() const { return hidden_ != nullptr; }

  private:
    std::unique_ptr<RuntimeFolder::Hidden> hidden_;
};

// Qt's file dialog records its folder and history in the user's QtProject.conf, but the program
// keeps nothing between runs: while this object lives, every user-scope settings file goes to a
// private folder in the user's runtime folder ($XDG_RUNTIME_DIR), removed with this object or by
// ProgramExit::Now, whichever comes first. Without a runtime folder nothing is created at all:
// the settings then go nowhere.
class TransientSettings {
  public:
    TransientSettings();
    ~TransientSettings();
    TransientSettings(const TransientSettings&) = delete;
    TransientSettings& operator=(const TransientSettings&) = delete;

    bool isActive() const { return folder_ != nullptr; }
    // Empty when there is no runtime folder.
    QString folder() const { return folder_ ? folder_->path() : QString(); }

  private:
    std::unique_ptr<QTemporaryDir> folder_;
};

} // namespace ApplicationSetup
