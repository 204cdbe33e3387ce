// --batch run as the built binary: CSV in, a folder of files out, each read back by zxing-cpp.
#include "encoder/clsQRCode.h"
#include "payload/PayloadComposer.h"
#include "tests/cli/ToolProcess.h"
#include "tests/support/ZxingDecode.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <set>

namespace {

const std::regex SummaryLine("quorlik-qr: rows written \\d+, rows failed \\d+, [0-9.]+ s\n");

QString WriteCsv(const QString& folder, const QByteArray& text) {
    return WriteFile(folder + "/rows.csv", text);
}

int RowsWritten(const ToolRun& run) {
    std::cmatch match;
    const std::string out = run.out.toStdString();
    if (!std::regex_search(out.c_str(), match, std::regex("rows written (\\d+)"))) return -1;
    return std::stoi(match[1]);
}

// Name → SHA-256 of every file below the folder.
std::map<QString, QByteArray> FolderDigest(const QString& folder) {
    std::map<QString, QByteArray> digest;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        digest[name] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return digest;
}

TEST(BatchCsv, SpreadsheetCsvWithBomCrLfQuotesAndLineBreaks) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteCsv(folder, "\xEF\xBB\xBF"
                                         "file,text\r\n"
                                         "comma,\"Hello, world\"\r\n"
                                         "quote,\"She said \"\"hi\"\"\"\r\n"
                                         "lines,\"first\r\nsecond\nthird\"\r\n"
                                         "chinese,二维码\r\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(std::regex_match(run.out.toStdString(), SummaryLine)) << run.out.toStdString();
    EXPECT_EQ(RowsWritten(run), 4);
    EXPECT_EQ(ReadBack(out + "/comma.png"), "Hello, world");
    EXPECT_EQ(ReadBack(out + "/quote.png"), "She said \"hi\"");
    EXPECT_EQ(ReadBack(out + "/lines.png"), "first\r\nsecond\r\nthird");
    EXPECT_EQ(ReadBack(out + "/chinese.png"), "二维码");
}

TEST(BatchCsv, EveryKindComposedAsTheWindowDoes) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteCsv(
        folder, "file,kind,text,to,subject,body,title,url,phone,name,company,mobile,note,email,"
                "address\n"
                "t,text,纯文本 text,,,,,,,,,,,,\n"
                "m,mail,,li@example.cn,你好,\"第一行\n第二行\",,,,,,,,,\n"
                "b,bookmark,,,,,Site;1,https://example.com/a:b ,,,,,,,\n"
                "s,sms,短信内容,,,,,,15555555555,,,,,,\n"
                "c,contact,,,,,经理,,,\"Li; Lei\",ACME\\Co,139,TEL:1,l@x.cn,路 1\n"
                "2,,default kind,,,,,,,,,,,,\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(ReadBack(out + "/t.png"), "纯文本 text");
    EXPECT_EQ(ReadBack(out + "/m.png"),
              (PayloadComposer::Mail("li@example.cn", "你好", "第一行\r\n第二行")));
    EXPECT_EQ(ReadBack(out + "/b.png"),
              (PayloadComposer::Bookmark("Site;1", "https://example.com/a:b ")));
    EXPECT_EQ(ReadBack(out + "/s.png"), (PayloadComposer::Sms("15555555555", "短信内容")));
    EXPECT_EQ(ReadBack(out + "/c.png"),
              (PayloadComposer::Contact("Li; Lei", "ACME\\Co", "139", "经理", "TEL:1", "l@x.cn",
                                        "路 1")));
    EXPECT_EQ(ReadBack(out + "/2.png"), "default kind");
}

TEST(BatchFailures, BadRowsFailAloneWithTheirRowNumbers) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QByteArray tooLong(1700, 'x'); // 40-Q holds 1663 bytes of text
    const QString csv = WriteCsv(folder, "file,kind,text,foreground,background\n"
                                         "ok1,text,first,,\n"
                                         "long,text," +
                                             tooLong +
                                             ",,\n"
                                             "../escape,text,up,,\n"
                                             "/tmp/absolute,text,abs,,\n"
                                             "fax,fax,no such kind,,\n"
                                             "ok2,text,last,#1A237E,ffffff00\n"
                                             "red,text,pale,gg0000,\n"
                                             "grey,text,pale,777777,888888\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out, "--jobs", "2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(RowsWritten(run), 2);
    const QString err = QString::fromUtf8(run.err);
    for (const char* label :
         {"row 2 (line 3)", "row 3 (line 4)", "row 4 (line 5)", "row 5 (line 6)",
          "row 7 (line 8): foreground \"gg0000\" is not a colour",
          "row 8 (line 9): the colours 777777 and 888888 have a contrast ratio of 1.2"})
        EXPECT_NE(err.indexOf(QString::fromUtf8(label)), -1) << label << "\n"
                                                             << run.err.toStdString();
    EXPECT_EQ(err.count('\n'), 6);
    EXPECT_EQ(ReadBack(out + "/ok1.png"), "first");
    EXPECT_EQ(ReadBack(out + "/ok2.png"), "last");
    const QImage coloured(out + "/ok2.png");
    EXPECT_EQ(coloured.pixel(0, 0), qRgba(0xFF, 0xFF, 0xFF, 0)); // the transparent background
    EXPECT_TRUE(coloured.colorTable().contains(qRgb(0x1A, 0x23, 0x7E)));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);
    EXPECT_FALSE(QFile::exists(folder + "/escape.png"));
    EXPECT_FALSE(QFile::exists("/tmp/absolute.png"));
}

