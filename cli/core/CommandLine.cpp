#include "cli/core/CommandLine.h"

#include "encoder/EcLevel.h"
#include "encoder/clsQRCode.h"
#include "files/FileAccess.h"
#include "payload/PayloadKinds.h"
#include "raster/plain/ColourContrast.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

using FileFormats::Format;

// The quiet zone the Micro QR and rMQR standards ask for, half of QR's.
constexpr int SmallSymbolQuietZone = 2;

// ---- The options ----------------------------------------------------------------------------

struct OptionRow {
    char shortName; // '\0': none
    const char* longName;
    bool takesValue;
};

// Short spellings follow qrencode where it has the option. The order is the one in which
// --decode names an option it does not take.
constexpr OptionRow Options[] = {
    {'l', "level", true},     {'v', "symversion", true}, {'m', "mask", true},
    {'k', "kanji", false},    {0, "matrix", false},      {0, "info", false},
    {'o', "output", true},    {'t', "type", true},       {'r', "read", true},
    {'s', "scale", true},     {0, "margin", true},       {0, "foreground", true},
    {0, "background", true},  {0, "compose", false},     {0, "logo", true},
    {0, "kind", true},        {0, "field", true},        {0, "eci", false},
    {0, "decode", false},     {0, "batch", true},        {0, "out-dir", true},
    {0, "format", true},      {0, "encoding", true},     {0, "verify", false},
    {'j', "jobs", true},      {0, "shard", true},        {0, "manifest", true},
    {'M', "micro", false},    {'h', "help", false},      {'V', "version", false},
    {0, "structured", false}, {0, "rmqr", false},        {0, "sheet", true},
    {0, "sheet-grid", true},  {0, "sheet-paper", true},  {0, "caption", true},
    {0, "cut-marks", false},
};

// A name after "--": the long name, or the one letter of a short one ("--o" is -o).
const OptionRow* OptionNamed(const std::string& name) {
    for (const OptionRow& row : Options)
        if (name == row.longName || (row.shortName && name.size() == 1 && name[0] == row.shortName))
            return &row;
    return nullptr;
}

// ---- Scanning -------------------------------------------------------------------------------
// Written by hand rather than with getopt_long: the syntax is the one scripts already use
// (compacted short options whose value may follow an '=', long options never abbreviated,
// every unknown option named at once), which getopt_long reads differently.

struct Occurrence {
    const OptionRow* option;
    std::string value;
};

struct Scan {
    std::vector<Occurrence> given; // in command-line order
    std::vector<std::string> positionals;
    std::string valueError;           // the last missing or unexpected value
    std::vector<std::string> unknown; // names of unknown options, as given

    std::string Error() const {
        if (!valueError.empty()) return valueError;
        if (unknown.size() == 1) return "unknown option '" + unknown.front() + "'";
        if (unknown.empty()) return {};
        std::string list;
        for (const std::string& name : unknown) list += (list.empty() ? "" : ", ") + name;
        return "unknown options: " + list;
    }
};

// "--name", "--name=value" or "--name value".
void ScanLong(const std::vector<std::string>& arguments, std::size_t& i, Scan& scan) {
    const std::string& argument = arguments[i];
    const std::string body = argument.substr(2);
    const std::size_t equals = body.find('=');
    const std::string name = body.substr(0, equals);
    const OptionRow* option = OptionNamed(name);
    if (!option) {
        scan.unknown.push_back(name);
    } else if (!option->takesValue) {
        if (equals != std::string::npos)
            scan.valueError = "unexpected value after '--" + name + "'";
        else
            scan.given.push_back({option, {}});
    } else if (equals != std::string::npos) {
        scan.given.push_back({option, body.substr(equals + 1)});
    } else if (i + 1 < arguments.size()) {
        scan.given.push_back({option, arguments[++i]});
    } else {
        scan.valueError = "missing value after '" + argument + "'";
    }
}

