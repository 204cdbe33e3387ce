// The window program's start-up set-up: Qt's own dialogs and menus in Chinese, and a file dialog
// that leaves nothing in the user's home, nor in the runtime folder once the program has ended,
// however it ends. HOME and XDG_RUNTIME_DIR are fresh folders for the whole program (set in
// main, before Qt first looks at them).
#include "forms/main/ApplicationSetup.h"
#include "forms/main/FileDialogs.h"
#include "forms/main/ProgramExit.h"
#include "forms/main/UserMessages.h"
#include "forms/main/文本录入.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>

#include <signal.h>

namespace {

QStringList buttonTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->isVisible()) texts << button->text();
    return texts;
}

QStringList messageBoxButtons() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.show();
    return buttonTexts(box);
}

QStringList saveDialogButtons() {
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.show();
    return buttonTexts(dialog);
}

QStringList lineEditMenu() {
    QLineEdit field;
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
}

// Answers the window's save question by cancelling the dialog as soon as it is shown.
QString cancelledSaveQuestion() {
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    closer.start(20);
    return FileDialogs::Real().askSaveName(nullptr, QStringLiteral("PNG文件|*.png"));
}

QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

QString runtimeFolder() {
    return QString::fromUtf8(qgetenv("XDG_RUNTIME_DIR"));
}

// The built window program under the offscreen platform, with its own runtime folder.
struct WindowProgram {
    QProcess process;

    explicit WindowProgram(const QString& runtime, const QString& temporary = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        if (!temporary.isEmpty()) environment.insert(QStringLiteral("TMPDIR"), temporary);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(QUORLIK_WINDOW_PROGRAM), {});
    }
    ~WindowProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Once the program catches SIGTERM its QApplication is made: Linux lists caught signals
    // in /proc/PID/status as a hexadecimal mask.
    bool catchesTermination() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
        return false;
    }
    bool signalAndWait(int signal) {
        return ::kill(pid_t(process.processId()), signal) == 0 && process.waitForFinished(20000);
    }
};

// Records messages and program ends instead of showing or doing them.
struct Recorded {
    int exits = 0;
    QStringList messages;
    Recorded() {
        ProgramExit::SetHandler([this] { ++exits; });
        UserMessages::SetPresenter(
            [this](const QString&, const QString& text, UserMessages::Icon) { messages << text; });
    }
    ~Recorded() {
        ProgramExit::SetHandler({});
        UserMessages::SetPresenter({});
    }
};

} // namespace

class ApplicationSetupTest : public QObject {
    Q_OBJECT

  private slots:
    void qtDialogsAndMenusSpeakChinese() {
        // English until the translation is loaded: the comparison below can tell the difference.
        QVERIFY(messageBoxButtons().contains(QStringLiteral("Cancel")));
        QVERIFY(ApplicationSetup::InstallQtChinese(*qApp));

        const QStringList box = messageBoxButtons();
        QVERIFY2(box.contains(QStringLiteral("确定")) && box.contains(QStringLiteral("取消")),
                 qPrintable(box.join(QLatin1Char(','))));
        const QStringList save = saveDialogButtons();
        QVERIFY2(save.contains(QStringLiteral("保存(&S)")) && save.contains(QStringLiteral("取消")),
                 qPrintable(save.join(QLatin1Char(','))));
        const QStringList menu = lineEditMenu();
        for (const char* chinese : {"撤消(&U)", "重做(&R)", "粘贴(&P)"})
            QVERIFY2(menu.contains(QString::fromUtf8(chinese)),
                     qPrintable(menu.join(QLatin1Char(','))));
    }

    void fileDialogWritesUnderHomeWithoutSetUp() {
        // The fault being guarded against, shown on this very Qt: the dialog records its
        // history in $HOME/.config/QtProject.conf when nothing redirects it.
        QCOMPARE(cancelledSaveQuestion(), QString());
        QVERIFY(QFile::exists(QDir::homePath() + QStringLiteral("/.config/QtProject.conf")));
        QVERIFY(QDir(QDir::homePath() + QStringLiteral("/.config")).removeRecursively());
    }

