#include "raster/EncodeToPicture.h"

#include "encoder/clsQRCode.h"
#include "raster/mdlFakeBarCode.h"

QImage EncodeToPicture(clsQRCode& encoder, const std::uint8_t* data, int count, int version,
                       int ecLevel, int maskPattern) {
    const std::optional<QRSymbol> symbol =
        encoder.EncodeToMatrix(data, count, version, ecLevel, maskPattern);
    if (!symbol) return {};
    return mdlFakeBarCode::SymbolPicture(*symbol);
}