// "-kl H", "-lH", "-l=H": letters in a row, the first that takes a value taking the rest.
void ScanShort(const std::vector<std::string>& arguments, std::size_t& i, Scan& scan) {
    const std::string& argument = arguments[i];
    for (std::size_t at = 1; at < argument.size(); ++at) {
        const OptionRow* option = OptionNamed(std::string(1, argument[at]));
        const bool last = at + 1 == argument.size();
        if (!option) {
            scan.unknown.emplace_back(1, argument[at]);
        } else if (!option->takesValue) {
            if (!last && argument[at + 1] == '=') {
                scan.valueError = std::string("unexpected value after '-") + argument[at] + "'";
                return;
            }
            scan.given.push_back({option, {}});
        } else if (!last) {
            const std::size_t start = argument[at + 1] == '=' ? at + 2 : at + 1;
            scan.given.push_back({option, argument.substr(start)});
            return;
        } else if (i + 1 < arguments.size()) {
            scan.given.push_back({option, arguments[++i]});
        } else {
            scan.valueError = "missing value after '" + argument + "'";
        }
    }
}

Scan ScanArguments(const std::vector<std::string>& arguments) {
    Scan scan;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            scan.positionals.insert(scan.positionals.end(), arguments.begin() + i + 1,
                                    arguments.end());
            break;
        }
        if (argument.size() > 1 && argument[0] == '-' && argument[1] == '-')
            ScanLong(arguments, i, scan);
        else if (argument.size() > 1 && argument[0] == '-')
            ScanShort(arguments, i, scan);
        else
            scan.positionals.push_back(argument);
    }
    return scan;
}

// ---- Reading the values ---------------------------------------------------------------------

class Given {
  public:
    explicit Given(const Scan& scan) : scan_(scan) {}

    bool IsSet(const char* name) const {
        return std::any_of(scan_.given.begin(), scan_.given.end(),
                           [&](const Occurrence& o) { return Is(o, name); });
    }
    // The last value of an option given more than once.
    std::optional<std::string> Value(const char* name) const {
        for (auto o = scan_.given.rbegin(); o != scan_.given.rend(); ++o)
            if (Is(*o, name)) return o->value;
        return std::nullopt;
    }
    std::vector<std::string> Values(const char* name) const {
        std::vector<std::string> values;
        for (const Occurrence& o : scan_.given)
            if (Is(o, name)) values.push_back(o.value);
        return values;
    }
    const std::vector<std::string>& Positionals() const { return scan_.positionals; }

  private:
    static bool Is(const Occurrence& o, const char* name) {
        return std::string_view(o.option->longName) == name;
    }
    const Scan& scan_;
};

std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// Reads an integer option value within [low, high] into target, or describes the problem;
// `context` names the option that narrows the range.
std::string SetInteger(const Given& given, const char* name, int low, int high, int& target,
                       const std::string& context = {}) {
    const std::optional<std::string> value = given.Value(name);
    if (!value) return {};
    const std::optional<int> number = WholeNumber(*value);
    if (!number || *number < low || *number > high)
        return std::string("--") + name + " wants a whole number from " + std::to_string(low) +
               " to " + std::to_string(high) + context + ", not \"" + *value + "\"";
    target = *number;
    return {};
}

std::string SetLevel(const Given& given, int& target) {
    const std::optional<std::string> value = given.Value("level");
    if (!value) return {};
    const std::optional<EcLevel> level =
        value->size() == 1 ? LevelOfLetter(value->front()) : std::nullopt;
    if (!level) return "--level wants L, M, Q or H, not \"" + *value + "\"";
    target = LevelNumber(*level);
    return {};
}

