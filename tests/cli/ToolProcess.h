#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

// quorlik-qr run as a script would run it: arguments, standard input, exit status and output.
struct ToolRun {
    int status = -1; // -1: killed by a signal or never finished
    QByteArray out;
    QByteArray err;
};

ToolRun RunTool(const QStringList& arguments, const QByteArray& input = {},
                const QString& workingDirectory = {});

// What else a run may need: standard input from a file, environment changes, a file size limit.
struct ToolSetup {
    QByteArray input;
    QString inputFile; // replaces input
    QString workingDirectory;
    QStringList setEnvironment; // NAME=VALUE
    QStringList unsetEnvironment;
    long fileSizeLimit = -1;     // bytes (RLIMIT_FSIZE); -1: none
    long addressSpaceLimit = -1; // bytes (RLIMIT_AS, as ulimit -v sets it); -1: none
};

ToolRun RunToolWith(const QStringList& arguments, const ToolSetup& setup);

// The tool behind a shell pipeline (`producer | quorlik-qr ARGUMENTS`), for input that never
// ends; killed after a minute. Only the status and standard error are kept.
ToolRun RunPipeline(const QString& producer, const QStringList& arguments);

// The same, stopped by SIGINT once `ready` holds (asked every 10 ms, for at most 30 s); the
// status, standard output and standard error are kept.
ToolRun RunPipelineUntil(const QString& producer, const QStringList& arguments,
                         const std::function<bool()>& ready);

// AddressSanitizer maps terabytes of shadow memory and cannot run under an address-space limit.
constexpr bool BuiltWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

// Standard output on a pseudo-terminal, as a person at a terminal sees it. Returns the output.
QByteArray RunOnTerminal(const QStringList& arguments, const QStringList& setEnvironment = {},
                         const QStringList& unsetEnvironment = {});
// Standard error on a pseudo-terminal (standard output to /dev/null). Returns what it shows.
QByteArray RunWithErrorsOnTerminal(const QStringList& arguments);

// Bad usage as every refusal of the command line shows it: status 2, nothing on standard output
// and one line on standard error that names the program. `context` labels the failures.
void ExpectBadUsage(const ToolRun& run, const std::string& context);

// A fresh temporary folder per test, removed afterwards.
QString TemporaryFolder();

// Small file helpers of the batch tests: a file with these bytes, a new folder, and what zxing-cpp
// reads from a picture file (nothing when it finds no symbol).
QString WriteFile(const QString& file, const QByteArray& bytes);
QString NewFolder(const QString& parent, const QString& name);
std::optional<std::string> ReadBack(const QString& file);
