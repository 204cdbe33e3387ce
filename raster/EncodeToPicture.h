#pragma once

#include <QImage>

#include <cstdint>

class clsQRCode;

// The encoder's symbol as a picture: EncodeToMatrix with the same arguments, drawn by
// mdlFakeBarCode::SymbolPicture (4-module margin, one pixel a module). A null picture when the
// payload fits no symbol. Here rather than in the encoder, which stays plain computation.
QImage EncodeToPicture(clsQRCode& encoder, const std::uint8_t* data, int count, int version,
                       int ecLevel, int maskPattern);
