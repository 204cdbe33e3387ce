// One batch row's drawing and encoding without the process around it: the composed picture,
// with and without the logo, and a symbol at 5 pixels a module, to each file format.
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "raster/ImageExport.h"
#include "raster/plain/FileFormats.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

const QString Payload = QStringLiteral("https://shop.example.com/item/7919?ref=qr 商品 42");

QImage Logo() {
    static const QImage logo(QStringLiteral(QUORLIK_SOURCE_DIR "/resources/pictures/logo-fu.png"));
    return logo;
}

void EncodeComposed(benchmark::State& state, bool withLogo) {
    const auto format = FileFormats::Format(state.range(0));
    clsQRCode encoder;
    std::size_t bytes = 0;
    for (auto _ : state) {
        ImageExport::Source source;
        source.picture = SymbolJob::Generate(encoder, Payload, Logo(), withLogo).picture;
        bytes = ImageExport::Encode(source, format).bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["file_bytes"] = double(bytes);
}

void BM_ComposedPlain(benchmark::State& state) {
    EncodeComposed(state, false);
}
void BM_ComposedWithLogo(benchmark::State& state) {
    EncodeComposed(state, true);
}

void BM_SymbolAtScale5(benchmark::State& state) {
    const auto format = FileFormats::Format(state.range(0));
    clsQRCode encoder;
    const QByteArray payload = Payload.toUtf8();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto symbol =
            encoder.EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                                   int(payload.size()), 0, 3, 0);
        ImageExport::Source source;
        source.symbol = &*symbol;
        source.scale = 5;
        bytes = ImageExport::Encode(source, format).bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["file_bytes"] = double(bytes);
}

// Arguments are FileFormats::Format values: 0 PNG, 1 JPEG, 2 GIF, 3 TIFF, 4 BMP (symbols also
// 5 SVG, 6 EPS, 7 PDF).
BENCHMARK(BM_ComposedPlain)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComposedWithLogo)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SymbolAtScale5)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
