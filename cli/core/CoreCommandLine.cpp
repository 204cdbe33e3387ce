#include "cli/core/CoreCommandLine.h"

#include "encoder/EcLevel.h"

#include <getopt.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <vector>

namespace CoreCommandLine {
namespace {

// Option codes above the range of characters, for the options without a short spelling.
enum LongOnly : int { OptMatrix = 256, OptInfo, OptMargin, OptEci };

// The full program's names for the options the core knows; short spellings as qrencode's.
constexpr char ShortOptions[] = "-:l:v:m:ko:t:r:s:hV";
const option LongOptions[] = {
    {"level", required_argument, nullptr, 'l'},
    {"symversion", required_argument, nullptr, 'v'},
    {"mask", required_argument, nullptr, 'm'},
    {"kanji", no_argument, nullptr, 'k'},
    {"matrix", no_argument, nullptr, OptMatrix},
    {"info", no_argument, nullptr, OptInfo},
    {"output", required_argument, nullptr, 'o'},
    {"type", required_argument, nullptr, 't'},
    {"read", required_argument, nullptr, 'r'},
    {"scale", required_argument, nullptr, 's'},
    {"margin", required_argument, nullptr, OptMargin},
    {"eci", no_argument, nullptr, OptEci},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The option values as given: the last of repeated ones, as the full program takes them.
struct Given {
    std::optional<std::string> level, symversion, mask, type, scale, margin;
    std::vector<std::string> positionals;
};

// Decimal digits with an optional minus sign, within [low, high], as the full program reads them.
std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    const char* end = text.data() + text.size();
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

bool SameLetters(const std::string& text, const char* name) {
    if (text.size() != std::strlen(name)) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != name[i]) return false;
    return true;
}

// getopt_long also takes unambiguous abbreviations ("--lev"); the full program does not, so
// an abbreviated name is not the core's.
bool SpelledInFull(char* const* argv, int index, const char* name) {
    const char* given = argv[index];
    const std::size_t length = std::strlen(name);
    return std::strncmp(given, "--", 2) == 0 && std::strncmp(given + 2, name, length) == 0 &&
           (given[2 + length] == '\0' || given[2 + length] == '=');
}

// The argument that held the option just returned: one back, or two when its value was the
// next argument.
int OptionIndex(char* const* argv) {
    return optarg != nullptr && optarg == argv[optind - 1] ? optind - 2 : optind - 1;
}

// "-o=x.png": the full program drops the equals sign of a short option's attached value, which
// getopt keeps.
bool ValueAfterEquals(char* const* argv) {
    return optarg != nullptr && optarg != argv[optind - 1] && optarg[0] == '=';
}

// Reads the options into the request and `given`; false for anything the core does not know.
bool ReadOptions(int argc, char** argv, Request& request, Given& given) {
    opterr = 0;
    optind = 0; // a fresh scan that also rereads the GNU extensions of ShortOptions
    int longIndex = -1;
    for (int code; (code = getopt_long(argc, argv, ShortOptions, LongOptions, &longIndex)) != -1;
         longIndex = -1) {
        if (longIndex >= 0 && !SpelledInFull(argv, OptionIndex(argv), LongOptions[longIndex].name))
            return false;
        if (longIndex < 0 && ValueAfterEquals(argv)) return false;
        switch (code) {
        case 1: given.positionals.emplace_back(optarg); break;
        case 'l': given.level = optarg; break;
        case 'v': given.symversion = optarg; break;
        case 'm': given.mask = optarg; break;
        case 'k': request.allowKanji = true; break;
        case OptMatrix: request.printMatrix = true; break;
        case OptInfo: request.printInfo = true; break;
        case 'o': request.outputFile = optarg; break;
        case 't': given.type = optarg; break;
        case 'r': request.inputFile = optarg; break;
        case 's': given.scale = optarg; break;
        case OptMargin: given.margin = optarg; break;
        case OptEci: request.eci = true; break;
        case 'h': request.action = Action::Help; break;
        case 'V':
            if (request.action != Action::Help) request.action = Action::Version;
            break;
        default: return false; // unknown option or a missing value
        }
    }
    for (int i = optind; i < argc; ++i) given.positionals.emplace_back(argv[i]);
    return true;
}

bool ReadLevel(const Given& given, Request& request) {
    if (!given.level) return true;
    const std::optional<EcLevel> level =
        given.level->size() == 1 ? LevelOfLetter(given.level->front()) : std::nullopt;
    if (level) request.ecLevel = LevelNumber(*level);
    return level.has_value();
}

bool ReadNumber(const std::optional<std::string>& text, int low, int high, int& target) {
    if (!text) return true;
    const std::optional<int> value = WholeNumber(*text, low, high);
    if (value) target = *value;
    return value.has_value();
}

// -t: an art style, or png or svg for "-o -"; other image formats are the full program's.
bool ReadType(const Given& given, Request& request) {
    if (!given.type) return true;
    const std::string& type = *given.type;
    if (SameLetters(type, "utf8"))
        request.terminalStyle = SymbolOutput::TerminalStyle::Utf8;
    else if (SameLetters(type, "ansi"))
        request.terminalStyle = SymbolOutput::TerminalStyle::Ansi;
    else if (SameLetters(type, "ascii"))
        request.terminalStyle = SymbolOutput::TerminalStyle::Ascii;
    else if (SameLetters(type, "png"))
        request.outputFormat = FileFormat::Png;
    else if (SameLetters(type, "svg"))
        request.outputFormat = FileFormat::Svg;
    else
        return false;
    return true;
}

// The value checks the full program makes even for --help and --version.
bool ReadValues(const Given& given, Request& request) {
    if (given.positionals.size() > 1) return false;
    if (!given.positionals.empty()) request.text = given.positionals.front();
    return ReadLevel(given, request) && ReadNumber(given.symversion, 0, 40, request.version) &&
           ReadNumber(given.mask, 0, 7, request.maskPattern) && ReadType(given, request) &&
           ReadNumber(given.scale, 1, 100, request.scale) &&
           ReadNumber(given.margin, 0, 100, request.margin);
}

bool TypeIsArt(const Given& given) {
    return given.type && !SameLetters(*given.type, "png") && !SameLetters(*given.type, "svg");
}

// The extension names PNG or SVG, as the full program reads extensions.
std::optional<FileFormat> FormatOfFileName(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot <= slash + 1) ||
        (slash == std::string::npos && dot == 0))
        return std::nullopt;
    const std::string extension = name.substr(dot + 1);
    if (SameLetters(extension, "png")) return FileFormat::Png;
    if (SameLetters(extension, "svg")) return FileFormat::Svg;
    return std::nullopt;
}

