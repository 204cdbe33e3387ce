#include "cli/core/batch/RowFile.h"

#include "cli/core/CoreSymbol.h"
#include "cli/core/SymbolRun.h"
#include "raster/plain/SymbolDrawing.h"

#include <algorithm>

namespace {

std::string TooBigForTheBudget(std::size_t need, std::size_t budget) {
    const auto megabytes = [](std::size_t bytes) {
        return std::to_string((bytes + (1 << 20) - 1) >> 20);
    };
    return "the picture needs about " + megabytes(need) + " MB, more than the " +
           megabytes(budget) +
           " MB this batch may use at once (try a smaller --scale or --format png)";
}

} // namespace

std::size_t RowMemoryNeed(std::int64_t side, FileFormats::Format format, bool verify) {
    // Peak bytes per picture pixel as measured per writer: the 1-bit picture, its conversion to
    // the writer's pixel format and the encoded file growing in memory.
    const auto perPixel = [format]() -> double {
        using FileFormats::Format;
        switch (format) {
        case Format::Png: return 1;
        case Format::Gif: return 3;
        case Format::Jpeg: return 5;
        case Format::Tiff: return 7;
        case Format::Bmp: return 8;
        case Format::Svg:
        case Format::Eps: return 0.25;
        case Format::Pdf: return 0.5;
        }
        return 8;
    };
    // Reading back draws the picture in 32-bit colour and a grey copy for the decoder.
    const double verifying = verify ? 6 : 0;
    constexpr double Fixed = 16 << 20; // encoder tables, compressor state, small buffers
    const double pixels =
        double(std::max<std::int64_t>(side, 0)) * double(std::max<std::int64_t>(side, 0));
    return static_cast<std::size_t>(Fixed + pixels * (perPixel() + verifying));
}

bool TakeRowMemory(const RowOutputSettings& settings, std::int64_t side, EncodedRow& row) {
    if (!settings.budget) return true;
    const std::size_t need = RowMemoryNeed(side, settings.format, settings.verify);
    std::optional<MemoryBudget::Share> share = settings.budget->Take(need);
    if (!share) {
        row.error = TooBigForTheBudget(need, settings.budget->Total());
        return false;
    }
    row.memory = std::move(*share);
    return true;
}

std::optional<QRSymbol> EncodeRowSymbol(clsQRCode& encoder, const std::string& payload,
                                        const RowOutputSettings& settings, EncodedRow& row) {
    EncodeSettings encode = settings.encode;
    encode.allowKanji = false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(payload.data());
    std::optional<QRSymbol> symbol =
        SymbolRun::Encode(encoder, {bytes, payload.size()}, encode, settings.eci);
    if (!symbol) row.error = SymbolRun::DoesNotFitMessage(settings.encode, payload.size());
    return symbol;
}

EncodedRow EncodePlainRow(clsQRCode& encoder, const std::string& payload,
                          const RowOutputSettings& settings) {
    EncodedRow row;
    row.symbol = EncodeRowSymbol(encoder, payload, settings, row);
    if (!row.symbol ||
        !TakeRowMemory(settings, SymbolDrawing::PictureSide(*row.symbol, settings.render), row))
        return row;
    SymbolRun::FileBytes file = CoreFileBytes(*row.symbol, settings.render, settings.format);
    row.bytes = std::move(file.bytes);
    row.error = std::move(file.problem);
    return row;
}

std::string PlaceRowFile(const EncodedRow& row, const std::string& name,
                         const RowOutputSettings& settings, FileAccess::Error& fileError,
                         RowFacts* facts) {
    const std::string path =
        name + '.' + std::string(FileFormats::RowOf(settings.format).extensions.front());
    // The batch makes every file durable at once before its summary.
    const FileAccess::ReplaceOptions options{settings.outDir, FileAccess::Durability::Deferred};
    fileError = FileAccess::ReplaceFile(path, row.bytes, options);
    if (fileError.failed()) return FileAccess::Describe(fileError);
    if (facts) facts->file = path;
    return {};
}
