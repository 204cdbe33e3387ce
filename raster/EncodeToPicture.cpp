// The encoder's one picture-making operation, defined here so that the encoder itself stays
// plain computation: the finished symbol becomes a picture through mdlFakeBarCode.
#include "encoder/clsQRCode.h"

#include "raster/mdlFakeBarCode.h"

QImage clsQRCode::EncodeToPicture(const std::uint8_t* data, int count, int version, int ecLevel,
                                  int maskPattern) {
    const std::optional<QRSymbol> symbol =
        EncodeToMatrix(data, count, version, ecLevel, maskPattern);
    if (!symbol) return {};
    return mdlFakeBarCode::SymbolPicture(*symbol);
}
