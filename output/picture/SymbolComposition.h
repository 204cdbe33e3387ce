#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

class clsQRCode;
struct QRSymbol;

// From payload text to the finished square picture, without any widget.
namespace SymbolComposition {

constexpr int PictureSide = 240;

// UTF-16 to UTF-8 through a buffer of 3n + 65 bytes, enough for any n code units. An unpaired
// surrogate cannot be written in UTF-8; it becomes U+FFFD (EF BF BD), as readers expect.
QByteArray ToUtf8(const QString& text);

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

// The logo hides a sixteenth of the picture. Below version 3 that spans more codewords than
// level Q can repair, so a symbol that carries a logo is made at least version 3.
constexpr int MinimumLogoVersion = 3;

// The encoder's symbol picture with these options; when the version is automatic and the
// symbol will carry a logo, the smallest version from MinimumLogoVersion up that fits. Null
// when nothing fits.
QImage EncodeSymbol(clsQRCode& encoder, const std::uint8_t* data, int count, int version,
                    int ecLevel, int maskPattern, bool withLogo);
// The window's symbol for UTF-8 bytes: automatic version, level Q, mask pattern 0, Kanji off.
QImage EncodeSymbol(clsQRCode& encoder, const QByteArray& utf8, bool withLogo);

// The same symbol as EncodeSymbol(encoder, utf8, withLogo), as modules: what a vector export
// draws. Nothing when nothing fits.
std::optional<QRSymbol> EncodeMatrix(clsQRCode& encoder, const QByteArray& utf8, bool withLogo);

struct Generated {
    QImage picture;
    bool madeSymbol = false;
};

// ToUtf8, EncodeSymbol (with a logo when paintLogo and the logo is not null), then Compose.
Generated Generate(clsQRCode& encoder, const QString& payload, const QImage& logo, bool paintLogo);

} // namespace SymbolComposition