// Micro QR has no level H, and level Q only in M4.
std::string MicroLevelProblem(const EncodeSettings& encode) {
    const EcLevel level = LevelOfNumber(encode.ecLevel).value_or(EcLevel::L);
    if (level == EcLevel::H) return "--micro symbols have levels L, M and Q, not H";
    if (level == EcLevel::Q && encode.version != 0 && encode.version != 4)
        return "level Q exists only in M4 (-v 4), not in M" + std::to_string(encode.version);
    return {};
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<TerminalStyle> StyleNamed(const std::string& name) {
    const std::string lower = Lower(name);
    if (lower == "utf8") return TerminalStyle::Utf8;
    if (lower == "ansi") return TerminalStyle::Ansi;
    if (lower == "ascii") return TerminalStyle::Ascii;
    return std::nullopt;
}

// -t names either the terminal art or the image format of "-o -".
std::string ReadType(const Given& given, CliOptions& options) {
    const std::optional<std::string> type = given.Value("type");
    if (!type) return {};
    if (const std::optional<TerminalStyle> style = StyleNamed(*type)) {
        options.terminalStyle = *style;
        return {};
    }
    if (const std::optional<Format> format = FileFormats::Named(*type)) {
        options.outputType = format;
        return {};
    }
    return "-t wants utf8, ansi, ascii or an image format (" + FileFormats::NameList() +
           "), not \"" + *type + "\"";
}

// A user's value in a one-line message: quoted, control characters escaped.
std::string Shown(const std::string& bytes) {
    return FileAccess::QuotedName(bytes);
}

// rMQR has levels M and H only.
std::string RmqrLevelProblem(const EncodeSettings& encode) {
    const EcLevel level = LevelOfNumber(encode.ecLevel).value_or(EcLevel::M);
    if (level == EcLevel::M || level == EcLevel::H) return {};
    return std::string("--rmqr symbols have levels M and H, not ") + LevelLetter(level);
}

// -v R<height>x<width>, either case, one of the 32 sizes.
std::string SetRmqrVersion(const Given& given, int& target) {
    const std::optional<std::string> value = given.Value("symversion");
    if (!value) return {};
    const std::string lower = Lower(*value);
    const std::size_t cross = lower.find('x');
    std::optional<int> height, width;
    if (lower.size() > 1 && lower[0] == 'r' && cross != std::string::npos) {
        height = WholeNumber(lower.substr(1, cross - 1));
        width = WholeNumber(lower.substr(cross + 1));
    }
    target = height && width ? clsQRCode::RmqrVersionOf(*height, *width) : 0;
    if (target != 0) return {};
    return "-v with --rmqr wants a size R7, R9, R11, R13, R15 or R17 by x43, x59, x77, x99 or "
           "x139 (R11 and R13 also x27), as R13x77; not " +
           Shown(*value);
}

std::string ReadRmqrSettings(const Given& given, EncodeSettings& encode) {
    encode.ecLevel = LevelNumber(EcLevel::M);
    if (given.IsSet("micro")) return "--micro and --rmqr are two kinds of symbol; choose one";
    if (given.IsSet("mask")) return "--rmqr symbols have one mask; drop -m";
    std::string problem = SetLevel(given, encode.ecLevel);
    if (problem.empty()) problem = SetRmqrVersion(given, encode.version);
    if (problem.empty()) problem = RmqrLevelProblem(encode);
    return problem;
}

std::string ReadEncodeSettings(const Given& given, EncodeSettings& encode) {
    encode.allowKanji = given.IsSet("kanji");
    encode.rmqr = given.IsSet("rmqr");
    if (encode.rmqr) return ReadRmqrSettings(given, encode);
    encode.micro = given.IsSet("micro");
    if (encode.micro) {
        encode.ecLevel = LevelNumber(EcLevel::L);
        encode.maskPattern = -1;
    }
    const std::string context = encode.micro ? " with --micro" : "";
    std::string problem = SetLevel(given, encode.ecLevel);
    if (problem.empty())
        problem =
            SetInteger(given, "symversion", 0, encode.micro ? 4 : 40, encode.version, context);
    if (problem.empty())
        problem = SetInteger(given, "mask", 0, encode.micro ? 3 : 7, encode.maskPattern, context);
    if (problem.empty() && encode.micro) problem = MicroLevelProblem(encode);
    return problem;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

std::string ReadKind(const Given& given, CliOptions& options) {
    const std::optional<std::string> kind = given.Value("kind");
    if (!kind) return {};
    options.composeFields = true;
    if (!PayloadKinds::FieldNames(*kind))
        return "--kind wants " + Joined(PayloadKinds::KindNames()) + ", not " + Shown(*kind);
    options.kind = *kind;
    return {};
}

bool IsFieldName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
}

// Field names are checked here, against the kind, so that a typing error is a usage error
// that lists the names the kind has.
std::string ReadFields(const Given& given, CliOptions& options) {
    const std::vector<std::string> known =
        PayloadKinds::FieldNames(options.kind).value_or(std::vector<std::string>{});
    for (const std::string& field : given.Values("field")) {
        options.composeFields = true;
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos || !IsFieldName(field.substr(0, equals)))
            return "--field wants NAME=VALUE, not " + Shown(field);
        const std::string name = field.substr(0, equals);
        if (std::find(known.begin(), known.end(), name) == known.end())
            return "--field " + name + ": kind " + options.kind + " has the fields " +
                   Joined(known);
        options.fields.emplace_back(name, field.substr(equals + 1));
    }
    return {};
}

