#include "cli/CommandLine.h"

#include "cli/Quoted.h"
#include "encoder/EcLevel.h"
#include "payload/PayloadKinds.h"
#include "raster/ImageExport.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cctype>
#include <charconv>

namespace {

// Arguments are bytes, and a payload or file name need not be valid UTF-8. Read as Latin-1, every
// byte is one character and comes back unchanged; option names are ASCII either way.
QString Latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& latin1) {
    return latin1.toLatin1().toStdString();
}

struct OptionRow {
    QStringList names;
    const char* valueName; // nullptr: a flag
};

// Short spellings follow qrencode where it has the option.
const std::vector<OptionRow>& OptionTable() {
    static const std::vector<OptionRow> table = {
        {{"l", "level"}, "L"},       {{"v", "symversion"}, "N"}, {{"m", "mask"}, "N"},
        {{"k", "kanji"}, nullptr},   {{"matrix"}, nullptr},      {{"info"}, nullptr},
        {{"o", "output"}, "FILE"},   {{"t", "type"}, "TYPE"},    {{"r", "read"}, "FILE"},
        {{"s", "scale"}, "N"},       {{"margin"}, "N"},          {{"compose"}, nullptr},
        {{"logo"}, "FILE"},          {{"kind"}, "KIND"},         {{"field"}, "NAME=VALUE"},
        {{"eci"}, nullptr},          {{"decode"}, nullptr},      {{"batch"}, "FILE"},
        {{"out-dir"}, "DIR"},        {{"format"}, "F"},          {{"encoding"}, "NAME"},
        {{"verify"}, nullptr},       {{"j", "jobs"}, "N"},       {{"h", "help"}, nullptr},
        {{"V", "version"}, nullptr},
    };
    return table;
}

void DeclareOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const OptionRow& row : OptionTable()) {
        QCommandLineOption option(row.names);
        if (row.valueName) option.setValueName(QLatin1String(row.valueName));
        parser.addOption(option);
    }
}