TEST(BatchFailures, SecondRowWithANameFails) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteCsv(folder, "file,text\nsame,first one\nsame,second one\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.indexOf("row 2 (line 3)"), -1) << run.err.toStdString();
    EXPECT_EQ(ReadBack(out + "/same.png"), "first one");
}

TEST(BatchFailures, RunThatCannotStartIsStatusTwo) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString good = WriteCsv(folder, "text\nx\n");
    const QString unclosed = folder + "/unclosed.csv";
    QFile(good).copy(unclosed);
    QFile f(unclosed);
    f.open(QIODevice::Append);
    f.write("\"never closed\n");
    f.close();
    const QString empty = folder + "/empty.csv";
    QFile(empty).open(QIODevice::WriteOnly);
    const std::vector<QStringList> cases = {
        {"--batch", folder + "/missing.csv", "--out-dir", out},
        {"--batch", good, "--out-dir", folder + "/no-such-folder"},
        {"--batch", good, "--out-dir", good},
        {"--batch", unclosed, "--out-dir", out},
        {"--batch", empty, "--out-dir", out},
        {"--batch", good, "--out-dir", out, "--compose", "--logo", folder + "/none.png"},
        {"--batch", good},
    };
    for (const QStringList& arguments : cases) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

TEST(BatchVerify, CatchesALogoThatCoversTooMuchAndRemovesNothing) {
    const QString folder = TemporaryFolder();
    const QString unchecked = NewFolder(folder, "unchecked");
    const QString checked = NewFolder(folder, "checked");
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(Qt::black);
    logo.save(folder + "/logo.png");
    // Level L recovers about 7 % of the codewords; a full version 2 loses more under the logo.
    const QString csv = WriteCsv(folder, "file,text\nhidden,abcdefghijklmnopqrstuvwxyz0123\n");
    const QStringList common = {"--compose", "--logo", folder + "/logo.png", "-l", "L"};
    const ToolRun plain = RunTool(QStringList{"--batch", csv, "--out-dir", unchecked} + common);
    EXPECT_EQ(plain.status, 0) << plain.err.toStdString();
    ASSERT_TRUE(QFile::exists(unchecked + "/hidden.png"));
    EXPECT_FALSE(ReadBack(unchecked + "/hidden.png")); // the picture really does not scan
    const std::map<QString, QByteArray> before = FolderDigest(unchecked);
    for (const QString& out : {checked, unchecked}) {
        const ToolRun run =
            RunTool(QStringList{"--batch", csv, "--out-dir", out, "--verify"} + common);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.indexOf("row 1 (line 2)"), -1) << run.err.toStdString();
        EXPECT_NE(run.err.indexOf("--verify"), -1);
    }
    EXPECT_TRUE(QDir(checked).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // A failed check publishes nothing and deletes nothing, not even a file of an earlier run.
    EXPECT_EQ(FolderDigest(unchecked), before);
    const ToolRun readable =
        RunTool({"--batch", csv, "--out-dir", checked, "--compose", "-l", "L", "--verify"});
    EXPECT_EQ(readable.status, 0) << readable.err.toStdString();
}

