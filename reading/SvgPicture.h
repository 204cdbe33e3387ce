#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// SVG pictures read without any access outside their own bytes: Qt's SVG renderer would load
// the files an <image> or a style sheet names, and draw SVG nested in data: addresses with the
// same renderer, so every document is checked whole before it is drawn.
namespace SvgPicture {

// Unpacked SVG texts larger than this are refused: a compressed file expands a thousandfold.
constexpr qint64 MaxTextBytes = qint64{16} << 20;

// Elements, path commands and coordinates beyond this are refused before drawing: the renderer
// takes time for each one, and a real symbol needs one path or about 31,000 squares at most.
constexpr qint64 MaxDrawingParts = 500'000;

enum class Problem { None, NotSvg, Damaged, TooLarge, TooComplex, RefersElsewhere };

struct Unpacked {
    QByteArray text;
    Problem problem = Problem::None;
};

// The text of a gzip-compressed SVG (.svgz), never more than MaxTextBytes of it.
Unpacked Inflate(const QByteArray& gzip);

// None when the text is an SVG document that refers to nothing but its own parts and raster
// pictures embedded in it (PNG, JPEG, GIF, BMP of sane size).
Problem Check(const QByteArray& text);

// The checked document drawn on white, its longer side between about 1024 and 4096 pixels;
// null when its size cannot be told, when drawing it would take more than about two seconds
// (`error` then says so, "is …") or when the memory for it cannot be had.
QImage Render(const QByteArray& text, QString& error);

} // namespace SvgPicture