// Qt says "Unknown option 'x'."; our messages are lower case without a full stop.
std::string ParserError(const QString& qtText) {
    std::string text = Bytes(qtText);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// The last value of an option given more than once, as the user's bytes.
std::optional<std::string> Value(const QCommandLineParser& parser, const char* name) {
    const QString key = QLatin1String(name);
    if (!parser.isSet(key)) return std::nullopt;
    return Bytes(parser.value(key));
}

std::optional<int> ParseInteger(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// Reads an integer option value within [low, high] into target, or describes the problem.
std::string SetInteger(const QCommandLineParser& parser, const char* name, int low, int high,
                       int& target) {
    const std::optional<std::string> value = Value(parser, name);
    if (!value) return {};
    const std::optional<int> number = ParseInteger(*value);
    if (!number || *number < low || *number > high)
        return std::string("--") + name + " wants a whole number from " + std::to_string(low) +
               " to " + std::to_string(high) + ", not \"" + *value + "\"";
    target = *number;
    return {};
}

std::string SetLevel(const QCommandLineParser& parser, int& target) {
    const std::optional<std::string> value = Value(parser, "level");
    if (!value) return {};
    const std::optional<EcLevel> level =
        value->size() == 1 ? LevelOfLetter(value->front()) : std::nullopt;
    if (!level) return "--level wants L, M, Q or H, not \"" + *value + "\"";
    target = LevelNumber(*level);
    return {};
}

std::string ReadEncodeSettings(const QCommandLineParser& parser, EncodeSettings& encode) {
    encode.allowKanji = parser.isSet(QStringLiteral("kanji"));
    std::string problem = SetLevel(parser, encode.ecLevel);
    if (problem.empty()) problem = SetInteger(parser, "symversion", 0, 40, encode.version);
    if (problem.empty()) problem = SetInteger(parser, "mask", 0, 7, encode.maskPattern);
    return problem;
}

std::optional<TerminalStyle> StyleNamed(const std::string& name) {
    const QString lower = Latin1(name).toLower();
    if (lower == QLatin1String("utf8")) return TerminalStyle::Utf8;
    if (lower == QLatin1String("ansi")) return TerminalStyle::Ansi;
    if (lower == QLatin1String("ascii")) return TerminalStyle::Ascii;
    return std::nullopt;
}

// -t names either the terminal art or the image format of "-o -".
std::string ReadType(const QCommandLineParser& parser, CliOptions& options) {
    const std::optional<std::string> type = Value(parser, "type");
    if (!type) return {};
    if (const std::optional<TerminalStyle> style = StyleNamed(*type)) {
        options.terminalStyle = *style;
        return {};
    }
    if (ImageExport::FormatNamed(Latin1(*type))) {
        options.outputType = *type;
        return {};
    }
    return "-t wants utf8, ansi, ascii or an image format (png, jpg, gif, tif, bmp, svg), not \"" +
           *type + "\"";
}

// A user's value in a one-line message: quoted, control characters escaped.
std::string Shown(const std::string& bytes) {
    return Quoted(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ReadKind(const QCommandLineParser& parser, CliOptions& options) {
    const std::optional<std::string> kind = Value(parser, "kind");
    if (!kind) return {};
    options.composeFields = true;
    if (!PayloadKinds::FieldNames(Latin1(*kind)))
        return "--kind wants " +
               PayloadKinds::KindNames().join(QStringLiteral(", ")).toStdString() + ", not " +
               Shown(*kind);
    options.kind = *kind;
    return {};
}

// Field names are checked here, against the kind, so that a typing error is a usage error
// that lists the names the kind has.
std::string ReadFields(const QCommandLineParser& parser, CliOptions& options) {
    static const QRegularExpression fieldName(QStringLiteral("^[A-Za-z0-9_-]+$"));
    const QStringList known =
        PayloadKinds::FieldNames(Latin1(options.kind)).value_or(QStringList());
    for (const QString& field : parser.values(QStringLiteral("field"))) {
        options.composeFields = true;
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        if (equals < 0 || !fieldName.match(field.left(equals)).hasMatch())
            return "--field wants NAME=VALUE, not " + Shown(Bytes(field));
        if (!known.contains(field.left(equals)))
            return "--field " + Bytes(field.left(equals)) + ": kind " + options.kind +
                   " has the fields " + known.join(QStringLiteral(", ")).toStdString();
        options.fields.emplace_back(Bytes(field.left(equals)), Bytes(field.mid(equals + 1)));
    }
    return {};
}

std::string ReadPositionals(const QCommandLineParser& parser, CliOptions& options) {
    const QStringList positionals = parser.positionalArguments();
    if (options.decode) {
        for (const QString& file : positionals) options.decodeFiles.push_back(Bytes(file));
        return {};
    }
    if (positionals.size() > 1) return "only one TEXT argument is allowed";
    if (!positionals.isEmpty()) options.text = Bytes(positionals.first());
    return {};
}

std::string ReadBatch(const QCommandLineParser& parser, CliOptions& options) {
    const std::optional<std::string> csvFile = Value(parser, "batch");
    if (!csvFile) return {};
    BatchSettings& batch = options.batch.emplace();
    batch.csvFile = *csvFile;
    batch.outDir = Value(parser, "out-dir").value_or("");
    batch.verify = parser.isSet(QStringLiteral("verify"));
    batch.encoding = Value(parser, "encoding").value_or(batch.encoding);
    if (const std::optional<std::string> format = Value(parser, "format")) {
        const std::optional<ImageExport::Format> named = ImageExport::FormatNamed(Latin1(*format));
        if (!named) return "--format wants png, jpg, gif, tif, bmp or svg, not \"" + *format + "\"";
        batch.format = ImageExport::ExtensionOf(*named).toStdString();
    }
    static const QRegularExpression encodingName(QStringLiteral("^[A-Za-z0-9._:-]+$"));
    if (!encodingName.match(Latin1(batch.encoding)).hasMatch())
        return "--encoding wants the name of a character set, not \"" + batch.encoding + "\"";
    std::string problem = SetInteger(parser, "jobs", 1, 256, batch.jobs);
    if (problem.empty()) problem = SetInteger(parser, "scale", 1, 100, batch.scale);
    if (problem.empty()) problem = SetInteger(parser, "margin", 0, 100, batch.margin);
    return problem;
}

std::string ReadOptions(const QCommandLineParser& parser, CliOptions& options) {
    options.help = parser.isSet(QStringLiteral("help"));
    options.showVersion = parser.isSet(QStringLiteral("version"));
    options.printMatrix = parser.isSet(QStringLiteral("matrix"));
    options.printInfo = parser.isSet(QStringLiteral("info"));
    options.compose = parser.isSet(QStringLiteral("compose"));
    options.eci = parser.isSet(QStringLiteral("eci"));
    options.decode = parser.isSet(QStringLiteral("decode"));
    options.outputFile = Value(parser, "output");
    options.inputFile = Value(parser, "read");
    options.logoFile = Value(parser, "logo");
    for (const auto& step : {ReadEncodeSettings(parser, options.encode), ReadType(parser, options),
                             ReadKind(parser, options), ReadFields(parser, options),
                             ReadPositionals(parser, options), ReadBatch(parser, options)})
        if (!step.empty()) return step;
    if (options.batch) return {};
    std::string problem = SetInteger(parser, "scale", 1, 100, options.scale);
    if (problem.empty()) problem = SetInteger(parser, "margin", 0, 100, options.margin);
    return problem;
}

bool IsSet(const QCommandLineParser& parser, const char* name) {
    return parser.isSet(QLatin1String(name));
}

std::string CheckBatchCombination(const CliOptions& o, const QCommandLineParser& parser) {
    if (o.batch->outDir.empty()) return "--batch needs --out-dir DIR";
    if (o.text || o.inputFile || o.printMatrix || o.printInfo || o.outputFile ||
        IsSet(parser, "type"))
        return "--batch takes no TEXT, -r, -t, --matrix, --info or -o";
    if (o.compose && o.batch->format == "svg") return "--compose makes a picture; it cannot be SVG";
    if (o.compose && (IsSet(parser, "scale") || IsSet(parser, "margin")))
        return "--compose pictures are 240 x 240; drop --scale and --margin";
    return {};
}

// The format of -o: its extension names it, or -t for standard output.
std::string CheckOutputFile(const CliOptions& o) {
    const std::string& file = *o.outputFile;
    if (file.empty()) return "-o wants a file name, or - for standard output";
    if (o.outputType && file != "-") return "-t " + *o.outputType + " names the format of -o -";
    if (file == "-" && (o.printInfo || o.printMatrix))
        return "-o - writes the picture to standard output; --info and --matrix cannot share it";
    if (file != "-" && !ImageExport::FormatOfFileName(Latin1(file)))
        return "-o " + file +
               ": the extension must name the format: png, jpg, gif, tif, bmp or svg";
    const bool svg = file == "-"
                         ? o.outputType && ImageExport::FormatNamed(Latin1(*o.outputType)) ==
                                               ImageExport::Format::Svg
                         : ImageExport::FormatOfFileName(Latin1(file)) == ImageExport::Format::Svg;
    if (o.compose && svg) return "--compose makes a picture; it cannot be SVG";
    return {};
}

std::string CheckSingleCombination(const CliOptions& o, const QCommandLineParser& parser) {
    for (const char* name : {"out-dir", "format", "verify", "jobs", "encoding"})
        if (IsSet(parser, name)) return std::string("--") + name + " needs --batch";
    if (o.text && o.inputFile) return "the payload is TEXT or -r FILE, not both";
    if (o.outputType && !o.outputFile) return "-t " + *o.outputType + " needs -o -";
    if (o.terminalStyle != TerminalStyle::Automatic &&
        (o.outputFile || o.printInfo || o.printMatrix))
        return "-t utf8, ansi and ascii draw on standard output; they do not go with -o, --info or "
               "--matrix";
    if (o.outputFile)
        if (std::string problem = CheckOutputFile(o); !problem.empty()) return problem;
    if (o.compose && !o.outputFile) return "--compose needs -o FILE";
    if (o.compose && (IsSet(parser, "scale") || IsSet(parser, "margin")))
        return "--compose pictures are 240 x 240; drop --scale and --margin";
    if (IsSet(parser, "scale") && !o.outputFile) return "--scale sizes the picture of -o";
    if (IsSet(parser, "margin") && !o.outputFile && (o.printInfo || o.printMatrix))
        return "--margin shapes the picture and the terminal art, not --info or --matrix";
    return {};
}

// --decode reads pictures and writes payloads: nothing of the encoding side applies.
std::string CheckDecodeCombination(const CliOptions& o, const QCommandLineParser& parser) {
    for (const OptionRow& row : OptionTable()) {
        const QString& name = row.names.last();
        if (name != QLatin1String("decode") && name != QLatin1String("info") && parser.isSet(name))
            return "--decode takes only --info and the FILEs to read, not --" + Bytes(name);
    }
    if (o.decodeFiles.empty()) return "--decode needs the FILEs to read";
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
    return {};
}

std::string CheckCombination(const CliOptions& o, const QCommandLineParser& parser) {
    if (o.help || o.showVersion) return {};
    if (o.decode) return CheckDecodeCombination(o, parser);
    if (std::string problem = CheckContentCombination(o); !problem.empty()) return problem;
    if (o.logoFile && !o.compose) return "--logo needs --compose";
    if (o.batch) return CheckBatchCombination(o, parser);
    return CheckSingleCombination(o, parser);
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    QCommandLineParser parser;
    DeclareOptions(parser);
    QStringList list{QStringLiteral("quorlik-qr")}; // parse() skips the program name
    for (const std::string& argument : arguments) list.append(Latin1(argument));
    if (!parser.parse(list)) {
        parsed.error = ParserError(parser.errorText());
        return parsed;
    }
    parsed.error = ReadOptions(parser, parsed.options);
    if (parsed.error.empty()) parsed.error = CheckCombination(parsed.options, parser);
    return parsed;
}