std::string ReadPositionals(const Given& given, CliOptions& options) {
    const std::vector<std::string>& positionals = given.Positionals();
    if (options.decode) {
        options.decodeFiles = positionals;
        return {};
    }
    if (positionals.size() > 1) return "only one TEXT argument is allowed";
    if (!positionals.empty()) options.text = positionals.front();
    return {};
}

bool IsCharsetName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == ':' ||
               c == '-';
    });
}

// "K/N": the K-th of N parts.
std::string SetShard(const Given& given, Shard& target) {
    const std::optional<std::string> value = given.Value("shard");
    if (!value) return {};
    const std::size_t slash = value->find('/');
    const std::optional<int> part =
        slash == std::string::npos ? std::nullopt : WholeNumber(value->substr(0, slash));
    const std::optional<int> parts =
        slash == std::string::npos ? std::nullopt : WholeNumber(value->substr(slash + 1));
    if (!part || !parts || *parts < 1 || *part < 1 || *part > *parts)
        return "--shard wants K/N, the K-th of N parts (1 <= K <= N), not " + Shown(*value);
    target = {*part, *parts};
    return {};
}

// --sheet-grid COLSxROWS: at most 20 columns and 30 rows, which on A3 still leaves a symbol
// over a centimetre.
std::string SetSheetGrid(const Given& given, SheetSettings& sheet) {
    const std::optional<std::string> value = given.Value("sheet-grid");
    if (!value) return {};
    const std::string lower = Lower(*value);
    const std::size_t cross = lower.find('x');
    const std::optional<int> columns =
        cross == std::string::npos ? std::nullopt : WholeNumber(lower.substr(0, cross));
    const std::optional<int> rows =
        cross == std::string::npos ? std::nullopt : WholeNumber(lower.substr(cross + 1));
    if (!columns || !rows || *columns < 1 || *columns > 20 || *rows < 1 || *rows > 30)
        return "--sheet-grid wants COLSxROWS, 1 to 20 columns by 1 to 30 rows, not " +
               Shown(*value);
    sheet.columns = *columns;
    sheet.rows = *rows;
    return {};
}

std::string ReadSheet(const Given& given, BatchSettings& batch) {
    const std::optional<std::string> file = given.Value("sheet");
    if (!file) {
        for (const char* name : {"sheet-grid", "sheet-paper", "caption", "cut-marks"})
            if (given.IsSet(name)) return std::string("--") + name + " needs --sheet FILE.pdf";
        return {};
    }
    if (file->empty()) return "--sheet wants the name of the PDF file to write";
    SheetSettings& sheet = batch.sheet.emplace();
    sheet.file = *file;
    sheet.cutMarks = given.IsSet("cut-marks");
    sheet.captionColumn = given.Value("caption");
    if (sheet.captionColumn && sheet.captionColumn->empty())
        return "--caption wants the name of a column";
    if (const std::optional<std::string> paper = given.Value("sheet-paper")) {
        const std::string lower = Lower(*paper);
        if (lower == "a4")
            sheet.paper = SheetSettings::Paper::A4;
        else if (lower == "letter")
            sheet.paper = SheetSettings::Paper::Letter;
        else if (lower == "a3")
            sheet.paper = SheetSettings::Paper::A3;
        else
            return "--sheet-paper wants A4, Letter or A3, not " + Shown(*paper);
    }
    return SetSheetGrid(given, sheet);
}

