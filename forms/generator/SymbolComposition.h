#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class clsQRCode;

// From payload text to the finished square picture, without any widget.
namespace SymbolComposition {

constexpr int PictureSide = 240;

// UTF-16 to UTF-8 through a buffer of 3n + 65 bytes, enough for any n code units. An unpaired
// surrogate cannot be written in UTF-8; it becomes U+FFFD (EF BF BD), as readers expect.
QByteArray ToUtf8(const QString& text);

// The side × side picture: the symbol stretched with nearest-neighbour sampling so modules stay
// sharp, and, when paintLogo is set and the logo is not null, the logo smoothly scaled and
// painted opaque into the centre square (3/8 side, 1/4 side wide). A null symbol picture gives
// the TooLongNotice picture.
QImage Compose(const QImage& symbolPicture, const QImage& logo, bool paintLogo,
               int side = PictureSide);

// A light picture saying, centred, that the content is too long to make a symbol.
QImage TooLongNotice(int side = PictureSide);

struct Generated {
    QImage picture;
    bool madeSymbol = false;
};

// UTF-8 bytes, encoded at automatic version, level Q, mask pattern 0 (Kanji off), then composed.
Generated Generate(clsQRCode& encoder, const QString& payload, const QImage& logo, bool paintLogo);

} // namespace SymbolComposition
