#include "BatchCommand.h"

#include "BatchFiles.h"
#include "BatchPlan.h"
#include "CsvReader.h"
#include "ExitStatus.h"
#include "FieldDecoding.h"
#include "GuiSession.h"
#include "JobRunner.h"
#include "LogoPicture.h"
#include "Progress.h"
#include "Quoted.h"
#include "RowOutput.h"
#include "SymbolComposition.h"

#include <QFile>
#include <QGuiApplication>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace {

QString PathOf(const std::string& localName) {
    return QFile::decodeName(localName.c_str());
}

int CannotStart(const QString& message) {
    std::fprintf(stderr, "quorlik-qr: %s\n", EscapedControls(message).c_str());
    return ExitBadUsage;
}

// Reads the CSV as a stream and plans every row; the plan's error is set when the run cannot
// start.
BatchPlan PlanCsvFile(const QString& fileName, FieldDecoding& decoding) {
    BatchPlan plan;
    OpenedFile input = OpenCsvInput(fileName);
    if (!input.error.isEmpty()) {
        plan.error = input.error;
        return plan;
    }
    QFile file;
    if (!file.open(input.descriptor.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        plan.error =
            QStringLiteral("cannot read %1: %2").arg(QuotedText(fileName), file.errorString());
        return plan;
    }
    CsvReader reader(file);
    plan = PlanBatch(reader, decoding);
    if (!plan.error.isEmpty())
        plan.error = QuotedText(fileName) + QStringLiteral(", ") + plan.error;
    return plan;
}

RowOutputSettings OutputSettingsOf(const CliOptions& options, int outDir) {
    RowOutputSettings settings;
    settings.encode = options.encode;
    settings.outDir = outDir;
    settings.format = ImageExport::FormatNamed(QString::fromStdString(options.batch->format))
                          .value_or(ImageExport::Format::Png);
    settings.scale = options.batch->scale;
    settings.margin = options.batch->margin;
    settings.compose = options.compose;
    settings.paintLogo = options.logoFile.has_value();
    settings.verify = options.batch->verify;
    settings.eci = options.eci;
    return settings;
}

// The window's loader, so that a file the window refuses (a cut-off JPEG, GIF or BMP) is refused
// here too. The composition paints the logo's square once per size and thread and copies it into
// every row's picture, so rows carry exactly the window's pixels.
std::optional<QImage> LogoForEveryRow(const std::string& path, QString& error) {
    LogoPicture::Loaded loaded = LogoPicture::Read(path);
    error = loaded.outcome.message;
    if (!loaded.outcome.ok()) return std::nullopt;
    return std::move(loaded.picture);
}

int JobCount(const BatchSettings& batch) {
    if (batch.jobs > 0) return batch.jobs;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

struct RunCounts {
    std::size_t written = 0;
    std::size_t failed = 0;
};

RunCounts RunPlan(const BatchPlan& plan, const RowOutputSettings& settings, int jobs) {
    Progress progress(plan.rows.size(), isatty(STDERR_FILENO) == 1);
    RunCounts counts;
    const RowTask task = [&](clsQRCode& encoder, std::size_t index) {
        const PlannedRow& row = plan.rows[index];
        if (!row.error.isEmpty()) return row.error;
        return WriteRowFile(encoder, row.payload, row.name, settings);
    };
    const RowFinished finished = [&](std::size_t index, const QString& error) {
        if (error.isEmpty()) {
            ++counts.written;
        } else {
            ++counts.failed;
            progress.Report("quorlik-qr: " + RowLabel(plan.rows[index]).toStdString() + ": " +
                            EscapedControls(error));
        }
        progress.RowDone();
    };
    RunRows(plan.rows.size(), jobs, task, finished);
    progress.Finish();
    std::printf("quorlik-qr: rows written %zu, rows failed %zu, %.2f s\n", counts.written,
                counts.failed, progress.Seconds());
    return counts;
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
    const OpenedFile outDir = OpenOutputFolder(PathOf(batch.outDir));
    if (!outDir.error.isEmpty()) return CannotStart(outDir.error);
    const BatchPlan plan = PlanCsvFile(PathOf(batch.csvFile), *decoding);
    if (!plan.error.isEmpty()) return CannotStart(plan.error);
    const std::unique_ptr<QGuiApplication> session = StartGuiSession();
    RowOutputSettings settings = OutputSettingsOf(options, outDir.descriptor.get());
    if (options.logoFile) {
        QString problem;
        const std::optional<QImage> logo = LogoForEveryRow(*options.logoFile, problem);
        if (!logo)
            return CannotStart(QStringLiteral("cannot read the logo %1: %2")
                                   .arg(QuotedText(PathOf(*options.logoFile)), problem));
        settings.logo = *logo;
    }
    for (const QString& note : plan.notes)
        std::fprintf(stderr, "quorlik-qr: note: %s\n", EscapedControls(note).c_str());
    const RunCounts counts = RunPlan(plan, settings, JobCount(batch));
    return counts.failed == 0 ? ExitDone : ExitDoesNotFit;
}
