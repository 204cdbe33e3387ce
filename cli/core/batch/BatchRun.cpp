#include "cli/core/batch/BatchRun.h"

#include "cli/core/CoreSymbol.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/SymbolRun.h"
#include "cli/core/SymbolText.h"
#include "cli/core/TerminalText.h"
#include "cli/core/batch/CsvReader.h"
#include "cli/core/batch/FieldDecoding.h"
#include "cli/core/batch/JobRunner.h"
#include "cli/core/batch/Manifest.h"
#include "cli/core/batch/MemoryBudget.h"
#include "cli/core/batch/Progress.h"
#include "cli/core/batch/Quoted.h"
#include "cli/core/batch/StopRequest.h"
#include "cli/core/batch/StoppableInput.h"
#include "files/Escape.h"
#include "files/FileAccess.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <new>
#include <thread>

namespace {

std::string Shown(const std::string& name) {
    return FileAccess::QuotedName(name);
}

int CannotStart(const std::string& message) {
    TerminalText::PrintError(Escape::Shown(message));
    return ExitBadUsage;
}

// The CSV, open for reading as a stream: a regular file or a pipe (a FIFO, process
// substitution, /dev/stdin). Only a regular file can be read twice, to count its rows first.
struct CsvInput {
    std::optional<StoppableInput> device;
    bool regular = false;
    std::string error; // the run cannot start

