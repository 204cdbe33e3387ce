#include "cli/BatchCommand.h"

#include "cli/GuiSession.h"
#include "cli/LogoFile.h"
#include "cli/Quoted.h"
#include "cli/batch/BatchPlan.h"
#include "cli/batch/CsvReader.h"
#include "cli/batch/FieldDecoding.h"
#include "cli/batch/JobRunner.h"
#include "cli/batch/Manifest.h"
#include "cli/batch/MemoryBudget.h"
#include "cli/batch/Progress.h"
#include "cli/batch/RowOutput.h"
#include "cli/batch/StopRequest.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/SymbolRun.h"
#include "cli/core/TerminalText.h"
#include "composition/SymbolComposition.h"
#include "files/FileAccess.h"

#include <QFile>
#include <QGuiApplication>

#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <new>
#include <thread>

namespace {

QString Shown(const std::string& name) {
    return QString::fromStdString(FileAccess::QuotedName(name));
}

int CannotStart(const QString& message) {
    TerminalText::PrintError(EscapedControls(message));
    return ExitBadUsage;
}

// Reads the CSV as a stream and plans every row; the plan's error is set when the run cannot
// start. The CSV is a regular file or a pipe (a FIFO, process substitution, /dev/stdin).
BatchPlan PlanCsvFile(const std::string& fileName, FieldDecoding& decoding) {
    BatchPlan plan;
    FileAccess::Opened input =
        FileAccess::OpenInput(fileName, FileAccess::RegularFile | FileAccess::Pipe);
    if (!input.ok()) {
        plan.error = QString::fromStdString(FileAccess::Describe(input.error));
        return plan;
    }
    QFile file;
    if (!file.open(input.descriptor.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        plan.error = QStringLiteral("cannot read %1: %2").arg(Shown(fileName), file.errorString());
        return plan;
    }
    CsvReader reader(file);
    plan = PlanBatch(reader, decoding);
    if (!plan.error.isEmpty()) plan.error = Shown(fileName) + QStringLiteral(", ") + plan.error;
    return plan;
}

// The output folder, opened once; every row is placed relative to it. A folder where nothing
// can be created stops the run before any row.
FileAccess::Opened OpenOutputFolder(const std::string& path, QString& problem) {
    FileAccess::Opened folder = FileAccess::OpenOutputFolder(path);
    using FileAccess::ErrorKind;
    if (folder.error.kind == ErrorKind::NotFound)
        problem = QStringLiteral("no such folder: %1").arg(Shown(path));
    else if (folder.error.kind == ErrorKind::NotAFolder)
        problem = QStringLiteral("%1 is not a folder").arg(Shown(path));
    else if (!folder.ok())
        problem = QStringLiteral("cannot write in the folder %1: %2")
                      .arg(Shown(path), QString::fromStdString(FileAccess::Reason(folder.error)));
    return folder;
}

RowOutputSettings OutputSettingsOf(const CliOptions& options, int outDir) {
    RowOutputSettings settings;
    settings.encode = options.encode;
    settings.outDir = outDir;
    settings.format = options.batch->format;
    settings.render = options.batch->render;
    settings.compose = options.compose;
    settings.paintLogo = options.logoFile.has_value();
    settings.verify = options.batch->verify;
    settings.eci = options.eci;
    return settings;
}

int JobCount(const BatchSettings& batch) {
    if (batch.jobs > 0) return batch.jobs;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

struct RunCounts {
    std::size_t written = 0;
    std::size_t failed = 0;
    std::size_t notMade = 0; // left when the run was asked to stop
    double seconds = 0;
};

// One row; a row begun after a stop request is not made at all, and only the first row to
// find the disk full says so.
QString MakeRow(clsQRCode& encoder, const PlannedRow& row, const RowOutputSettings& settings,
                char& notMade, RowFacts* facts) {
    if (StopRequest::Requested()) {
        notMade = 1;
        return {};
    }
    if (!row.error.isEmpty()) return row.error;
    RowOutputSettings coloured;
    if (row.foreground || row.background) {
        coloured = settings;
        coloured.render.dark = row.foreground.value_or(settings.render.dark);
        coloured.render.light = row.background.value_or(settings.render.light);
        if (const std::string problem = UnusableColours(coloured.format, coloured.render);
            !problem.empty())
            return QString::fromStdString(problem);
    }
    FileAccess::Error fileError;
    QString error =
        WriteRowFile(encoder, row.payload, row.name,
                     row.foreground || row.background ? coloured : settings, &fileError, facts);
    if (fileError.kind == FileAccess::ErrorKind::NoSpace && !StopRequest::ForFullDisk())
        notMade = 1;
    return notMade ? QString() : error;
}

RunCounts RunPlan(const BatchPlan& plan, const RowOutputSettings& settings, int jobs,
                  Manifest* manifest) {
    Progress progress(plan.rows.size(), isatty(STDERR_FILENO) == 1);
    RunCounts counts;
    std::vector<char> notMade(plan.rows.size(), 0); // each set by its row's task, read in order
    std::vector<RowFacts> facts(manifest ? plan.rows.size() : 0); // as notMade
    const RowTask task = [&](clsQRCode& encoder, std::size_t index) {
        // The budget keeps rows within memory; should an allocation fail all the same, that
        // row fails and the others go on.
        try {
            return MakeRow(encoder, plan.rows[index], settings, notMade[index],
                           manifest ? &facts[index] : nullptr);
        } catch (const std::bad_alloc&) {
            return QStringLiteral("out of memory while making the picture");
        }
    };
    const RowFinished finished = [&](std::size_t index, const QString& error) {
        if (manifest && !notMade[index]) {
            manifest->Add(plan.rows[index], facts[index], error);
            facts[index] = {};
        }
        if (notMade[index]) {
            ++counts.notMade;
        } else if (error.isEmpty()) {
            ++counts.written;
        } else {
            ++counts.failed;
            progress.Report(TerminalText::ForDescriptor(
                STDERR_FILENO, "quorlik-qr: " + RowLabel(plan.rows[index]).toStdString() + ": " +
                                   EscapedControls(error)));
        }
        progress.RowDone();
    };
    StopRequest::CatchSignals();
    RunRows(plan.rows.size(), jobs, task, finished);
    progress.Finish();
    counts.seconds = progress.Seconds();
    return counts;
}

std::string SignalName(int number) {
    switch (number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "signal " + std::to_string(number);
    }
}

std::string SummaryLine(const RunCounts& counts) {
    char line[160];
    std::snprintf(line, sizeof line, "quorlik-qr: rows written %zu, rows failed %zu",
                  counts.written, counts.failed);
    std::string summary = line;
    if (counts.notMade > 0) {
        summary += ", rows not made " + std::to_string(counts.notMade);
        if (StopRequest::Signal())
            summary += " (stopped by " + SignalName(StopRequest::Signal()) + ")";
        else
            summary += " (the disk is full)";
    }
    std::snprintf(line, sizeof line, ", %.2f s\n", counts.seconds);
    return summary + line;
}

// The exit status of a run that got as far as its rows.
int StatusOf(const RunCounts& counts) {
    if (StopRequest::Signal()) return 128 + StopRequest::Signal();
    if (counts.notMade > 0) return ExitBadUsage;
    return counts.failed == 0 ? ExitDone : ExitDoesNotFit;
}

// Makes the run's files durable, then tells the summary; a summary that cannot be written
// fails the run as surely as a file that cannot.
int FinishRun(const RunCounts& counts, int outDir, const Manifest* manifest,
              const std::optional<std::string>& manifestFile) {
    int status = StatusOf(counts);
    if (manifest)
        if (const FileAccess::Error error = manifest->Write(*manifestFile); error.failed()) {
            std::fprintf(stderr, "quorlik-qr: %s\n", FileAccess::Describe(error).c_str());
            if (status < ExitBadUsage) status = ExitBadUsage;
        }
    if (counts.written > 0)
        if (const FileAccess::Error error = FileAccess::SyncFileSystem(outDir); error.failed()) {
            std::fprintf(stderr, "quorlik-qr: %s\n", FileAccess::Describe(error).c_str());
            if (status < ExitBadUsage) status = ExitBadUsage;
        }
    if (const FileAccess::Error error = FileAccess::WriteAll(STDOUT_FILENO, SummaryLine(counts));
        error.failed()) {
        std::fprintf(stderr, "quorlik-qr: %s\n", FileAccess::Describe(error).c_str());
        if (status < ExitBadUsage) status = ExitBadUsage;
    }
    StopRequest::ReleaseSignals();
    return status;
}

} // namespace

// Every row allocates and frees the same few hundred kilobytes (pictures, the compressor's
// state). Above glibc's default thresholds those come from fresh mappings, faulted in again for
// each row, which measured as a third of a row's time; kept in the heap they are reused.
void KeepRowBuffersInTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

int RunBatchCommand(const CliOptions& options) {
    KeepRowBuffersInTheHeap();
    const BatchSettings& batch = *options.batch;
    std::optional<FieldDecoding> decoding = FieldDecoding::Named(batch.encoding);
    if (!decoding)
        return CannotStart(QStringLiteral("--encoding %1 is not an encoding this program can read "
                                          "CSV in (UTF-8, GB18030, GBK, Big5, ...)")
                               .arg(QuotedText(QString::fromStdString(batch.encoding))));
    QString problem;
    const FileAccess::Opened outDir = OpenOutputFolder(batch.outDir, problem);
    if (!outDir.ok()) return CannotStart(problem);
    BatchPlan plan = PlanCsvFile(batch.csvFile, *decoding);
    if (!plan.error.isEmpty()) return CannotStart(plan.error);
    // Every row is planned, so that a name repeated across parts fails in its part as in one run.
    std::erase_if(plan.rows, [&](const PlannedRow& row) { return !batch.shard.Holds(row.number); });
    StartGuiSession();
    RowOutputSettings settings = OutputSettingsOf(options, outDir.descriptor.get());
    SymbolRun::WarnIfInverted(settings.render);
    if (options.logoFile) {
        // The composition paints the logo's square once per size and thread and copies it into
        // every row's picture, so rows carry exactly the window's pixels.
        const LogoFile logo = LoadLogoFile(*options.logoFile);
        if (!logo.picture) return CannotStart(QString::fromStdString(logo.problem));
        settings.logo = *logo.picture;
    }
    for (const QString& note : plan.notes)
        TerminalText::PrintError("note: " + EscapedControls(note));
    const int jobs = JobCount(batch);
    MemoryBudget budget(MemoryBudget::ForThisProcess(jobs));
    settings.budget = &budget;
    std::optional<Manifest> manifest;
    if (batch.manifest) manifest.emplace();
    const RunCounts counts = RunPlan(plan, settings, jobs, manifest ? &*manifest : nullptr);
    return FinishRun(counts, outDir.descriptor.get(), manifest ? &*manifest : nullptr,
                     batch.manifest);
}
