#include "BatchCommand.h"

#include "BatchPlan.h"
#include "CsvReader.h"
#include "ExitStatus.h"
#include "GuiSession.h"
#include "JobRunner.h"
#include "Progress.h"
#include "RowOutput.h"
#include "SymbolComposition.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <thread>

namespace {

QString PathOf(const std::string& localName) {
    return QFile::decodeName(localName.c_str());
}

int CannotStart(const QString& message) {
    std::fprintf(stderr, "quorlik-qr: %s\n", qPrintable(message));
    return ExitBadUsage;
}

std::optional<CsvDocument> ReadCsvFile(const QString& fileName, QString& error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    CsvDocument document = ReadCsv(file.readAll());
    if (!document.error.isEmpty()) {
        error = fileName + QStringLiteral(", ") + document.error;
        return std::nullopt;
    }
    return document;
}

RowOutputSettings OutputSettingsOf(const CliOptions& options) {
    RowOutputSettings settings;
    settings.encode = options.encode;
    settings.outDir = PathOf(options.batch->outDir);
    settings.format = QString::fromStdString(options.batch->format);
    settings.scale = options.batch->scale;
    settings.compose = options.compose;
    settings.paintLogo = options.logoFile.has_value();
    settings.verify = options.batch->verify;
    return settings;
}

// The composition scales the logo smoothly into its square for every picture; scaled once here
// to that square, the same pixels come out and each row's scaling is a copy.
QImage LogoForEveryRow(const QString& fileName) {
    const QImage logo(fileName);
    if (logo.isNull()) return logo;
    const int square = SymbolComposition::PictureSide / 4;
    return logo.scaled(square, square, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    const RowTask task = [&](clsQRCode& encoder, ComputeGate& gate, std::size_t index) {
        const PlannedRow& row = plan.rows[index];
        if (!row.error.isEmpty()) return row.error;
        return WriteRowFile(encoder, gate, row.payload, row.name, settings);
    };
    const RowFinished finished = [&](std::size_t index, const QString& error) {
        if (error.isEmpty()) {
            ++counts.written;
        } else {
            ++counts.failed;
            progress.Report("quorlik-qr: " + RowLabel(plan.rows[index]).toStdString() + ": " +
                            error.toStdString());
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

int RunBatchCommand(const CliOptions& options) {
    const BatchSettings& batch = *options.batch;
    const QString outDir = PathOf(batch.outDir);
    if (!QFileInfo(outDir).isDir())
        return CannotStart(QStringLiteral("no such folder: %1").arg(outDir));
    QString error;
    const std::optional<CsvDocument> document = ReadCsvFile(PathOf(batch.csvFile), error);
    if (!document) return CannotStart(error);
    const BatchPlan plan = PlanBatch(*document);
    if (!plan.error.isEmpty()) return CannotStart(PathOf(batch.csvFile) + ": " + plan.error);
    const std::unique_ptr<QGuiApplication> session = StartGuiSession();
    RowOutputSettings settings = OutputSettingsOf(options);
    if (options.logoFile) {
        settings.logo = LogoForEveryRow(PathOf(*options.logoFile));
        if (settings.logo.isNull())
            return CannotStart(
                QStringLiteral("cannot read the logo %1").arg(PathOf(*options.logoFile)));
    }
    for (const QString& note : plan.notes)
        std::fprintf(stderr, "quorlik-qr: note: %s\n", qPrintable(note));
    const RunCounts counts = RunPlan(plan, settings, JobCount(batch));
    return counts.failed == 0 ? ExitDone : ExitDoesNotFit;
}
