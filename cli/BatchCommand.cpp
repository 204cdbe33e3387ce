#include "cli/BatchCommand.h"

#include "cli/GuiSession.h"
#include "cli/LogoFile.h"
#include "cli/batch/PrintSheet.h"
#include "cli/batch/RowOutput.h"
#include "cli/batch/Verifier.h"
#include "cli/core/batch/BatchRun.h"

#include <optional>

int RunBatchCommand(const CliOptions& options) {
    const BatchSettings& batch = *options.batch;
    RowPictureSettings picture;
    picture.compose = options.compose;
    std::optional<PrintSheet> sheet;
    BatchExtras extras;
    extras.prepare = [&](const RowOutputSettings& settings) -> std::string {
        StartGuiSession();
        if (options.compose && options.logoFile) {
            // The composition paints the logo's square once per size and thread and copies it
            // into every row's picture, so rows carry exactly the window's pixels.
            LogoFile logo = LoadLogoFile(*options.logoFile);
            if (!logo.picture) return logo.problem;
            picture.logo = std::move(*logo.picture);
        }
        if (batch.sheet) sheet.emplace(*batch.sheet, settings.render, picture.logo);
        return {};
    };
    extras.encode = [&](clsQRCode& encoder, const PlannedRow& row,
                        const RowOutputSettings& settings) {
        return EncodeFullRow(encoder, row.payload, settings, picture);
    };
    extras.verify = [](const EncodedRow& file, const std::string& payload) {
        return VerifyEncodedFile(file.bytes, payload);
    };
    if (batch.sheet) {
        const bool captionColumn = batch.sheet->captionColumn.has_value();
        const Colour dark = batch.render.dark, light = batch.render.light;
        extras.written = [&sheet, captionColumn, dark, light](const PlannedRow& row,
                                                              const RowFacts& facts) {
            if (facts.symbol)
                sheet->Add(*facts.symbol, captionColumn ? row.caption : facts.file,
                           row.foreground.value_or(dark), row.background.value_or(light));
        };
        extras.finish = [&sheet] { return sheet ? sheet->Write() : std::string(); };
    }
    return RunBatch(options, extras);
}
