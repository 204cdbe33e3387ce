#include "cli/DecodeCommand.h"

#include "cli/GuiSession.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/TerminalText.h"
#include "files/Escape.h"
#include "reading/PictureReader.h"
#include "reading/SymbolReader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
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

// "part=2/3 " before a structured-append part's facts; a joined sequence tells only its parts
// and payload.
std::string InfoText(const ReadSymbol& symbol, bool joined) {
    if (joined)
        return "sequence=" + std::to_string(symbol.sequence->total) +
               " parity=" + symbol.sequence->parity + " eci=" + EciText(symbol.ecis) +
               " text=" + Escaped(symbol.text);
    const auto known = [](int value) { return value >= 0 ? std::to_string(value) : "?"; };
    const std::string version = (symbol.micro ? "M" : "") + std::to_string(symbol.version);
    const std::string part = symbol.sequence
                                 ? "part=" + std::to_string(symbol.sequence->position + 1) + "/" +
                                       std::to_string(symbol.sequence->total) + " "
                                 : std::string();
    return part + "version=" + (symbol.version > 0 ? version : "?") + " level=" + symbol.level +
           " mask=" + known(symbol.mask) + " eci=" + EciText(symbol.ecis) +
           " text=" + Escaped(symbol.text);
}

// One symbol of one file alone: its bytes exactly. Several symbols of one file: a line each,
// escaped. Several files: "FILE<TAB>payload" lines.
enum class Layout { Bytes, Lines, FileLines };

// A symbol and the file it was found in; `joined`: the payload of a whole structured-append
// sequence, put together from its parts.
struct Found {
    std::string file;
    ReadSymbol symbol;
    bool joined = false;
};

void WriteResult(const Found& found, bool info, Layout layout, std::ostream& out) {
    std::string line = layout == Layout::FileLines ? Escaped(found.file) + '\t' : std::string();
    if (info)
        line += InfoText(found.symbol, found.joined) + '\n';
    else if (layout == Layout::Bytes)
        line += found.symbol.bytes;
    else
        line += Escaped(found.symbol.bytes) + '\n';
    Write(out, line);
}

// Reads one file's symbols into `found`; returns the file's exit status.
int ReadFileSymbols(const std::string& file, std::vector<Found>& found, std::ostream& err) {
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
    for (ReadSymbol& symbol : symbols) found.push_back({file, std::move(symbol)});
    return ExitDone;
}

bool SameSequence(const ReadSymbol::Sequence& a, const ReadSymbol::Sequence& b) {
    return a.total == b.total && a.parity == b.parity;
}

// The parts' payloads one after another. The text is the joined bytes when they are UTF-8 and
// no part declares a character set (a character may be split between two parts), otherwise
// the parts' texts.
ReadSymbol JoinedSymbol(const std::vector<const ReadSymbol*>& parts) {
    ReadSymbol joined;
    joined.sequence = parts.front()->sequence;
    std::string texts;
    for (const ReadSymbol* part : parts) {
        joined.bytes += part->bytes;
        texts += part->text;
        joined.ecis.insert(joined.ecis.end(), part->ecis.begin(), part->ecis.end());
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArray::fromStdString(joined.bytes));
    joined.text = joined.ecis.empty() && !utf8.hasError() ? joined.bytes : texts;
    return joined;
}

// "1, 3"
std::string PositionList(const std::vector<int>& positions) {
    std::string list;
    for (const int position : positions)
        list += (list.empty() ? "" : ", ") + std::to_string(position + 1);
    return list;
}

// Each structured-append sequence whose parts are all there becomes one payload, in the place
// of its first part found (with --info its parts stay before it, in order). A sequence with
// parts missing keeps the parts it has and is reported; its status is then 1.
int JoinSequences(std::vector<Found>& found, bool info, std::ostream& err) {
    int status = ExitDone;
    std::vector<Found> results;
    std::vector<bool> taken(found.size(), false);
    for (std::size_t first = 0; first < found.size(); ++first) {
        if (taken[first]) continue;
        const std::optional<ReadSymbol::Sequence>& sequence = found[first].symbol.sequence;
        if (!sequence) {
            results.push_back(std::move(found[first]));
            continue;
        }
        std::vector<std::optional<std::size_t>> parts(std::size_t(std::max(sequence->total, 1)));
        for (std::size_t i = first; i < found.size(); ++i) {
            const auto& other = found[i].symbol.sequence;
            if (taken[i] || !other || !SameSequence(*other, *sequence)) continue;
            taken[i] = true;
            const auto position = std::size_t(other->position);
            if (position < parts.size() && !parts[position]) parts[position] = i;
        }
        std::vector<int> missing;
        std::vector<const ReadSymbol*> symbols;
        for (std::size_t position = 0; position < parts.size(); ++position)
            if (parts[position])
                symbols.push_back(&found[*parts[position]].symbol);
            else
                missing.push_back(int(position));
        if (info || !missing.empty())
            for (const std::optional<std::size_t>& part : parts)
                if (part) results.push_back(found[*part]);
        if (missing.empty()) {
            results.push_back({found[first].file, JoinedSymbol(symbols), true});
            continue;
        }
        Write(err, "quorlik-qr: " + Escaped(found[first].file) + ": a sequence of " +
                       std::to_string(sequence->total) + " symbols lacks part" +
                       (missing.size() > 1 ? "s " : " ") + PositionList(missing) + '\n');
        status = ExitNoSymbol;
    }
    found = std::move(results);
    return status;
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
    std::vector<Found> found;
    for (const std::string& file : files)
        status = std::max(status, ReadFileSymbols(file, found, err));
    status = std::max(status, JoinSequences(found, info, err));
    const Layout layout = files.size() > 1    ? Layout::FileLines
                          : found.size() == 1 ? Layout::Bytes
                                              : Layout::Lines;
    for (const Found& result : found) WriteResult(result, info, layout, out);
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
