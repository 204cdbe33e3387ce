#include "CommandLine.h"

#include <charconv>
#include <functional>
#include <map>

namespace {

std::optional<int> ParseInteger(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<int> ParseLevel(const std::string& text) {
    static const std::map<std::string, int> levels = {{"L", 1}, {"M", 2}, {"Q", 3}, {"H", 4},
                                                      {"l", 1}, {"m", 2}, {"q", 3}, {"h", 4}};
    const auto found = levels.find(text);
    if (found == levels.end()) return std::nullopt;
    return found->second;
}

// Reads an integer option value within [low, high] into target, or describes the problem.
std::string SetInteger(const std::string& name, const std::string& value, int low, int high,
                       int& target) {
    const std::optional<int> number = ParseInteger(value);
    if (!number || *number < low || *number > high)
        return name + " wants a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not \"" + value + "\"";
    target = *number;
    return {};
}

BatchSettings& Batch(CliOptions& options) {
    if (!options.batch) options.batch.emplace();
    return *options.batch;
}

struct OptionSpec {
    std::string longName;
    char shortName;
    bool takesValue;
    std::function<std::string(CliOptions&, const std::string&)> apply;
};

const std::vector<OptionSpec>& OptionTable() {
    static const std::vector<OptionSpec> table = {
        {"level", 'l', true,
         [](CliOptions& o, const std::string& v) -> std::string {
             const std::optional<int> level = ParseLevel(v);
             if (!level) return "--level wants L, M, Q or H, not \"" + v + "\"";
             o.encode.ecLevel = *level;
             return {};
         }},
        {"version", 'v', true,
         [](CliOptions& o, const std::string& v) {
             return SetInteger("--version", v, 0, 40, o.encode.version);
         }},
        {"mask", 'm', true,
         [](CliOptions& o, const std::string& v) {
             return SetInteger("--mask", v, 0, 7, o.encode.maskPattern);
         }},
        {"kanji", 0, false,
         [](CliOptions& o, const std::string&) {
             o.encode.allowKanji = true;
             return std::string();
         }},
        {"matrix", 0, false,
         [](CliOptions& o, const std::string&) {
             o.printMatrix = true;
             return std::string();
         }},
        {"info", 0, false,
         [](CliOptions& o, const std::string&) {
             o.printInfo = true;
             return std::string();
         }},
        {"output", 'o', true,
         [](CliOptions& o, const std::string& v) {
             o.outputFile = v;
             return std::string();
         }},
        {"help", 'h', false,
         [](CliOptions& o, const std::string&) {
             o.help = true;
             return std::string();
         }},
        {"compose", 0, false,
         [](CliOptions& o, const std::string&) {
             o.compose = true;
             return std::string();
         }},
        {"logo", 0, true,
         [](CliOptions& o, const std::string& v) {
             o.logoFile = v;
             return std::string();
         }},
        {"batch", 0, true,
         [](CliOptions& o, const std::string& v) {
             Batch(o).csvFile = v;
             return std::string();
         }},
        {"out-dir", 0, true,
         [](CliOptions& o, const std::string& v) {
             Batch(o).outDir = v;
             return std::string();
         }},
        {"format", 0, true,
         [](CliOptions& o, const std::string& v) -> std::string {
             static const std::vector<std::string> formats = {"png", "jpg", "gif",
                                                              "tif", "bmp", "svg"};
             for (const std::string& f : formats)
                 if (v == f) {
                     Batch(o).format = v;
                     return {};
                 }
             return "--format wants png, jpg, gif, tif, bmp or svg, not \"" + v + "\"";
         }},
        {"scale", 0, true,
         [](CliOptions& o, const std::string& v) {
             return SetInteger("--scale", v, 1, 100, Batch(o).scale);
         }},
        {"verify", 0, false,
         [](CliOptions& o, const std::string&) {
             Batch(o).verify = true;
             return std::string();
         }},
        {"encoding", 0, true,
         [](CliOptions& o, const std::string& v) {
             Batch(o).encoding = v;
             return std::string();
         }},
        {"jobs", 'j', true,
         [](CliOptions& o, const std::string& v) {
             return SetInteger("--jobs", v, 1, 256, Batch(o).jobs);
         }},
    };
    return table;
}

const OptionSpec* FindLong(const std::string& name) {
    for (const OptionSpec& spec : OptionTable())
        if (spec.longName == name) return &spec;
    return nullptr;
}

const OptionSpec* FindShort(char name) {
    for (const OptionSpec& spec : OptionTable())
        if (spec.shortName == name) return &spec;
    return nullptr;
}

// Batch-only options set Batch() as a side effect, so "--out-dir" alone would look like a batch
// run; the options that make one are --batch itself.
std::string CheckBatchCombination(const CliOptions& o, const std::vector<std::string>& seen) {
    const BatchSettings& b = *o.batch;
    bool hasBatchFile = false;
    for (const std::string& name : seen) hasBatchFile = hasBatchFile || name == "batch";
    if (!hasBatchFile) return "--out-dir, --format, --scale, --verify and --jobs need --batch";
    if (b.outDir.empty()) return "--batch needs --out-dir DIR";
    if (o.text || o.printMatrix || o.printInfo || o.outputFile)
        return "--batch takes no TEXT, --matrix, --info or -o";
    if (o.compose && b.format == "svg") return "--compose makes a picture; it cannot be SVG";
    for (const std::string& name : seen)
        if (name == "scale" && o.compose) return "--compose pictures are 240 x 240; drop --scale";
    return {};
}

std::string CheckCombination(const CliOptions& o, const std::vector<std::string>& seen) {
    if (o.help) return {};
    if (o.logoFile && !o.compose) return "--logo needs --compose";
    if (o.batch) return CheckBatchCombination(o, seen);
    if (o.compose && !o.outputFile) return "--compose needs -o FILE";
    return {};
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    CliOptions& options = parsed.options;
    std::vector<std::string> seen;
    bool optionsEnded = false;
    const auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (!isOption) {
            if (options.text) return fail("only one TEXT argument is allowed");
            options.text = argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::optional<std::string> value;
        if (argument.rfind("--", 0) == 0) {
            const std::size_t equals = argument.find('=');
            spec = FindLong(argument.substr(2, equals - 2));
            if (equals != std::string::npos) value = argument.substr(equals + 1);
        } else {
            spec = FindShort(argument[1]);
            if (argument.size() > 2) value = argument.substr(2);
        }
        if (!spec) return fail("unknown option " + argument);
        if (!spec->takesValue && value) return fail("--" + spec->longName + " takes no value");
        if (spec->takesValue && !value) {
            if (i + 1 >= arguments.size()) return fail("--" + spec->longName + " needs a value");
            value = arguments[++i];
        }
        seen.push_back(spec->longName);
        if (std::string problem = spec->apply(options, value.value_or("")); !problem.empty())
            return fail(problem);
    }
    if (std::string problem = CheckCombination(options, seen); !problem.empty())
        return fail(problem);
    return parsed;
}

std::string UsageText() {
    return R"(usage: quorlik-qr [options] [TEXT]
       quorlik-qr --batch FILE.csv --out-dir DIR [--format png|jpg|gif|tif|bmp|svg]
                  [--scale N] [--compose [--logo FILE]] [--verify] [--jobs N]
  TEXT                 the payload, taken as UTF-8 bytes; when absent or "-", all of standard input is read as raw bytes
  -l, --level L|M|Q|H  error-correction level, default Q
  -v, --version N      0 (default) = smallest that fits, 1..40 forces that version
  -m, --mask N         mask pattern 0..7, default 0
      --kanji          allow Kanji mode (for Shift JIS input); default off
      --matrix         print the symbol to stdout as h lines of h characters, '1' dark, '0' light, no margin
      --info           print one line to stdout: version=V level=L mask=M bits=D segments=byte:17,numeric:10 (modes byte, numeric, alphanumeric, kanji, in stream order, with byte counts)
  -o, --output FILE    write the picture (one pixel per module, 4-module white margin) as PNG
      --compose        with -o: write the 240 x 240 picture of the window instead
      --logo FILE      with --compose: paint this logo into the centre square
  -h, --help           usage
batch (one symbol per CSV row; columns file, kind and the kind's fields):
      --batch FILE.csv CSV with a header row; kinds text, mail, bookmark, sms, contact
      --out-dir DIR    existing folder for the pictures
      --format F       png (default), jpg, gif, tif, bmp or svg
      --scale N        pixels per module without --compose, default 8
      --verify         read every written file back and fail rows that do not scan to the payload
      --encoding NAME  the CSV's encoding, default UTF-8 (GB18030 for a GBK sheet)
  -j, --jobs N         rows computed in parallel, default: the number of cores
exit status: 0 done; 1 the payload fits no symbol at that level/version (batch: some rows failed); 2 bad usage or unreadable input (with a one-line message on stderr)
)";
}
