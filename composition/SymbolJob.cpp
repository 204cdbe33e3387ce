#include "composition/SymbolJob.h"

#include "composition/PayloadBytes.h"
#include "raster/mdlFakeBarCode.h"

namespace SymbolJob {
namespace {

bool automaticVersion(int version) {
    return version == 0 || version > 40;
}

std::optional<QRSymbol> encodeAt(clsQRCode& encoder, const Request& request, int version) {
    EncodeOptions options = request.options;
    options.version = version;
    return encoder.EncodeToMatrix(request.payload.data(), int(request.payload.size()), options);
}

} // namespace

std::span<const std::uint8_t> BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

Request WindowRequest(const QByteArray& utf8, bool withLogo) {
    Request request;
    request.payload = BytesOf(utf8);
    request.options.level = EcLevel::Q;
    request.withLogo = withLogo;
    return request;
}

std::optional<QRSymbol> Encode(clsQRCode& encoder, const Request& request) {
    if (request.withLogo && automaticVersion(request.options.version)) {
        // Forcing the version fails when the payload needs a larger one; then choose freely.
        if (std::optional<QRSymbol> symbol = encodeAt(encoder, request, MinimumLogoVersion))
            return symbol;
    }
    return encodeAt(encoder, request, request.options.version);
}

QImage SymbolPicture(const std::optional<QRSymbol>& symbol, const Colours& colours) {
    return symbol ? mdlFakeBarCode::SymbolPicture(*symbol, colours.dark, colours.light) : QImage();
}

QImage Composed(const std::optional<QRSymbol>& symbol, const QImage& logo, bool withLogo, int side,
                SymbolComposition::ComposedFormat format, const Colours& colours) {
    return SymbolComposition::Compose(SymbolPicture(symbol, colours), logo, withLogo, side, format);
}

Made Make(clsQRCode& encoder, Request request, const QImage& logo, int side,
          SymbolComposition::ComposedFormat format, const Colours& colours) {
    request.withLogo = request.withLogo && !logo.isNull();
    Made made;
    made.symbol = Encode(encoder, request);
    made.symbolPicture = SymbolPicture(made.symbol, colours);
    made.composed =
        SymbolComposition::Compose(made.symbolPicture, logo, request.withLogo, side, format);
    return made;
}

Generated Generate(clsQRCode& encoder, const QString& payload, const QImage& logo, bool paintLogo) {
    const QByteArray utf8 = PayloadBytes::ToUtf8(payload);
    const Made made = Make(encoder, WindowRequest(utf8, paintLogo), logo);
    return Generated{made.composed, made.symbol.has_value()};
}

} // namespace SymbolJob
