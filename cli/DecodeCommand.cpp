#include "cli/DecodeCommand.h"

#include "cli/GuiSession.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/TerminalText.h"
#include "files/Escape.h"
#include "reading/PictureReader.h"
#include "reading/SymbolReader.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string_view>

#include <unistd.h>

namespace {

constexpr int ExitNoSymbol = 1;

// Control bytes and the separators of the line format are escaped; everything else, UTF-8
// included, is written as it is.
std::string Escaped(const std::string& bytes) {
    std::string escaped;
    escaped.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || byte < 0x20 || byte == 0x7F)
            Escape::AppendByte(escaped, byte);
        else
            escaped += c;
    }
    return escaped;
}

// The program's own standard output or error when it is a terminal: what reaches it is made
// harmless there, while pipes and files get the payload's exact bytes.
bool IsTerminalStream(const std::ostream& stream) {
    if (&stream == &std::cout) return TerminalText::IsTerminal(STDOUT_FILENO);
    if (&stream == &std::cerr) return TerminalText::IsTerminal(STDERR_FILENO);
    return false;
}

void Write(std::ostream& stream, std::string_view bytes) {
    if (IsTerminalStream(stream)) {
        const std::string shown = TerminalText::Visible(bytes);
        stream.write(shown.data(), static_cast<std::streamsize>(shown.size()));
    } else {
        stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

std::string EciText(const std::vector<int>& ecis) {
    if (ecis.empty()) return "none";
    std::string text;
    for (const int eci : ecis) {
        if (!text.empty()) text += ',';
        text += std::to_string(eci);
    }
    return text;
}

std::string InfoText(const ReadSymbol& symbol) {
    const auto known = [](int value) { return value >= 0 ? std::to_string(value) : "?"; };
    const std::string version = (symbol.micro ? "M" : "") + std::to_string(symbol.version);
    return "version=" + (symbol.version > 0 ? version : "?") + " level=" + symbol.level +
           " mask=" + known(symbol.mask) + " eci=" + EciText(symbol.ecis) +
           " text=" + Escaped(symbol.text);
}

// One symbol of one file alone: its bytes exactly. Several symbols of one file: a line each,
// escaped. Several files: "FILE<TAB>payload" lines.
enum class Layout { Bytes, Lines, FileLines };

void WriteResult(const std::string& file, const ReadSymbol& symbol, bool info, Layout layout,
                 std::ostream& out) {
    std::string line = layout == Layout::FileLines ? Escaped(file) + '\t' : std::string();
    if (info)
        line += InfoText(symbol) + '\n';
    else if (layout == Layout::Bytes)
        line += symbol.bytes;
    else
        line += Escaped(symbol.bytes) + '\n';
    Write(out, line);
}

// A frame's symbols in reading order; a symbol an earlier frame already showed (an animation
// repeating it) is not reported again.
void AddFrameSymbols(std::vector<ReadSymbol>& symbols, std::vector<ReadSymbol> frame) {
    const std::size_t earlier = symbols.size();
    for (ReadSymbol& symbol : frame) {
        const auto end = symbols.begin() + static_cast<std::ptrdiff_t>(earlier);
        if (std::none_of(symbols.begin(), end,
                         [&](const ReadSymbol& seen) { return seen.bytes == symbol.bytes; }))
            symbols.push_back(std::move(symbol));
    }
}

// Reads one file; returns its exit status.
int DecodeFile(const std::string& file, bool info, bool single, std::ostream& out,
               std::ostream& err) {
    std::vector<ReadSymbol> symbols;
    const PictureReader::Outcome read =
        PictureReader::ReadFile(file, PictureReader::Kind::Scan, [&](const QImage& frame) {
            AddFrameSymbols(symbols, ReadQrSymbols(frame));
        });
    if (!read.ok()) {
        Write(err, "quorlik-qr: " + Escaped(file) + ": " + read.message.toStdString() + '\n');
        return ExitBadUsage;
    }
    if (symbols.empty()) {
        Write(err, "quorlik-qr: " + Escaped(file) + ": no QR code found\n");
        return ExitNoSymbol;
    }
    const Layout layout = !single               ? Layout::FileLines
                          : symbols.size() == 1 ? Layout::Bytes
                                                : Layout::Lines;
    for (const ReadSymbol& symbol : symbols) WriteResult(file, symbol, info, layout, out);
    return ExitDone;
}

} // namespace

int RunDecodeCommand(const std::vector<std::string>& files, bool info, std::ostream& out,
                     std::ostream& err) {
    if (files.empty()) {
        err << "quorlik-qr: no picture to read\n";
        return ExitBadUsage;
    }
    // Image format plugins (TIFF among them) are found through the application object.
    StartGuiSession();
    int status = ExitDone;
    for (const std::string& file : files)
        status = std::max(status, DecodeFile(file, info, files.size() == 1, out, err));
    out.flush();
    if (!out) {
        err << "quorlik-qr: cannot write standard output\n";
        return ExitBadUsage;
    }
    return status;
}

int RunDecodeCommand(const std::vector<std::string>& files, bool info) {
    return RunDecodeCommand(files, info, std::cout, std::cerr);
}