    void fileDialogLeavesNothingInHome() {
        QString folder;
        {
            const ApplicationSetup::TransientSettings settings;
            QVERIFY(settings.isActive());
            folder = settings.folder();
            QVERIFY(!folder.startsWith(QDir::homePath()));
            QCOMPARE(cancelledSaveQuestion(), QString());
            QCOMPARE(cancelledSaveQuestion(), QString());
            QCOMPARE(filesUnder(QDir::homePath()), QStringList());
            QVERIFY(QFile::exists(folder + QStringLiteral("/QtProject.conf")));
        }
        QVERIFY(!QFile::exists(folder));
        QCOMPARE(filesUnder(QDir::homePath()), QStringList());
    }

    void settingsFolderLivesInTheRuntimeFolder() {
        const ApplicationSetup::TransientSettings settings;
        QVERIFY(settings.isActive());
        QCOMPARE(QFileInfo(settings.folder()).absolutePath(), runtimeFolder());
        QVERIFY(QFileInfo(settings.folder()).fileName().startsWith("quorlik-settings-"));
    }

    void exitButtonRemovesTheSettingsFolder() {
        const ApplicationSetup::TransientSettings settings;
        QVERIFY(QFileInfo(settings.folder()).isDir());
        Recorded recorded;
        文本录入 window([] { return std::optional<int>(0); });
        window.show();
        window.Command退出[0]->click();
        QCOMPARE(recorded.exits, 1);
        QCOMPARE(entriesOf(runtimeFolder()), QStringList());
    }

    void wubiRefusalRemovesTheSettingsFolder() {
        const ApplicationSetup::TransientSettings settings;
        QVERIFY(QFileInfo(settings.folder()).isDir());
        Recorded recorded;
        // The window's first generation runs the input-method check, which answers Wubi.
        文本录入 window([] { return std::optional<int>(1); });
        QCOMPARE(recorded.messages.value(0),
                 QStringLiteral("发现五笔字型坑害本软件，程序将退出，请你二选一"));
        QVERIFY(recorded.exits >= 1);
        QCOMPARE(entriesOf(runtimeFolder()), QStringList());
    }

    void signalsEndTheProgramWithoutLeavingSettings_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalsEndTheProgramWithoutLeavingSettings() {
        QFETCH(int, signal);
        const QTemporaryDir runtime;
        WindowProgram program(runtime.path());
        QVERIFY(program.process.waitForStarted(10000));
        // The folder appears once the program has set up; then the window is up.
        QVERIFY(QTest::qWaitFor([&] { return !entriesOf(runtime.path()).isEmpty(); }, 20000));
        QVERIFY(entriesOf(runtime.path()).value(0).startsWith("quorlik-settings-"));
        QVERIFY(program.signalAndWait(signal));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        QCOMPARE(entriesOf(runtime.path()), QStringList());
    }

    // Without a runtime folder the program makes none, nor Qt's fallback under TMPDIR, and its
    // settings go nowhere.
    void missingRuntimeFolderStaysMissing() {
        const QTemporaryDir parent;
        const QTemporaryDir temporary;
        const QString missing = parent.path() + QStringLiteral("/runtime");
        WindowProgram program(missing, temporary.path());
        QVERIFY(program.process.waitForStarted(10000));
        QVERIFY(QTest::qWaitFor([&] { return program.catchesTermination(); }, 20000));
        QVERIFY(program.signalAndWait(SIGTERM));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(entriesOf(temporary.path()), QStringList());
    }

    void settingsWithoutRuntimeFolderAreWrittenNowhere() {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QTemporaryDir parent;
        const QString missing = parent.path() + QStringLiteral("/runtime");
        qputenv("XDG_RUNTIME_DIR", missing.toUtf8());
        {
            const ApplicationSetup::TransientSettings settings;
            QVERIFY(!settings.isActive());
            QSettings qt(QSettings::UserScope, QStringLiteral("QtProject"));
            qt.setValue(QStringLiteral("FileDialog/history"), QStringLiteral("/secret/folder"));
            qt.sync();
            QVERIFY(qt.status() != QSettings::NoError);
        }
        qputenv("XDG_RUNTIME_DIR", runtime);
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(entriesOf(parent.path()), QStringList());
        QCOMPARE(filesUnder(QDir::homePath()), QStringList());
    }
};

int main(int argc, char** argv) {
    const QTemporaryDir home;
    if (!home.isValid()) return 1;
    const QTemporaryDir runtime;
    if (!runtime.isValid()) return 1;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(argc, argv);
    ApplicationSetupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ApplicationSetupTest.moc"