std::string ReadBatch(const Given& given, CliOptions& options) {
    const std::optional<std::string> csvFile = given.Value("batch");
    if (!csvFile) return {};
    BatchSettings& batch = options.batch.emplace();
    batch.csvFile = *csvFile;
    batch.outDir = given.Value("out-dir").value_or("");
    batch.verify = given.IsSet("verify");
    batch.encoding = given.Value("encoding").value_or(batch.encoding);
    if (const std::optional<std::string> format = given.Value("format")) {
        const std::optional<Format> named = FileFormats::Named(*format);
        if (!named)
            return "--format wants " + FileFormats::NameList() + ", not \"" + *format + "\"";
        batch.format = *named;
    }
    if (!IsCharsetName(batch.encoding))
        return "--encoding wants the name of a character set, not \"" + batch.encoding + "\"";
    if (options.encode.micro || options.encode.rmqr) batch.render.margin = SmallSymbolQuietZone;
    std::string problem = SetInteger(given, "jobs", 1, 256, batch.jobs);
    if (problem.empty()) problem = SetInteger(given, "scale", 1, 100, batch.render.scale);
    if (problem.empty()) problem = SetInteger(given, "margin", 0, 100, batch.render.margin);
    if (problem.empty()) problem = SetShard(given, batch.shard);
    if (problem.empty()) problem = ReadSheet(given, batch);
    batch.manifest = given.Value("manifest");
    if (problem.empty() && batch.manifest && batch.manifest->empty())
        problem = "--manifest wants the name of the CSV file to write";
    return problem;
}

std::string SetColour(const Given& given, const char* name, Colour& target) {
    const std::optional<std::string> value = given.Value(name);
    if (!value) return {};
    const std::optional<Colour> colour = Colour::Parse(*value);
    if (!colour)
        return std::string("--") + name +
               " wants a colour RRGGBB or RRGGBBAA in hexadecimal, not " + Shown(*value);
    target = *colour;
    return {};
}

// The colours of -o, or of every picture of a batch.
std::string ReadColours(const Given& given, CliOptions& options) {
    options.coloured = given.IsSet("foreground") || given.IsSet("background");
    RenderOptions& render = options.batch ? options.batch->render : options.render;
    std::string problem = SetColour(given, "foreground", render.dark);
    if (problem.empty()) problem = SetColour(given, "background", render.light);
    return problem;
}

std::string ReadOptions(const Given& given, ParsedCommandLine& parsed) {
    CliOptions& options = parsed.options;
    options.help = given.IsSet("help");
    options.showVersion = given.IsSet("version");
    options.printMatrix = given.IsSet("matrix");
    options.printInfo = given.IsSet("info");
    options.compose = given.IsSet("compose");
    options.eci = given.IsSet("eci");
    options.structured = given.IsSet("structured");
    options.decode = given.IsSet("decode");
    options.outputFile = given.Value("output");
    options.inputFile = given.Value("read");
    options.logoFile = given.Value("logo");
    if (std::string problem = ReadEncodeSettings(given, options.encode); !problem.empty())
        return problem;
    if (std::string problem = ReadType(given, options); !problem.empty()) return problem;
    if (std::string problem = ReadKind(given, options); !problem.empty()) return problem;
    if (std::string problem = ReadFields(given, options); !problem.empty()) return problem;
    for (const auto& step :
         {ReadPositionals(given, options), ReadBatch(given, options), ReadColours(given, options)})
        if (!step.empty()) return step;
    if (options.batch) return {};
    if (options.encode.micro || options.encode.rmqr) options.render.margin = SmallSymbolQuietZone;
    std::string problem = SetInteger(given, "scale", 1, 100, options.render.scale);
    if (problem.empty()) problem = SetInteger(given, "margin", 0, 100, options.render.margin);
    return problem;
}

// ---- Combinations ---------------------------------------------------------------------------