// 3,000 digits at 40 pixels a module: a 6,360-pixel square, beyond Qt's default reader limit.
TEST(BatchVerify, LargePicturesReadBackFromMemory) {
    const QString folder = TemporaryFolder();
    const QByteArray digits = QByteArray("1234567890").repeated(300);
    const QString csv = WriteCsv(folder, "file,text\nbig," + digits + "\n");
    QImageReader::setAllocationLimit(1024); // for this test's own reading back
    for (const char* format : {"png", "jpg"}) {
        const QString out = NewFolder(folder, format);
        const ToolRun run = RunTool(
            {"--batch", csv, "--out-dir", out, "--scale", "40", "--format", format, "--verify"});
        EXPECT_EQ(run.status, 0) << format << run.err.toStdString();
        EXPECT_EQ(ReadBack(out + "/big." + format), digits.toStdString()) << format;
    }
}

TEST(BatchOutput, EveryFormatAtItsSizeAndVerified) {
    const QString folder = TemporaryFolder();
    const QString csv = WriteCsv(folder, "file,text\nsym,Formats 二维码 12345\n");
    clsQRCode encoder;
    const QByteArray payload = QStringLiteral("Formats 二维码 12345").toUtf8();
    const int modules = encoder
                            .EncodeToMatrix(reinterpret_cast<const std::uint8_t*>(payload.data()),
                                            payload.size(), 0, 3, 0)
                            ->side() +
                        8;
    // Each format as it is, and in colour on a transparent background where it has one.
    for (const char* format : {"png", "jpg", "gif", "tif", "bmp"}) {
        const bool alpha = std::string_view(format) != "jpg" && std::string_view(format) != "bmp";
        for (const QString background : {"FFFFFF", alpha ? "FFFFFF00" : "FFF8E1"}) {
            const QString out = NewFolder(folder, format + background);
            const ToolRun run =
                RunTool({"--batch", csv, "--out-dir", out, "--format", format, "--scale", "3",
                         "--verify", "--foreground", "0D47A1", "--background", background});
            ASSERT_EQ(run.status, 0) << format << run.err.toStdString();
            const QString file = out + "/sym." + format;
            EXPECT_EQ(QImage(file).size(), QSize(modules * 3, modules * 3)) << format;
            EXPECT_EQ(ReadBack(file), payload.toStdString()) << format;
        }
    }
    const QString defaults = NewFolder(folder, "default");
    ASSERT_EQ(RunTool({"--batch", csv, "--out-dir", defaults}).status, 0);
    EXPECT_EQ(QImage(defaults + "/sym.png").size(), QSize(modules * 8, modules * 8));
    const QString composed = NewFolder(folder, "composed");
    ASSERT_EQ(RunTool({"--batch", csv, "--out-dir", composed, "--compose"}).status, 0);
    EXPECT_EQ(QImage(composed + "/sym.png").size(), QSize(240, 240));
    // The other kinds for the whole run, each with its two-module quiet zone.
    for (const auto& [kind, size] : {std::pair{"--micro", QSize(17 + 4, 17 + 4)},
                                     std::pair{"--rmqr", QSize(27 + 4, 13 + 4)}}) {
        const QString out = NewFolder(folder, kind);
        const QString small = WriteCsv(out, "file,text\nsym,Formats 12345\n");
        ASSERT_EQ(RunTool({"--batch", small, "--out-dir", out, "--scale", "1", kind}).status, 0);
        EXPECT_EQ(QImage(out + "/sym.png").size(), size) << kind;
    }
}