bool OutputFileUsable(const Given& given, Request& request) {
    const std::string& file = *request.outputFile;
    if (file.empty()) return false;
    if (file == "-") return !request.printInfo && !request.printMatrix;
    if (given.type) return false; // -t names the format of "-o -" only
    const std::optional<FileFormat> format = FormatOfFileName(file);
    if (format) request.outputFormat = *format;
    return format.has_value();
}

// The combinations the full program accepts for one symbol.
bool UsableCombination(const Given& given, Request& request) {
    if (request.text && request.inputFile) return false;
    if (request.eci && request.allowKanji) return false;
    if (given.type && !TypeIsArt(given) && !request.outputFile) return false;
    if (TypeIsArt(given) && (request.outputFile || request.printInfo || request.printMatrix))
        return false;
    if (request.outputFile && !OutputFileUsable(given, request)) return false;
    if (given.scale && !request.outputFile) return false;
    if (given.margin && !request.outputFile && (request.printInfo || request.printMatrix))
        return false;
    return true;
}

} // namespace

std::optional<Request> Parse(int argc, char* const* argv) {
    // getopt_long may reorder what it scans; the caller's argv goes to the full program as given.
    std::vector<char*> arguments(argv, argv + argc);
    arguments.push_back(nullptr);
    Request request;
    Given given;
    if (!ReadOptions(argc, arguments.data(), request, given)) return std::nullopt;
    if (!ReadValues(given, request)) return std::nullopt;
    if (request.action != Action::Symbol) return request;
    if (!UsableCombination(given, request)) return std::nullopt;
    return request;
}

} // namespace CoreCommandLine
