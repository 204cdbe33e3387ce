#include "ToolProcess.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

ToolRun RunTool(const QStringList& arguments, const QByteArray& input,
                const QString& workingDirectory) {
    QProcess process;
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(QUORLIK_QR_BINARY), arguments);
    if (!process.waitForStarted()) return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    ToolRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString TemporaryFolder() {
    // Kept alive until the test program ends; QTemporaryDir removes the folder then.
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    return folders.back()->path();
}