// What the picture reader reads back: every format but the print ones.
bool Readable(Format format) {
    return format != Format::Eps && format != Format::Pdf;
}

std::string ComposeCannotBe(Format format) {
    std::string name(FileFormats::RowOf(format).name);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return "--compose makes a picture; it cannot be " + name;
}

// A transparent colour in a format without transparency is refused whatever the colours; the
// contrast of colours the user chose is checked too.
std::string CheckColours(const CliOptions& o, Format format, const RenderOptions& render) {
    if (o.coloured) return UnusableColours(format, render);
    return FileFormats::ColourProblem(format, render).value_or(std::string());
}

std::string CheckBatchCombination(const CliOptions& o, const Given& given) {
    if (o.batch->outDir.empty()) return "--batch needs --out-dir DIR";
    if (o.text || o.inputFile || o.printMatrix || o.printInfo || o.outputFile ||
        given.IsSet("type"))
        return "--batch takes no TEXT, -r, -t, --matrix, --info or -o";
    if (o.compose && FileFormats::RowOf(o.batch->format).vector)
        return ComposeCannotBe(o.batch->format);
    if (o.compose && (given.IsSet("scale") || given.IsSet("margin")))
        return "--compose pictures are 240 x 240; drop --scale and --margin";
    if (o.batch->verify && !Readable(o.batch->format))
        return "--verify reads every file back, and " +
               std::string(FileFormats::RowOf(o.batch->format).name) +
               " files are not read; verify png, gif, tif, bmp, jpg or svg";
    if (o.batch->verify && o.encode.rmqr)
        return "--verify reads every symbol back, and the reader does not read rMQR symbols";
    return CheckColours(o, o.batch->format, o.batch->render);
}

// The format of -o: its extension names it, or -t for standard output.
std::string CheckOutputFile(const CliOptions& o, const Given& given) {
    const std::string& file = *o.outputFile;
    if (file.empty()) return "-o wants a file name, or - for standard output";
    if (o.outputType && file != "-")
        return "-t " + *given.Value("type") + " names the format of -o -";
    if (file == "-" && (o.printInfo || o.printMatrix))
        return "-o - writes the picture to standard output; --info and --matrix cannot share it";
    if (file != "-" && !FileFormats::OfFileName(file))
        return "-o " + file + ": the extension must name the format: " + FileFormats::NameList();
    if (o.compose && FileFormats::RowOf(OutputFormat(o)).vector)
        return ComposeCannotBe(OutputFormat(o));
    return CheckColours(o, OutputFormat(o), o.render);
}

std::string CheckSingleCombination(const CliOptions& o, const Given& given) {
    for (const char* name : {"out-dir", "format", "verify", "jobs", "encoding", "shard", "manifest",
                             "sheet", "sheet-grid", "sheet-paper", "caption", "cut-marks"})
        if (given.IsSet(name)) return std::string("--") + name + " needs --batch";
    if (o.text && o.inputFile) return "the payload is TEXT or -r FILE, not both";
    if (o.outputType && !o.outputFile) return "-t " + *given.Value("type") + " needs -o -";
    if (o.terminalStyle != TerminalStyle::Automatic &&
        (o.outputFile || o.printInfo || o.printMatrix))
        return "-t utf8, ansi and ascii draw on standard output; they do not go with -o, --info or "
               "--matrix";
    if (o.outputFile)
        if (std::string problem = CheckOutputFile(o, given); !problem.empty()) return problem;
    if (o.compose && !o.outputFile) return "--compose needs -o FILE";
    if (o.compose && (given.IsSet("scale") || given.IsSet("margin")))
        return "--compose pictures are 240 x 240; drop --scale and --margin";
    if (given.IsSet("scale") && !o.outputFile) return "--scale sizes the picture of -o";
    if (given.IsSet("margin") && !o.outputFile && (o.printInfo || o.printMatrix))
        return "--margin shapes the picture and the terminal art, not --info or --matrix";
    if (o.coloured && !o.outputFile)
        return "--foreground and --background colour the picture of -o or of a batch";
    return {};
}