    CsvRead Reader() {
        return [this](char* data, std::size_t size, std::string& problem) {
            return device->Read(data, size, problem);
        };
    }
};

void OpenCsv(const std::string& fileName, CsvInput& input, bool (*stopped)() = nullptr) {
    FileAccess::Opened opened =
        FileAccess::OpenInput(fileName, FileAccess::RegularFile | FileAccess::Pipe);
    if (!opened.ok()) {
        input.error = FileAccess::Describe(opened.error);
        return;
    }
    struct stat status {};
    input.regular = ::fstat(opened.descriptor.get(), &status) == 0 && S_ISREG(status.st_mode);
    input.device.emplace(std::move(opened.descriptor), stopped);
}

// A regular file is read once through before any row is made: its rows are counted for the
// progress line and the summary, and a file that is not CSV throughout (an unclosed quote, an
// oversize field, UTF-16 text) stops the run before it changes anything.
struct RowCount {
    std::size_t rows = 0; // data rows, the header not included
    std::string error;
};

RowCount CountRows(const std::string& fileName) {
    RowCount count;
    CsvInput input;
    OpenCsv(fileName, input);
    if (!input.error.empty()) {
        count.error = input.error;
        return count;
    }
    CsvReader reader(input.Reader());
    std::size_t records = 0;
    while (reader.Next()) ++records;
    count.rows = records > 0 ? records - 1 : 0;
    if (!reader.error().empty()) count.error = Shown(fileName) + ", " + reader.error();
    return count;
}

// The rows of part K of N among rows 1 … rows.
std::size_t RowsOfShard(std::size_t rows, const Shard& shard) {
    const std::size_t parts = std::size_t(shard.parts), part = std::size_t(shard.part);
    return rows / parts + (part <= rows % parts ? 1 : 0);
}

// The output folder, opened once; every row is placed relative to it. A folder where nothing
// can be created stops the run before any row.
FileAccess::Opened OpenOutputFolder(const std::string& path, std::string& problem) {
    FileAccess::Opened folder = FileAccess::OpenOutputFolder(path);
    using FileAccess::ErrorKind;
    if (folder.error.kind == ErrorKind::NotFound)
        problem = "no such folder: " + Shown(path);
    else if (folder.error.kind == ErrorKind::NotAFolder)
        problem = Shown(path) + " is not a folder";
    else if (!folder.ok())
        problem =
            "cannot write in the folder " + Shown(path) + ": " + FileAccess::Reason(folder.error);
    return folder;
}

RowOutputSettings OutputSettingsOf(const CliOptions& options, int outDir) {
    RowOutputSettings settings;
    settings.encode = options.encode;
    settings.outDir = outDir;
    settings.format = options.batch->format;
    settings.render = options.batch->render;
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
    std::size_t notMade = 0;  // left when the run was asked to stop
    bool restNotRead = false; // and the rest of an input of unknown length with them
    double seconds = 0;
};

// The row's own colours over the run's, when it has any.
std::optional<RowOutputSettings>
ColouredSettings(const PlannedRow& row, const RowOutputSettings& settings, std::string& problem) {
    if (!row.foreground && !row.background) return std::nullopt;
    RowOutputSettings coloured = settings;
    coloured.render.dark = row.foreground.value_or(settings.render.dark);
    coloured.render.light = row.background.value_or(settings.render.light);
    problem = UnusableColours(coloured.format, coloured.render);
    return coloured;
}

// Encodes the row, reads it back when asked, and only then places its file.
std::string WriteRow(clsQRCode& encoder, const PlannedRow& row, const RowOutputSettings& settings,
                     const BatchExtras& extras, FileAccess::Error& fileError, RowFacts& facts) {
    const EncodedRow file = extras.encode ? extras.encode(encoder, row, settings)
                                          : EncodePlainRow(encoder, row.payload, settings);
    if (!file.error.empty()) return file.error;
    facts.version = SymbolText::VersionName(*file.symbol);
    facts.level = SymbolText::LevelName(*file.symbol);
    facts.symbol = file.symbol;
    if (settings.verify) {
        if (std::string problem = extras.verify(file, row.payload); !problem.empty())
            return problem;
        facts.verified = true;
    }
    return PlaceRowFile(file, row.name, settings, fileError, &facts);
}

// One row; a row begun after a stop request is not made at all, and only the first row to
// find the disk full says so.
RowResult MakeRow(clsQRCode& encoder, const PlannedRow& row, const RowOutputSettings& settings,
                  const BatchExtras& extras) {
    RowResult result;
    if (StopRequest::Requested()) {
        result.notMade = true;
        return result;
    }
    if (!row.error.empty()) {
        result.error = row.error;
        return result;
    }
    const std::optional<RowOutputSettings> coloured = ColouredSettings(row, settings, result.error);
    if (!result.error.empty()) return result;
    FileAccess::Error fileError;
    result.error =
        WriteRow(encoder, row, coloured ? *coloured : settings, extras, fileError, result.facts);
    if (fileError.kind == FileAccess::ErrorKind::NoSpace && !StopRequest::ForFullDisk())
        result.notMade = true;
    if (result.notMade) result.error.clear();
    return result;
}

// The rows of this run (this shard's), read, made and told as they come.
RunCounts RunRowStream(RowPlanner& planner, const Shard& shard, std::optional<std::size_t> rows,
                       const RowOutputSettings& settings, int jobs, const BatchExtras& extras,
                       Manifest* manifest) {
    Progress progress(rows.value_or(0), isatty(STDERR_FILENO) == 1);
    RunCounts counts;
    const RowSource next = [&]() -> std::optional<PlannedRow> {
        while (!StopRequest::Requested()) {
            std::optional<PlannedRow> row = planner.Next();
            if (!row || shard.Holds(row->number)) return row;
        }
        return std::nullopt;
    };
    const RowTask task = [&](clsQRCode& encoder, const PlannedRow& row) {
        // The budget keeps rows within memory; should an allocation fail all the same, that
        // row fails and the others go on.
        try {
            return MakeRow(encoder, row, settings, extras);
        } catch (const std::bad_alloc&) {
            RowResult failed;
            failed.error = "out of memory while making the picture";
            return failed;
        }
    };
    const RowFinished finished = [&](const PlannedRow& row, const RowResult& result) {
        if (manifest && !result.notMade) manifest->Add(row, result.facts, result.error);
        if (result.notMade) {
            ++counts.notMade;
        } else if (result.error.empty()) {
            ++counts.written;
            if (extras.written) extras.written(row, result.facts);
        } else {
            ++counts.failed;
            progress.Report(
                TerminalText::ForDescriptor(STDERR_FILENO, "quorlik-qr: " + RowLabel(row) + ": " +
                                                               Escape::Shown(result.error)));
        }
        progress.RowDone();
    };
    StopRequest::CatchSignals();
    RunRows(next, jobs, task, finished);
    progress.Finish();
    if (StopRequest::Requested()) {
        // Rows never read were not made either.
        if (rows)
            counts.notMade = *rows - counts.written - counts.failed;
        else
            counts.restNotRead = true;
    }
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
    if (counts.notMade > 0 || counts.restNotRead) {
        summary += counts.restNotRead ? ", rows not made: the rest of the input"
                                      : ", rows not made " + std::to_string(counts.notMade);
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
    if (counts.notMade > 0 || counts.restNotRead) return ExitBadUsage;
    return counts.failed == 0 ? ExitDone : ExitDoesNotFit;
}

// Makes the run's files durable, then tells the summary; a summary that cannot be written
// fails the run as surely as a file that cannot.
int FinishRun(const RunCounts& counts, int outDir, Manifest* manifest,
              const std::optional<std::string>& manifestFile) {
    int status = StatusOf(counts);
    const auto fail = [&status](const FileAccess::Error& error) {
        std::fprintf(stderr, "quorlik-qr: %s\n", FileAccess::Describe(error).c_str());
        status = std::max(status, int(ExitBadUsage));
    };
    if (manifest)
        if (const FileAccess::Error error = manifest->Write(*manifestFile); error.failed())
            fail(error);
    if (counts.written > 0)
        if (const FileAccess::Error error = FileAccess::SyncFileSystem(outDir); error.failed())
            fail(error);
    if (const FileAccess::Error error = FileAccess::WriteAll(STDOUT_FILENO, SummaryLine(counts));
        error.failed())
        fail(error);
    StopRequest::ReleaseSignals();
    return status;
}

// Every row allocates and frees the same few hundred kilobytes (pictures, the compressor's
// state). Above glibc's default thresholds those come from fresh mappings, faulted in again for
// each row, which measured as a third of a row's time; kept in the heap they are reused.
void KeepRowBuffersInTheHeap() {
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

} // namespace

int RunBatch(const CliOptions& options, const BatchExtras& extras) {
    KeepRowBuffersInTheHeap();
    const BatchSettings& batch = *options.batch;
    std::optional<FieldDecoding> decoding = FieldDecoding::Named(batch.encoding);
    if (!decoding)
        return CannotStart("--encoding " + Quoted(batch.encoding) +
                           " is not an encoding this program can read CSV in (UTF-8, GB18030, "
                           "GBK, Big5, ...)");
    std::string problem;
    const FileAccess::Opened outDir = OpenOutputFolder(batch.outDir, problem);
    if (!outDir.ok()) return CannotStart(problem);
    CsvInput input;
    OpenCsv(batch.csvFile, input, StopRequest::Requested);
    if (!input.error.empty()) return CannotStart(input.error);
    std::optional<std::size_t> rows;
    if (input.regular) {
        const RowCount count = CountRows(batch.csvFile);
        if (!count.error.empty()) return CannotStart(count.error);
        rows = RowsOfShard(count.rows, batch.shard);
    }
    if (batch.sheet)
        if (const FileAccess::Error error = FileAccess::CheckReplaceable(batch.sheet->file);
            error.failed())
            return CannotStart("the print sheet: " + FileAccess::Describe(error));
    CsvLimits limits;
    limits.stopped = StopRequest::Requested;
    CsvReader reader(input.Reader(), limits);
    RowPlanner planner(reader, *decoding,
                       batch.sheet ? batch.sheet->captionColumn.value_or("") : std::string());
    if (!planner.startError().empty())
        return CannotStart(Shown(batch.csvFile) + ", " + planner.startError());
    RowOutputSettings settings = OutputSettingsOf(options, outDir.descriptor.get());
    SymbolRun::WarnIfInverted(settings.render);
    if (extras.prepare)
        if (const std::string cannot = extras.prepare(settings); !cannot.empty())
            return CannotStart(cannot);
    for (const std::string& note : planner.notes())
        TerminalText::PrintError("note: " + Escape::Shown(note));
    const int jobs = JobCount(batch);
    MemoryBudget budget(MemoryBudget::ForThisProcess(jobs));
    settings.budget = &budget;
    std::optional<Manifest> manifest;
    if (batch.manifest) manifest.emplace();
    const RunCounts counts = RunRowStream(planner, batch.shard, rows, settings, jobs, extras,
                                          manifest ? &*manifest : nullptr);
    // The record of the run holds the rows made, also after a stop.
    const std::string finishProblem = extras.finish ? extras.finish() : std::string();
    if (!finishProblem.empty()) TerminalText::PrintError(finishProblem);
    // A stream that stops being CSV part of the way ends the run where it stopped.
    // (A stop may cut the last record short: that is the stop, not a fault of the input.)
    const bool readFailed = !planner.readError().empty() && !StopRequest::Requested();
    if (readFailed)
        TerminalText::PrintError(Escape::Shown(Shown(batch.csvFile) + ", " + planner.readError()));
    const int status =
        FinishRun(counts, outDir.descriptor.get(), manifest ? &*manifest : nullptr, batch.manifest);
    return readFailed || !finishProblem.empty() ? std::max(status, int(ExitBadUsage)) : status;
}
