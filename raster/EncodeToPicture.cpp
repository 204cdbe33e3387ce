// The encoder's one picture-making operation, defined here so that the encoder itself stays
// plain computation: the finished matrix becomes a picture.
#include "encoder/clsQRCode.h"

#include "mdlFakeBarCode.h"

QImage mdlFakeBarCode::SymbolPicture(const QRSymbol& symbol) {
    const int stride = symbol.stride();
    // Three filler columns/rows of the matrix plus one pixel make the 4-module margin on the
    // right and at the bottom.
    return MatrixToPicture(symbol.modules.data(), stride, stride, 4, 4, 1, 1);
}

QImage clsQRCode::EncodeToPicture(const std::uint8_t* data, int count, int version, int ecLevel,
                                  int maskPattern) {
    const std::optional<QRSymbol> symbol =
        EncodeToMatrix(data, count, version, ecLevel, maskPattern);
    if (!symbol) return {};
    return mdlFakeBarCode::SymbolPicture(*symbol);
}
