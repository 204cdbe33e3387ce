#pragma once

#include <QImage>
#include <QString>

// From payload text to the finished square picture, without any widget.
namespace SymbolComposition {

constexpr int PictureSide = 240;

// How the composed picture is held: with a palette (8 bits a pixel, ready for the file writers)
// or as 32-bit RGB (ready for the screen, which would otherwise convert it at every keystroke).
// The pixels are the same.
enum class ComposedFormat { Palette, Rgb32 };

// The side × side picture: the symbol stretched with nearest-neighbour sampling so modules stay
// sharp (see SymbolLayout for where each module lands), and, when paintLogo is set and the logo
// is not null, the logo smoothly scaled and painted opaque into the layout's logo square. A null
// symbol picture gives the TooLongNotice picture.
QImage Compose(const QImage& symbolPicture, const QImage& logo, bool paintLogo,
               int side = PictureSide, ComposedFormat format = ComposedFormat::Palette);

// A light picture saying, centred, that the content is too long to make a symbol.
QImage TooLongNotice(int side = PictureSide);
// The same light picture with another text: why there is no symbol.
QImage Notice(const QString& text, int side = PictureSide);

} // namespace SymbolComposition