TEST(BatchOutput, ComposedWithLogoIsTheSinglePicture) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    QImage logo(173, 97, QImage::Format_ARGB32); // scaled down, smoothly, into its square
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) logo.setPixel(x, y, qRgba(x, y * 2, 90, 200));
    logo.save(folder + "/logo.png");
    const QString payload = QStringLiteral("https://example.com/同一张图");
    const QString csv = WriteCsv(folder, "file,text\nrow," + payload.toUtf8() + "\n");
    ASSERT_EQ(RunTool({"--batch", csv, "--out-dir", out, "--compose", "--logo",
                       folder + "/logo.png", "--verify"})
                  .status,
              0);
    ASSERT_EQ(RunTool({"--compose", "--logo", folder + "/logo.png", "-o", folder + "/single.png",
                       payload})
                  .status,
              0);
    const QImage batch(out + "/row.png");
    const QImage single(folder + "/single.png");
    ASSERT_EQ(batch.size(), QSize(240, 240));
    EXPECT_EQ(batch.convertToFormat(QImage::Format_RGB32),
              single.convertToFormat(QImage::Format_RGB32));
}

TEST(BatchOutput, SvgRenderedByAnIndependentRendererScans) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv =
        WriteCsv(folder, "file,kind,name,mobile,note\ncard,contact,王小明,13333333333,SVG 测试\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out, "--format", "svg", "--verify"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QFile svg(out + "/card.svg");
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_EQ(svg.readAll().count("<path"), 1);
    QProcess rsvg;
    rsvg.start("rsvg-convert",
               {"--background-color=white", "-o", folder + "/card.png", out + "/card.svg"});
    ASSERT_TRUE(rsvg.waitForFinished(30000));
    ASSERT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
    EXPECT_EQ(ReadBack(folder + "/card.png"),
              (PayloadComposer::Contact("王小明", "", "13333333333", "", "SVG 测试", "", "")));
}

TEST(BatchOutput, SameFilesWhateverTheNumberOfJobs) {
    const QString folder = TemporaryFolder();
    QByteArray rows = "file,kind,text,url,title,name\n";
    for (int i = 0; i < 60; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (i % 3 == 0)
            rows += "t" + n + ",text,payload " + n + " " + QByteArray(i * 7, 'z') + ",,,\n";
        if (i % 3 == 1)
            rows += "b" + n + ",bookmark,,https://example.com/" + n + ",Page " + n + ",\n";
        if (i % 3 == 2) rows += ",contact,,,,名字" + n + "\n";
    }
    rows += "dup,text,a,,,\ndup,text,b,,,\n";
    const QString csv = WriteCsv(folder, rows);
    for (const QStringList& extra : {QStringList{}, QStringList{"--format", "svg"},
                                     QStringList{"--compose", "--format", "jpg"}}) {
        const QString one = NewFolder(folder, "one" + extra.join(""));
        const QString two = NewFolder(folder, "two" + extra.join(""));
        const ToolRun first = RunTool(QStringList{"--batch", csv, "--out-dir", one, "--jobs", "1",
                                                  "--manifest", one + ".csv"} +
                                      extra);
        const ToolRun second =
            RunTool(QStringList{"--batch", csv, "--out-dir", two, "--jobs", "2"} + extra);
        EXPECT_EQ(first.status, 1); // the duplicate
        EXPECT_EQ(first.err, second.err);
        const std::map<QString, QByteArray> a = FolderDigest(one);
        EXPECT_EQ(a.size(), 61u);
        EXPECT_EQ(a, FolderDigest(two)) << extra.join(' ').toStdString();
    }
    // The record of the run: a line a row, in row order, with what each file holds.
    const auto lines = [](const QString& file) {
        QFile csv(file);
        return csv.open(QIODevice::ReadOnly) ? csv.readAll().trimmed().split('\n')
                                             : QList<QByteArray>();
    };
    const QList<QByteArray> manifest = lines(folder + "/one.csv");
    ASSERT_EQ(manifest.size(), 63);
    EXPECT_EQ(manifest[0], "row,file,kind,version,level,payload_bytes,payload_sha256,verified,"
                           "outcome");
    EXPECT_EQ(manifest[1],
              "1,t0.png,text,1,Q,10," +
                  QCryptographicHash::hash("payload 0 ", QCryptographicHash::Sha256).toHex() +
                  ",,written");
    EXPECT_TRUE(manifest[62].startsWith("62,,text,,,1,")) << manifest[62].toStdString();
    EXPECT_TRUE(manifest[62].endsWith("file name \"\"dup\"\" was already used by row 61\""));
    // Four shards run by GNU parallel, as the README shows, make exactly what one run makes, and
    // their manifests together list every row once.
    if (QStandardPaths::findExecutable(QStringLiteral("parallel")).isEmpty())
        GTEST_SKIP() << "GNU parallel is not installed";
    const QString shards = NewFolder(folder, "shards");
    QProcess parallel;
    parallel.start(QStringLiteral("parallel"),
                   {"--will-cite", QStringLiteral(QUORLIK_QR_BINARY), "--batch", csv, "--out-dir",
                    shards, "--shard", "{}/4", "--manifest", folder + "/part{}.csv", ":::", "1",
                    "2", "3", "4"});
    ASSERT_TRUE(parallel.waitForFinished(120000));
    EXPECT_EQ(parallel.exitCode(), 1); // the part holding the duplicate
    EXPECT_EQ(FolderDigest(shards), FolderDigest(NewFolder(folder, "one")));
    std::map<int, QByteArray> recorded;
    for (int part = 1; part <= 4; ++part)
        for (const QByteArray& line : lines(folder + "/part" + QString::number(part) + ".csv"))
            if (!line.startsWith("row,")) recorded[line.left(line.indexOf(',')).toInt()] = line;
    QList<QByteArray> joined;
    for (const auto& [row, line] : recorded) joined.append(line);
    EXPECT_EQ(joined, manifest.mid(1));
}

