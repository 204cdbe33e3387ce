#include "cli/core/CommandLine.h"
#include "cli/core/Usage.h"
#include "quorlik/Version.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

ParsedCommandLine Parse(const std::vector<std::string>& arguments) {
    return ParseCommandLine(arguments);
}

TEST(CommandLine, DefaultsAreTheWindowsSettings) {
    const ParsedCommandLine parsed = Parse({"hello"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.encode.ecLevel, 3);
    EXPECT_EQ(parsed.options.encode.version, 0);
    EXPECT_EQ(parsed.options.encode.maskPattern, 0);
    EXPECT_FALSE(parsed.options.encode.allowKanji);
    EXPECT_EQ(parsed.options.text, "hello");
    EXPECT_FALSE(parsed.options.batch.has_value());
    EXPECT_EQ(parsed.options.terminalStyle, TerminalStyle::Automatic);
    EXPECT_EQ(parsed.options.render.scale, 1);
    EXPECT_EQ(parsed.options.render.margin, 4);
    EXPECT_EQ(parsed.options.kind, "text");
}

// Micro QR: level L, the mask the evaluation picks and a quiet zone of two modules unless asked.
TEST(CommandLine, MicroQrHasItsOwnDefaults) {
    for (const char* spelling : {"-M", "--micro"}) {
        const ParsedCommandLine parsed = Parse({spelling, "-o", "a.png", "x"});
        ASSERT_EQ(parsed.error, "");
        EXPECT_TRUE(parsed.options.encode.micro);
        EXPECT_EQ(parsed.options.encode.ecLevel, 1);
        EXPECT_EQ(parsed.options.encode.maskPattern, -1);
        EXPECT_EQ(parsed.options.render.margin, 2);
    }
    const ParsedCommandLine forced =
        Parse({"-M", "-v", "4", "-l", "Q", "-m", "3", "--margin", "5", "x"});
    ASSERT_EQ(forced.error, "");
    EXPECT_EQ(forced.options.encode.version, 4);
    EXPECT_EQ(forced.options.encode.ecLevel, 3);
    EXPECT_EQ(forced.options.encode.maskPattern, 3);
    EXPECT_EQ(forced.options.render.margin, 5);
    EXPECT_EQ(Parse({"--batch", "a.csv", "--out-dir", "d", "-M"}).options.batch->render.margin, 2);
}

// rMQR: level M, the size of least area unless -v names one (either case), a two-module quiet zone.
TEST(CommandLine, RmqrHasItsOwnDefaults) {
    const ParsedCommandLine parsed = Parse({"--rmqr", "x"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.encode.rmqr);
    EXPECT_EQ(parsed.options.encode.ecLevel, 2);
    EXPECT_EQ(parsed.options.encode.version, 0);
    EXPECT_EQ(parsed.options.render.margin, 2);
    for (const char* size : {"R13x77", "r13X77"}) {
        const ParsedCommandLine forced = Parse({"--rmqr", "-v", size, "-l", "H", "x"});
        ASSERT_EQ(forced.error, "") << size;
        EXPECT_EQ(forced.options.encode.version, 20) << size;
        EXPECT_EQ(forced.options.encode.ecLevel, 4) << size;
    }
    EXPECT_EQ(Parse({"--batch", "a.csv", "--out-dir", "d", "--rmqr"}).options.batch->render.margin,
              2);
}

TEST(CommandLine, ValuesInEverySpelling) {
    for (const std::vector<std::string>& spelling :
         {std::vector<std::string>{"-l", "H", "-v", "7", "-m", "5", "-o", "x.png", "-r", "in"},
          {"--level", "H", "--symversion", "7", "--mask", "5", "--output", "x.png", "--read", "in"},
          {"--level=H", "--symversion=7", "--mask=5", "--output=x.png", "--read=in"},
          {"-lH", "-v7", "-m5", "-ox.png", "-rin"},
          {"-l", "h", "-o", "x.png", "-v", "7", "-r", "in", "-m", "5"}}) {
        const ParsedCommandLine parsed = Parse(spelling);
        ASSERT_EQ(parsed.error, "") << spelling[0];
        EXPECT_EQ(parsed.options.encode.ecLevel, 4);
        EXPECT_EQ(parsed.options.encode.version, 7);
        EXPECT_EQ(parsed.options.encode.maskPattern, 5);
        EXPECT_EQ(parsed.options.outputFile, "x.png");
        EXPECT_EQ(parsed.options.inputFile, "in");
    }
}

TEST(CommandLine, VersionIsTheProgramsAndSymversionTheSymbols) {
    for (const char* spelling : {"-V", "--version"}) {
        const ParsedCommandLine parsed = Parse({spelling});
        ASSERT_EQ(parsed.error, "");
        EXPECT_TRUE(parsed.options.showVersion);
        EXPECT_EQ(parsed.options.encode.version, 0);
    }
    const ParsedCommandLine symbol = Parse({"-v", "7", "x"});
    EXPECT_FALSE(symbol.options.showVersion);
    EXPECT_EQ(symbol.options.encode.version, 7);
    EXPECT_NE(Parse({"--version=7", "x"}).error,
              ""); // --version names the program, never the symbol
    EXPECT_EQ(VersionText(), std::string("quorlik-qr ") + QUORLIK_VERSION + "\n");
}

TEST(CommandLine, BytesOfArgumentsComeBackUnchanged) {
    const std::string notUtf8 = "\xff\xfe\x80 \xe4\xba\x8c";
    const ParsedCommandLine parsed = Parse({"-o", notUtf8 + ".png", notUtf8});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.text, notUtf8);
    EXPECT_EQ(parsed.options.outputFile, notUtf8 + ".png");
}

TEST(CommandLine, FlagsAndTheEndOfOptions) {
    const ParsedCommandLine parsed = Parse({"-k", "--matrix", "--info", "--", "-5"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.encode.allowKanji);
    EXPECT_TRUE(parsed.options.printMatrix);
    EXPECT_TRUE(parsed.options.printInfo);
    EXPECT_EQ(parsed.options.text, "-5");
    EXPECT_EQ(Parse({"-"}).options.text, "-");
    EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(CommandLine, TypeIsTerminalStyleOrTheFormatOfStandardOutput) {
    EXPECT_EQ(Parse({"-t", "ascii", "x"}).options.terminalStyle, TerminalStyle::Ascii);
    EXPECT_EQ(Parse({"-t", "ANSI", "x"}).options.terminalStyle, TerminalStyle::Ansi);
    EXPECT_EQ(Parse({"--type=utf8", "x"}).options.terminalStyle, TerminalStyle::Utf8);
    const ParsedCommandLine svg = Parse({"-t", "svg", "-o", "-", "x"});
    ASSERT_EQ(svg.error, "");
    EXPECT_EQ(svg.options.outputType, FileFormats::Format::Svg);
    EXPECT_EQ(svg.options.terminalStyle, TerminalStyle::Automatic);
}

TEST(CommandLine, ScaleAndMarginGoToTheSingleSymbolOrTheBatch) {
    const ParsedCommandLine single = Parse({"-s", "6", "--margin", "0", "-o", "a.svg", "x"});
    ASSERT_EQ(single.error, "");
    EXPECT_EQ(single.options.render.scale, 6);
    EXPECT_EQ(single.options.render.margin, 0);
    const ParsedCommandLine batch =
        Parse({"--batch", "r.csv", "--out-dir", "o", "--scale", "6", "--margin", "2"});
    ASSERT_EQ(batch.error, "");
    EXPECT_EQ(batch.options.batch->render.scale, 6);
    EXPECT_EQ(batch.options.batch->render.margin, 2);
    EXPECT_EQ(Parse({"--margin", "1", "x"}).options.render.margin, 1); // the terminal art's margin
}

TEST(CommandLine, ContentOptionsAreParsedInOrder) {
    const ParsedCommandLine parsed = Parse({"--kind", "contact", "--field", "name=Li Lei", "--eci",
                                            "--field", "note=a=b", "--field=email="});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.kind, "contact");
    EXPECT_TRUE(parsed.options.composeFields);
    EXPECT_TRUE(parsed.options.eci);
    EXPECT_FALSE(Parse({"x"}).options.composeFields);
    EXPECT_TRUE(Parse({"--kind", "text"}).options.composeFields);
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"name", "Li Lei"}, {"note", "a=b"}, {"email", ""}};
    EXPECT_EQ(parsed.options.fields, fields);
    const ParsedCommandLine decode = Parse({"--decode", "a.png", "b.png"});
    ASSERT_EQ(decode.error, "");
    EXPECT_TRUE(decode.options.decode);
    EXPECT_FALSE(decode.options.text.has_value());
    EXPECT_EQ(decode.options.decodeFiles, (std::vector<std::string>{"a.png", "b.png"}));
    const ParsedCommandLine encoding =
        Parse({"--batch", "r.csv", "--out-dir", "o", "--encoding", "GB18030"});
    ASSERT_EQ(encoding.error, "");
    EXPECT_EQ(encoding.options.batch->encoding, "GB18030");
    EXPECT_EQ(Parse({"--batch", "r.csv", "--out-dir", "o"}).options.batch->encoding, "UTF-8");
}