// --decode reads pictures and writes payloads: nothing of the encoding side applies.
std::string CheckDecodeCombination(const CliOptions& o, const Given& given) {
    for (const OptionRow& row : Options) {
        const std::string_view name = row.longName;
        if (name != "decode" && name != "info" && given.IsSet(row.longName))
            return "--decode takes only --info and the FILEs to read, not --" + std::string(name);
    }
    if (o.decodeFiles.empty()) return "--decode needs the FILEs to read";
    return {};
}

// A structured-append sequence is several QR symbols of one version, each in its own file.
std::string CheckStructuredCombination(const CliOptions& o) {
    if (!o.structured) return {};
    if (o.batch) return "--structured splits one payload; it does not go with --batch";
    if (o.encode.micro) return "--structured sequences are QR symbols; drop --micro";
    if (o.encode.rmqr) return "--structured sequences are QR symbols; drop --rmqr";
    if (o.compose) return "--compose makes one picture; drop --structured";
    if (o.encode.version == 0) return "--structured needs -v N, the version of every symbol";
    if (o.outputFile && *o.outputFile == "-")
        return "--structured writes a file per symbol: give -o NAME.png, not -o -";
    return {};
}

// The composed payload replaces TEXT, -r and standard input; a batch's kinds are its columns.
std::string CheckContentCombination(const CliOptions& o) {
    if (o.composeFields && o.batch)
        return "--batch takes the kind and fields from the CSV's columns, not --kind or --field";
    if (o.composeFields && (o.text || o.inputFile))
        return "--kind and --field compose the payload; they take no TEXT or -r";
    if (o.eci && o.encode.allowKanji)
        return "--eci declares UTF-8 and --kanji writes Shift JIS; choose one";
    if (o.eci && o.encode.micro) return "--eci: Micro QR symbols cannot declare a character set";
    if (o.compose && o.encode.micro)
        return "--compose makes the window's picture, which is a QR symbol; drop --micro";
    if (o.eci && o.encode.rmqr) return "--eci: rMQR symbols here declare no character set";
    if (o.compose && o.encode.rmqr)
        return "--compose makes the window's picture, which is a QR symbol; drop --rmqr";
    return CheckStructuredCombination(o);
}

std::string CheckCombination(const CliOptions& o, const Given& given) {
    if (o.help || o.showVersion) return {};
    if (o.decode) return CheckDecodeCombination(o, given);
    if (std::string problem = CheckContentCombination(o); !problem.empty()) return problem;
    if (o.logoFile && !o.compose) return "--logo needs --compose";
    if (o.batch) return CheckBatchCombination(o, given);
    return CheckSingleCombination(o, given);
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    const Scan scan = ScanArguments(arguments);
    parsed.error = scan.Error();
    if (!parsed.error.empty()) return parsed;
    const Given given(scan);
    parsed.error = ReadOptions(given, parsed);
    if (parsed.error.empty()) parsed.error = CheckCombination(parsed.options, given);
    return parsed;
}

std::string UnusableColours(FileFormats::Format format, const RenderOptions& render) {
    return FileFormats::ColourProblem(format, render)
        .value_or(ContrastProblem(render.dark, render.light).value_or(std::string()));
}

FileFormats::Format OutputFormat(const CliOptions& options) {
    if (!options.outputFile || *options.outputFile == "-")
        return options.outputType.value_or(Format::Png);
    return FileFormats::OfFileName(*options.outputFile).value_or(Format::Png);
}

bool IsPlainBatch(const CliOptions& options) {
    return options.batch && !options.compose && !options.logoFile && !options.batch->verify &&
           !options.batch->sheet && FileFormats::RowOf(options.batch->format).core;
}

bool CoreAnswers(const ParsedCommandLine& parsed) {
    if (!parsed.error.empty()) return true;
    const CliOptions& o = parsed.options;
    if (o.help || o.showVersion) return true;
    if (o.batch) return IsPlainBatch(o);
    if (o.decode || o.compose) return false;
    return !o.outputFile || FileFormats::RowOf(OutputFormat(o)).core;
}