// The output of a program, empty when it fails.
QByteArray OutputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput();
}

// The sheet printed at 100 % and scanned: every page rendered at 200 dpi, each cell of the
// default A4 grid (5 x 7 cells inside 10 mm margins) cut out and read on its own.
std::vector<std::string> ScanSheetCells(const QString& pdf, int cells) {
    const QString prefix = pdf + "-page";
    OutputOf("pdftoppm", {"-png", "-r", "200", pdf, prefix});
    std::vector<std::string> read;
    const double margin = 10 / 25.4 * 200;
    for (int page = 1; int(read.size()) < cells; ++page) {
        const QImage image(prefix + "-" + QString::number(page) + ".png");
        if (image.isNull()) break;
        const double width = (image.width() - 2 * margin) / 5;
        const double height = (image.height() - 2 * margin) / 7;
        for (int cell = 0; cell < 35 && int(read.size()) < cells; ++cell) {
            const QRect box(int(margin + cell % 5 * width), int(margin + cell / 5 * height),
                            int(width), int(height));
            const std::optional<DecodedSymbol> symbol = DecodeImage(image.copy(box));
            read.push_back(symbol ? symbol->bytes : "");
        }
    }
    return read;
}

// A print sheet: every symbol of the run in row order on A4 pages, each scanning off the page,
// captions from a column cut with an ellipsis, the logo embedded once; its faults stop the run
// before any row.
TEST(BatchSheet, EverySymbolScansOffThePrintedPagesInRowOrder) {
    const QString folder = TemporaryFolder();
    QByteArray csv = "file,text,label,foreground\n";
    std::vector<std::string> payloads;
    for (int row = 1; row <= 40; ++row) {
        payloads.push_back("https://example.com/商品/" + std::to_string(row) +
                           std::string(row % 3 * 20, 'x'));
        csv += "p" + QByteArray::number(row) + "," + QByteArray::fromStdString(payloads.back()) +
               ",标签 " + QByteArray::number(row) + " 这是一个很长很长很长很长很长很长的标题," +
               (row == 1 ? "0D47A1" : "") + "\n";
    }
    WriteCsv(folder, csv);
    const QString out = NewFolder(folder, "out"), sheet = folder + "/sheet.pdf";
    const ToolRun run = RunTool({"--batch", folder + "/rows.csv", "--out-dir", out, "--sheet",
                                 sheet, "--caption", "label", "--cut-marks"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(ScanSheetCells(sheet, 40), payloads);
    // The first row's own colour is on the sheet too, and only on its symbol.
    const QImage page(sheet + "-page-1.png");
    const auto bluePixels = [&](int cell) {
        const double margin = 10 / 25.4 * 200;
        const int width = int((page.width() - 2 * margin) / 5), top = int(margin);
        const int left = int(margin) + cell * width;
        int blue = 0;
        for (int y = top; y < top + int((page.height() - 2 * margin) / 7); y += 2)
            for (int x = left; x < left + width; x += 2)
                blue += qBlue(page.pixel(x, y)) > qRed(page.pixel(x, y)) + 60;
        return blue;
    };
    EXPECT_GT(bluePixels(0), 200);
    EXPECT_EQ(bluePixels(1), 0);
    const QString text = QString::fromUtf8(OutputOf("pdftotext", {sheet, "-"}));
    EXPECT_TRUE(text.contains(QStringLiteral("标签 40 这是"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QChar(0x2026))) << "long captions end in an ellipsis";
    EXPECT_TRUE(OutputOf("pdfinfo", {sheet}).contains("Pages:           2"));

    // A logo drawn on every symbol is one image in the file; a part of the sheet holds its rows.
    const QString logo = folder + "/logo.png";
    QImage square(64, 64, QImage::Format_RGB32);
    square.fill(Qt::red);
    ASSERT_TRUE(square.save(logo));
    const QString composed = folder + "/composed.pdf";
    ASSERT_EQ(
        RunTool({"--batch", folder + "/rows.csv", "--out-dir", NewFolder(folder, "c"), "--compose",
                 "--logo", logo, "--sheet", composed, "--sheet-grid", "4x5", "--shard", "2/2"})
            .status,
        0);
    EXPECT_TRUE(OutputOf("pdfinfo", {composed}).contains("Pages:           1"));
    std::set<QByteArray> imageObjects; // pdfimages lists each use; the object ID names the image
    const QList<QByteArray> uses = OutputOf("pdfimages", {"-list", composed}).split('\n');
    for (const QByteArray& use : uses.mid(2))
        if (const QList<QByteArray> columns = use.simplified().split(' '); columns.size() > 10)
            imageObjects.insert(columns[10]);
    EXPECT_EQ(uses.size() - 3, 20); // a logo on each of the part's twenty symbols
    EXPECT_EQ(imageObjects.size(), 1u);

    // A missing caption column or a sheet that cannot be written: status 2, nothing made.
    const QString untouched = NewFolder(folder, "untouched");
    for (const QStringList& bad : {QStringList{"--sheet", folder + "/s.pdf", "--caption", "nosuch"},
                                   QStringList{"--sheet", folder + "/no/such/folder/s.pdf"},
                                   QStringList{"--sheet", "/proc/s.pdf"}}) {
        const ToolRun refused =
            RunTool(QStringList{"--batch", folder + "/rows.csv", "--out-dir", untouched} + bad);
        EXPECT_EQ(refused.status, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(refused.err.count('\n'), 1) << refused.err.toStdString();
        EXPECT_TRUE(QDir(untouched).isEmpty()) << bad.join(' ').toStdString();
    }
}

TEST(BatchProgress, NoBarWhenStandardErrorIsNotATerminal) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    const QString csv = WriteCsv(folder, "text\none\ntwo\n");
    const ToolRun run = RunTool({"--batch", csv, "--out-dir", out});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(std::regex_match(run.out.toStdString(), SummaryLine));
}

// Runs the tool with a pseudo-terminal as its standard output and error; returns what it wrote.
QByteArray RunOnTerminal(const QStringList& arguments) {
    std::vector<QByteArray> storage;
    storage.push_back(QUORLIK_QR_BINARY);
    for (const QString& a : arguments) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    QByteArray written;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) written.append(buffer, n);
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    return written;
}

TEST(BatchProgress, BarOnATerminalThenCleared) {
    const QString folder = TemporaryFolder();
    const QString out = NewFolder(folder, "out");
    QByteArray rows = "text\n";
    for (int i = 0; i < 200; ++i) rows += "row " + QByteArray::number(i) + "\n";
    const QString csv = WriteCsv(folder, rows);
    const QByteArray screen = RunOnTerminal({"--batch", csv, "--out-dir", out});
    EXPECT_NE(screen.indexOf("\r[##############################] 200/200"), -1)
        << screen.toStdString();
    EXPECT_NE(screen.indexOf("rows/s"), -1);
    EXPECT_NE(screen.indexOf("\r\x1b[K"), -1); // cleared before the summary
    EXPECT_NE(screen.indexOf("rows written 200, rows failed 0"), -1);
}

} // namespace
