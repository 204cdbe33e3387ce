#include "tests/cli/ToolProcess.h"

#include "tests/support/ZxingDecode.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

extern char** environ;

namespace {

QProcessEnvironment EnvironmentOf(const QStringList& set, const QStringList& unset) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset) environment.remove(name);
    for (const QString& pair : set)
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    return environment;
}

} // namespace

ToolRun RunPipeline(const QString& producer, const QStringList& arguments) {
    QProcess shell;
    QStringList quoted;
    for (const QString& a : arguments) quoted << "'" + a + "'";
    shell.start("sh", {"-c", producer + " | '" + QStringLiteral(QUORLIK_QR_BINARY) + "' " +
                                 quoted.join(' ')});
    const bool finished = shell.waitForFinished(60000);
    if (!finished) shell.kill(), shell.waitForFinished();
    ToolRun run;
    run.status = finished ? shell.exitCode() : -1;
    run.err = shell.readAllStandardError();
    return run;
}

ToolRun RunPipelineUntil(const QString& producer, const QStringList& arguments,
                         const std::function<bool()>& ready) {
    QProcess source, tool;
    source.setStandardOutputProcess(&tool);
    source.start("sh", {"-c", producer});
    tool.start(QStringLiteral(QUORLIK_QR_BINARY), arguments);
    ToolRun run;
    if (!tool.waitForStarted()) return run;
    for (int tries = 0; tries < 3000 && !ready(); ++tries) ::usleep(10000);
    ::kill(pid_t(tool.processId()), SIGINT);
    const bool finished = tool.waitForFinished(60000);
    source.kill();
    source.waitForFinished();
    if (!finished) tool.kill(), tool.waitForFinished();
    run.status = finished && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = tool.readAllStandardOutput();
    run.err = tool.readAllStandardError();
    return run;
}

ToolRun RunToolWith(const QStringList& arguments, const ToolSetup& setup) {
    QProcess process;
    if (!setup.workingDirectory.isEmpty()) process.setWorkingDirectory(setup.workingDirectory);
    if (!setup.inputFile.isEmpty()) process.setStandardInputFile(setup.inputFile);
    process.setProcessEnvironment(EnvironmentOf(setup.setEnvironment, setup.unsetEnvironment));
    const long limit = setup.fileSizeLimit;
    const long addressSpace = setup.addressSpaceLimit;
    if (limit >= 0 || addressSpace >= 0)
        process.setChildProcessModifier([limit, addressSpace] {
            if (limit >= 0) {
                const rlimit size{rlim_t(limit), rlim_t(limit)};
                ::setrlimit(RLIMIT_FSIZE, &size);
            }
            if (addressSpace >= 0) {
                const rlimit space{rlim_t(addressSpace), rlim_t(addressSpace)};
                ::setrlimit(RLIMIT_AS, &space);
            }
        });
    process.start(QStringLiteral(QUORLIK_QR_BINARY), arguments);
    if (!process.waitForStarted()) return {};
    if (setup.inputFile.isEmpty()) {
        process.write(setup.input);
        process.closeWriteChannel();
    }
    process.waitForFinished(120000);
    ToolRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ToolRun RunTool(const QStringList& arguments, const QByteArray& input,
                const QString& workingDirectory) {
    ToolSetup setup;
    setup.input = input;
    setup.workingDirectory = workingDirectory;
    return RunToolWith(arguments, setup);
}

namespace {

// The tool with descriptor `attached` on a pseudo-terminal (the other of standard output and
// error goes to /dev/null); returns what the terminal shows.
QByteArray RunWithTerminalAt(int attached, const QStringList& arguments,
                             const QStringList& setEnvironment,
                             const QStringList& unsetEnvironment) {
    int terminal = -1;
    int device = -1;
    if (::openpty(&terminal, &device, nullptr, nullptr, nullptr) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, device, attached);
    if (attached == STDERR_FILENO)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<QByteArray> storage{QByteArray(QUORLIK_QR_BINARY)};
    for (const QString& argument : arguments) storage.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> environmentStorage;
    for (const QString& pair : EnvironmentOf(setEnvironment, unsetEnvironment).toStringList())
        environmentStorage.push_back(pair.toUtf8());
    std::vector<char*> envp;
    for (QByteArray& pair : environmentStorage) envp.push_back(pair.data());
    envp.push_back(nullptr);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(device);
    QByteArray output;
    char buffer[4096];
    // Once the child has exited and the output is drained, reading the terminal gives EIO.
    for (ssize_t n; spawned == 0 && (n = ::read(terminal, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        output.append(buffer, n);
    }
    ::close(terminal);
    if (spawned == 0) ::waitpid(child, nullptr, 0);
    return output;
}

} // namespace

QByteArray RunOnTerminal(const QStringList& arguments, const QStringList& setEnvironment,
                         const QStringList& unsetEnvironment) {
    return RunWithTerminalAt(STDOUT_FILENO, arguments, setEnvironment, unsetEnvironment);
}

QByteArray RunWithErrorsOnTerminal(const QStringList& arguments) {
    return RunWithTerminalAt(STDERR_FILENO, arguments, {}, {});
}

QString TemporaryFolder() {
    // Kept alive until the test program ends; QTemporaryDir removes the folder then.
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    return folders.back()->path();
}

QString WriteFile(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return file;
}

QString NewFolder(const QString& parent, const QString& name) {
    QDir(parent).mkpath(name);
    return parent + '/' + name;
}

std::optional<std::string> ReadBack(const QString& file) {
    const std::optional<DecodedSymbol> decoded = DecodeImage(QImage(file));
    if (!decoded) return std::nullopt;
    return decoded->bytes;
}

void ExpectBadUsage(const ToolRun& run, const std::string& context) {
    EXPECT_EQ(run.status, 2) << context;
    EXPECT_TRUE(run.out.isEmpty()) << context;
    EXPECT_EQ(run.err.count('\n'), 1) << context << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("quorlik-qr: ")) << context << ": " << run.err.toStdString();
}
