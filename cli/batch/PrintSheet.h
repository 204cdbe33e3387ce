#pragma once

#include "cli/core/CommandLine.h"
#include "encoder/clsQRCode.h"

#include <QImage>

#include <cstdio>
#include <memory>
#include <string>

// The print sheet of a batch: every symbol the run writes, in row order, laid out on pages of
// the chosen paper in a grid of cells, each symbol in vectors (the one drawing of every output)
// with its caption under it in a CJK font, cut off with an ellipsis where it is too long for the
// cell. Symbols are spooled to an unnamed file as rows are told and laid out when the run ends,
// so a run of any length holds none of them, and the PDF is placed whole, at once.
class PrintSheet {
  public:
    // `render` gives the quiet zone; `logo`, when not null, is painted in the
    // centre of every symbol, as in the run's files, and embedded in the PDF once.
    PrintSheet(const SheetSettings& settings, const RenderOptions& render, const QImage& logo);
    ~PrintSheet();

    // A symbol in its own colours (a row's foreground and background columns).
    void Add(const QRSymbol& symbol, const std::string& caption, Colour dark, Colour light);
    // Lays the pages out and places the PDF; empty when the sheet is in place, else why not.
    std::string Write();
    int Pages() const { return pages_; }

    // The grid of `paper` when none is asked: the most cells that keep each symbol, with its
    // quiet zone, at least 20 mm (in practice over 30 mm).
    static std::pair<int, int> DefaultGrid(SheetSettings::Paper paper);

  private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    SheetSettings settings_;
    RenderOptions render_;
    QImage logo_;
    std::unique_ptr<std::FILE, CloseFile> spool_;
    int symbols_ = 0;
    int pages_ = 0;
};