TEST(CommandLine, RefusesWhatItCannotMeanExactly) {
    const std::vector<std::vector<std::string>> bad = {
        {"-l", "X"},
        {"-l", "HH"},
        {"-v", "41"},
        {"-v", "-1"},
        {"-v", "3x"},
        {"-m", "8"},
        {"-m", ""},
        {"--mask"},
        {"--bogus"},
        {"one", "two"},
        {"--kanji=yes"},
        {"--logo", "a.png"},
        {"--compose", "x"},
        {"--out-dir", "d"},
        {"--batch", "a.csv"},
        {"--batch", "a.csv", "--out-dir", "d", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--format", "webp"},
        {"--batch", "a.csv", "--out-dir", "d", "--jobs", "0"},
        {"--batch", "a.csv", "--out-dir", "d", "--scale", "0"},
        {"--batch", "a.csv", "--out-dir", "d", "--compose", "--format", "svg"},
        {"--batch", "a.csv", "--out-dir", "d", "--compose", "--margin", "2"},
        {"--batch", "a.csv", "--out-dir", "d", "-r", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--encoding", "a b"},
        {"-t", "webp", "x"},
        {"-t", "png", "x"},
        {"-t", "png", "-o", "a.png", "x"},
        {"-t", "ascii", "-o", "a.png", "x"},
        {"-t", "utf8", "--info", "x"},
        {"-o", "", "x"},
        {"-o", "a.webp", "x"},
        {"-o", "noextension", "x"},
        {"-o", "folder.png/", "x"},
        {"-o", "-", "--info", "x"},
        {"--compose", "-o", "a.svg", "x"},
        {"--compose", "-o", "-", "-t", "svg", "x"},
        {"--compose", "-o", "a.png", "--scale", "2", "x"},
        {"--compose", "-o", "a.png", "--margin", "0", "x"},
        {"--scale", "2", "x"},
        {"--margin", "2", "--info", "x"},
        {"--margin", "101", "x"},
        {"-r", "a", "x"},
        {"--encoding", "UTF-8", "x"},
        {"--kind", "poem", "x"},
        {"--field", "novalue", "x"},
        {"--field", "=v", "x"},
        {"--kind", "wifi", "--field", "pass=x"},
        {"--kind", "wifi", "x"},
        {"--field", "text=a", "-r", "f"},
        {"--batch", "a.csv", "--out-dir", "d", "--kind", "wifi"},
        {"--eci", "--kanji", "x"},
        {"--decode"},
        {"--decode", "-o", "a.png", "f.png"},
        {"--decode", "--matrix", "f.png"},
        {"--decode", "--batch", "a.csv", "--out-dir", "d", "f.png"},
        {"--shard", "1/2", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--shard", "0/4"},
        {"--batch", "a.csv", "--out-dir", "d", "--shard", "5/4"},
        {"--batch", "a.csv", "--out-dir", "d", "--shard", "1/0"},
        {"--batch", "a.csv", "--out-dir", "d", "--shard", "a/b"},
        {"--batch", "a.csv", "--out-dir", "d", "--shard", "2"},
        {"--micro", "-l", "H", "x"},
        {"--micro", "-l", "Q", "-v", "3", "x"},
        {"--micro", "-v", "5", "x"},
        {"--micro", "-m", "4", "x"},
        {"--micro", "--compose", "-o", "a.png", "x"},
        {"--micro", "--eci", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--micro", "--compose"},
        {"--structured", "x"},
        {"--structured", "-v", "2", "--micro", "x"},
        {"--structured", "-v", "2", "-o", "-", "x"},
        {"--structured", "-v", "2", "--compose", "-o", "a.png", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--structured", "-v", "2"},
        {"--rmqr", "-l", "L", "x"},
        {"--rmqr", "-l", "Q", "x"},
        {"--rmqr", "-v", "R9x10", "x"},
        {"--rmqr", "-v", "5", "x"},
        {"--rmqr", "-v", "R13x", "x"},
        {"--rmqr", "-m", "0", "x"},
        {"--rmqr", "--micro", "x"},
        {"--rmqr", "--compose", "-o", "a.png", "x"},
        {"--rmqr", "--eci", "x"},
        {"--structured", "-v", "2", "--rmqr", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--rmqr", "--verify"},
        {"--sheet", "s.pdf", "x"},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet-grid", "3x4"},
        {"--batch", "a.csv", "--out-dir", "d", "--caption", "name"},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet", ""},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet", "s.pdf", "--sheet-grid", "0x4"},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet", "s.pdf", "--sheet-grid", "21x1"},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet", "s.pdf", "--sheet-grid", "axb"},
        {"--batch", "a.csv", "--out-dir", "d", "--sheet", "s.pdf", "--sheet-paper", "B5"},
    };
    for (const std::vector<std::string>& arguments : bad) {
        const ParsedCommandLine parsed = Parse(arguments);
        std::string joined;
        for (const std::string& a : arguments) joined += a + " ";
        EXPECT_NE(parsed.error, "") << joined;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << joined;
    }
}

// The syntax scripts already use: compacted short options, a value after '=' or in the next
// argument, every unknown option named at once, and the last missing or unexpected value first.
TEST(CommandLine, SyntaxErrorsAreNamedAsTheArgumentsGaveThem) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus", "--other"}, "unknown options: bogus, other"},
        {{"-xyz"}, "unknown options: x, y, z"},
        {{"-=x"}, "unknown options: =, x"},
        {{"--lev", "H", "x"}, "unknown option 'lev'"},
        {{"---x"}, "unknown option '-x'"},
        {{"-ko"}, "missing value after '-ko'"},
        {{"--bogus", "--mask"}, "missing value after '--mask'"},
        {{"--info=2", "--mask"}, "missing value after '--mask'"},
        {{"--bogus", "--info=2"}, "unexpected value after '--info'"},
        {{"-k=x"}, "unexpected value after '-k'"},
        {{"-lHk", "x"}, "--level wants L, M, Q or H, not \"Hk\""},
        {{"-sv", "3"}, "--scale wants a whole number from 1 to 100, not \"v\""},
        {{"-M", "-v", "5", "x"},
         "--symversion wants a whole number from 0 to 4 with --micro, not \"5\""},
        {{"--rmqr", "-v", "R9x10", "x"},
         "-v with --rmqr wants a size R7, R9, R11, R13, R15 or R17 by x43, x59, x77, x99 or "
         "x139 (R11 and R13 also x27), as R13x77; not \"R9x10\""},
    };
    for (const auto& [arguments, error] : cases) EXPECT_EQ(Parse(arguments).error, error);
    for (const std::vector<std::string>& usable : {std::vector<std::string>{"-kl", "H", "x"},
                                                   {"-o=x.png", "x"},
                                                   {"--o", "x.png", "x"},
                                                   {"-l=H", "x"},
                                                   {"--h"},
                                                   {"-hV"},
                                                   {"--", "--bogus"}})
        EXPECT_EQ(Parse(usable).error, "") << usable[0];
    EXPECT_EQ(Parse({"-o=x.png", "x"}).options.outputFile, "x.png");
    EXPECT_EQ(Parse({"--", "--bogus"}).options.text, "--bogus");
}

TEST(CommandLine, ColoursInQrencodesSpelling) {
    const ParsedCommandLine parsed =
        Parse({"--foreground", "#1a2B3c", "--background=FFFFFF00", "-o", "a.png", "x"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.render.dark, (Colour{0x1A, 0x2B, 0x3C, 0xFF}));
    EXPECT_EQ(parsed.options.render.light, (Colour{0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Parse({"--batch", "r.csv", "--out-dir", "o", "--foreground", "800000"})
                  .options.batch->render.dark,
              (Colour{0x80, 0, 0, 0xFF}));
    for (const char* bad : {"12345", "gg0000", "#1234567", "", "#", "1234567890"})
        EXPECT_EQ(
            Parse({"--foreground", bad, "-o", "a.png", "x"}).error.rfind("--foreground wants", 0),
            0u)
            << bad;
    EXPECT_EQ(Parse({"--background", "FFFFFF00", "-o", "a.jpg", "x"}).error,
              "jpg holds no transparency: give opaque colours (RRGGBB, or RRGGBBAA with alpha FF)");
    EXPECT_NE(
        Parse({"--batch", "r.csv", "--out-dir", "o", "--format", "bmp", "--background", "00000000"})
            .error,
        "");
    EXPECT_NE(Parse({"--foreground", "FF0000", "x"}).error, "");
}

// The core answers its help, version, usage errors, one symbol (given or composed from fields)
// to text art, --info, --matrix, PNG, SVG or EPS, and batches of those; everything else is the
// full program's.
TEST(CommandLine, TheCoreAnswersWhatItCanWrite) {
    const std::vector<std::vector<std::string>> core = {
        {"x"},
        {"--info", "-v", "3", "x"},
        {"--matrix", "x"},
        {"-o", "a.PNG", "x"},
        {"-o", "-", "-t", "svg", "x"},
        {"-t", "ascii", "x"},
        {"--bogus"},
        {"-l", "X", "x"},
        {"--help"},
        {"-V"},
        {"--version", "--batch", "x.csv"},
        {"-o", "a.webp", "x"},
        {"-o", "x.eps", "--foreground", "800000", "t"},
        {"--batch", "x.csv", "--out-dir", "d"},
        {"--batch", "x.csv", "--out-dir", "d", "--format", "svg", "--manifest", "m.csv", "-j", "2"},
        {"--kind", "sms", "--field", "phone=1", "-o", "x.svg"},
        {"--field", "x=1", "-l", "H"},
    };
    const std::vector<std::vector<std::string>> full = {
        {"-o", "x.jpg", "t"},
        {"-o", "-", "-t", "gif"},
        {"--compose", "-o", "x.png"},
        {"--kind", "wifi", "--field", "ssid=a", "-o", "x.jpg"},
        {"--compose", "--kind", "sms", "-o", "x.png"},
        {"--decode", "x.png"},
        {"-o", "x.pdf", "t"},
        {"--batch", "x.csv", "--out-dir", "d", "--format", "jpg"},
        {"--batch", "x.csv", "--out-dir", "d", "--compose"},
        {"--batch", "x.csv", "--out-dir", "d", "--verify"},
        {"--batch", "x.csv", "--out-dir", "d", "--sheet", "s.pdf"},
    };
    for (const auto& arguments : core)
        EXPECT_TRUE(CoreAnswers(ParseCommandLine(arguments))) << arguments.back();
    for (const auto& arguments : full)
        EXPECT_FALSE(CoreAnswers(ParseCommandLine(arguments))) << arguments.back();
}

TEST(CommandLine, SheetSettings) {
    const ParsedCommandLine parsed =
        Parse({"--batch", "r.csv", "--out-dir", "o", "--sheet", "s.pdf", "--sheet-grid", "4X6",
               "--sheet-paper", "letter", "--caption", "label", "--cut-marks"});
    ASSERT_EQ(parsed.error, "");
    const SheetSettings& sheet = *parsed.options.batch->sheet;
    EXPECT_EQ(sheet.file, "s.pdf");
    EXPECT_EQ(std::pair(sheet.columns, sheet.rows), std::pair(4, 6));
    EXPECT_EQ(sheet.paper, SheetSettings::Paper::Letter);
    EXPECT_EQ(sheet.captionColumn, "label");
    EXPECT_TRUE(sheet.cutMarks);
    const SheetSettings defaults =
        *Parse({"--batch", "r.csv", "--out-dir", "o", "--sheet", "s.pdf"}).options.batch->sheet;
    EXPECT_EQ(std::pair(defaults.columns, defaults.paper), std::pair(0, SheetSettings::Paper::A4));
    EXPECT_FALSE(defaults.captionColumn || defaults.cutMarks);
}

TEST(CommandLine, BatchSettings) {
    const ParsedCommandLine parsed = Parse({"--batch", "rows.csv", "--out-dir", "out", "--format",
                                            "svg", "--scale", "3", "--verify", "--jobs", "2"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_TRUE(parsed.options.batch.has_value());
    EXPECT_EQ(parsed.options.batch->csvFile, "rows.csv");
    EXPECT_EQ(parsed.options.batch->outDir, "out");
    EXPECT_EQ(parsed.options.batch->format, FileFormats::Format::Svg);
    EXPECT_EQ(parsed.options.batch->render.scale, 3);
    EXPECT_TRUE(parsed.options.batch->verify);
    EXPECT_EQ(parsed.options.batch->jobs, 2);
    const Shard shard =
        Parse({"--batch", "r.csv", "--out-dir", "o", "--shard", "2/8"}).options.batch->shard;
    EXPECT_TRUE(shard.Holds(2) && shard.Holds(10) && !shard.Holds(1) && !shard.Holds(8));
    const ParsedCommandLine defaults = Parse({"--batch", "rows.csv", "--out-dir", "out"});
    EXPECT_EQ(defaults.options.batch->format, FileFormats::Format::Png);
    EXPECT_EQ(defaults.options.batch->render.scale, 8);
    EXPECT_EQ(defaults.options.batch->render.margin, 4);
    EXPECT_EQ(defaults.options.batch->jobs, 0);
}

TEST(CommandLine, HelpFitsEightyColumnsAndNamesEveryOption) {
    std::istringstream help(UsageText());
    int lines = 0;
    for (std::string line; std::getline(help, line); ++lines) {
        int columns = 0; // UTF-8: count the characters, not the bytes
        for (const char c : line) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        EXPECT_LE(columns, 80) << line;
    }
    EXPECT_GT(lines, 10);
    for (const char* option :
         {"-l, --level",  "-v, --symversion", "-m, --mask",   "-k, --kanji", "-t, --type",
          "-o, --output", "-s, --scale",      "--margin",     "--matrix",    "--info",
          "--compose",    "--logo",           "-r, --read",   "--kind",      "--field",
          "--eci",        "--decode",         "--batch",      "--out-dir",   "--format",
          "--encoding",   "--verify",         "-j, --jobs",   "-M, --micro", "--structured",
          "--rmqr",       "--sheet",          "--sheet-grid", "--caption",   "--cut-marks",
          "-h, --help",   "-V, --version",    "exit status"})
        EXPECT_NE(UsageText().find(option), std::string::npos) << option;
}

} // namespace
