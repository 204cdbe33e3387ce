// The batch units on their own: CSV reading and its bounds, encodings, names, row payloads,
// planning, SVG, job order.
#include "cli/core/batch/CsvColumns.h"
#include "cli/core/batch/CsvReader.h"
#include "cli/core/batch/FieldDecoding.h"
#include "cli/core/batch/JobRunner.h"
#include "cli/core/batch/MemoryBudget.h"
#include "cli/core/batch/NameRegister.h"
#include "cli/core/batch/OutputName.h"
#include "cli/core/batch/Progress.h"
#include "cli/core/batch/Quoted.h"
#include "cli/core/batch/RowFile.h"
#include "cli/core/batch/RowPlanner.h"
#include "encoder/clsQRCode.h"
#include "payload/PayloadComposer.h"
#include "payload/PayloadKinds.h"
#include "tests/cli/ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

CsvCells Fields(std::initializer_list<const char*> texts) {
    return CsvCells(texts.begin(), texts.end());
}

// Hands `text` out a few bytes at a time, as a pipe may.
CsvRead ReadFrom(const std::string& text) {
    return [text, at = std::size_t(0)](char* data, std::size_t size, std::string&) mutable {
        const std::size_t n = std::min({size, text.size() - at, std::size_t(7)});
        std::copy_n(text.data() + at, n, data);
        at += n;
        return long(n);
    };
}

struct ReadText {
    std::vector<CsvRecord> records;
    std::string error;
};

ReadText ReadAll(const std::string& csv, CsvLimits limits = {}) {
    CsvReader reader(ReadFrom(csv), limits);
    ReadText read;
    while (std::optional<CsvRecord> record = reader.Next()) read.records.push_back(*record);
    read.error = reader.error();
    return read;
}

// Every row of a CSV text in UTF-8, planned one after another as a run plans them.
struct Planned {
    std::vector<PlannedRow> rows;
    std::vector<std::string> notes;
    std::string error; // the run cannot start, or reading stopped
};

Planned PlanAll(const std::string& csv) {
    CsvReader reader(ReadFrom(csv));
    std::optional<FieldDecoding> utf8 = FieldDecoding::Named("UTF-8");
    RowPlanner planner(reader, *utf8);
    Planned planned;
    planned.error = planner.startError();
    planned.notes = planner.notes();
    while (std::optional<PlannedRow> row = planner.Next()) planned.rows.push_back(*row);
    if (planned.error.empty()) planned.error = planner.readError();
    return planned;
}

CsvCells FieldsOf(const CsvRecord& record) {
    CsvCells cells;
    for (const CsvField& field : record.fields) cells.push_back(field.bytes);
    return cells;
}

TEST(CsvReading, QuotesCommasLineBreaksAndByteOrderMark) {
    const ReadText document = ReadAll("\xEF\xBB\xBF"
                                      "a,b,c\r\n"
                                      "\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
                                      "plain,,\"\"\r\n");
    ASSERT_EQ(document.error, "");
    ASSERT_EQ(document.records.size(), 3u);
    EXPECT_EQ(FieldsOf(document.records[0]), Fields({"a", "b", "c"}));
    EXPECT_EQ(FieldsOf(document.records[1]), Fields({"x, y", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(FieldsOf(document.records[2]), Fields({"plain", "", ""}));
    EXPECT_EQ(document.records[0].line, 1);
    EXPECT_EQ(document.records[1].line, 2);
    EXPECT_EQ(document.records[2].line, 4); // the quoted line break took a line
}

TEST(CsvReading, EveryLineEndAndBlankRows) {
    const ReadText document = ReadAll("h\nlf\rcr\r\ncrlf\n\n,,\nlast");
    ASSERT_EQ(document.error, "");
    ASSERT_EQ(document.records.size(), 5u);
    EXPECT_EQ(FieldsOf(document.records[1]), Fields({"lf"}));
    EXPECT_EQ(FieldsOf(document.records[2]), Fields({"cr"}));
    EXPECT_EQ(FieldsOf(document.records[3]), Fields({"crlf"}));
    EXPECT_EQ(FieldsOf(document.records[4]), Fields({"last"}));
    EXPECT_EQ(document.records[4].line, 7);
}

TEST(CsvReading, UnclosedQuoteIsAnError) {
    const ReadText document = ReadAll("a\n\"open\nstill open");
    EXPECT_NE(document.error.find("line 2"), std::string::npos) << document.error;
}

TEST(CsvReading, Utf8FieldsAndStrayTextAfterAQuote) {
    const ReadText document = ReadAll("\"中文\"字,b\n");
    ASSERT_EQ(document.records.size(), 1u);
    EXPECT_EQ(FieldsOf(document.records[0]), Fields({"中文字", "b"}));
}

TEST(OutputNames, StayInsideTheFolder) {
    EXPECT_EQ(MakeOutputName("", 7).relativePath, "7");
    EXPECT_EQ(MakeOutputName(" ticket-1 ", 7).relativePath, "ticket-1");
    EXPECT_EQ(MakeOutputName("sub/二维码", 7).relativePath, "sub/二维码");
    for (const char* bad :
         {"../x", "a/../../x", "/etc/x", "..", "a//b", "./a", "a/", "..\\x", "a\tb"}) {
        const OutputName name = MakeOutputName(bad, 1);
        EXPECT_NE(name.error, "") << bad;
        EXPECT_EQ(name.relativePath, "") << bad;
    }
}

TEST(RowPayloads, EveryKindAsTheWindowComposesIt) {
    const CsvColumns columns(
        Fields({"file", "Kind", "text", "to", "subject", "body", "title", "url", "phone", "name",
                "company", "mobile", "note", "email", "address"}));
    const auto row = [&](const char* kind) {
        return Fields({"f", kind, "T", "TO", "SUB", "B\nB", "TI", " u:1 ", "139", "N;", "C", "M",
                       "NO", "E", "A"});
    };
    EXPECT_EQ(ComposeRowPayload(columns, row("")).payload, "T");
    EXPECT_EQ(ComposeRowPayload(columns, row("TEXT ")).payload, "T");
    EXPECT_EQ(ComposeRowPayload(columns, row("mail")).payload,
              PayloadComposer::Mail("TO", "SUB", "B\r\nB"));
    EXPECT_EQ(ComposeRowPayload(columns, row("bookmark")).payload,
              PayloadComposer::Bookmark("TI", " u:1 "));
    EXPECT_EQ(ComposeRowPayload(columns, row("sms")).payload, PayloadComposer::Sms("139", "T"));
    EXPECT_EQ(ComposeRowPayload(columns, row("contact")).payload,
              PayloadComposer::Contact("N;", "C", "M", "TI", "NO", "E", "A"));
    EXPECT_NE(ComposeRowPayload(columns, row("fax")).error, "");
}

TEST(RowPayloads, LineBreaksBecomeCrLfAndMissingColumnsAreEmpty) {
    const CsvColumns columns(Fields({"kind", "to", "body"}));
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"mail", "t", "a\nb\rc\r\nd"})).payload,
              PayloadComposer::Mail("t", "", "a\r\nb\r\nc\r\nd"));
    const RowPayload missing = ComposeRowPayload(columns, Fields({"text"}));
    EXPECT_EQ(missing.payload, "");
    EXPECT_EQ(missing.error, "text: the field \"text\" is empty");
    EXPECT_NE(ComposeRowPayload(columns, Fields({"text", "b", "extra"})).error, "");
}

TEST(RowPayloads, WifiAndVCardRowsComposeThroughTheRegistry) {
    const CsvColumns columns(Fields({"kind", "ssid", "password", "security", "hidden", "name",
                                     "first", "last", "note", "colour"}));
    EXPECT_EQ(columns.UnusedNames(), std::vector<std::string>{"colour"});
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"wifi", "Net;1", "p:w", "", " TRUE "})).payload,
              "WIFI:T:WPA;S:Net\\;1;P:p\\:w;H:true;;");
    const RowPayload badSecurity =
        ComposeRowPayload(columns, Fields({"wifi", "Net", "", "WPA3", ""}));
    EXPECT_EQ(badSecurity.payload, "");
    EXPECT_NE(badSecurity.error.find("WPA, WEP or nopass"), std::string::npos) << badSecurity.error;
    // The multi-line note arrives as CR LF, as in every other kind, and leaves as "\n".
    const PayloadKinds::Fields card = {
        {"name", "N"}, {"first", "F"}, {"last", "L"}, {"note", "a\r\nb"}};
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"vcard", "", "", "", "", "N", "F", "L", "a\nb"}))
                  .payload,
              PayloadKinds::Compose("vcard", card).payload);
    EXPECT_NE(ComposeRowPayload(columns, Fields({"vcard", "", "", "", "", "N", "F", "L", "a\nb"}))
                  .payload.find("NOTE:a\\nb\r\n"),
              std::string::npos);
    EXPECT_NE(ComposeRowPayload(columns, Fields({"fax"})).error.find("vcard, wifi"),
              std::string::npos);
}

TEST(BatchPlanning, NamesDuplicatesAndHeader) {
    const Planned plan = PlanAll("file,text,colour\n"
                                 "a,one\n"
                                 ",two\n"
                                 "a,three\n"
                                 "2,four\n"
                                 "../b,five\n");
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.rows.size(), 5u);
    EXPECT_EQ(plan.notes.size(), 1);
    EXPECT_EQ(plan.rows[0].name, "a");
    EXPECT_EQ(plan.rows[0].payload, "one");
    EXPECT_EQ(plan.rows[0].error, "");
    EXPECT_EQ(plan.rows[1].name, "2"); // the row number
    EXPECT_NE(plan.rows[2].error.find("row 1"), std::string::npos);
    EXPECT_NE(plan.rows[3].error.find("row 2"), std::string::npos);
    EXPECT_NE(plan.rows[4].error, "");
    EXPECT_EQ(RowLabel(plan.rows[4]), "row 5 (line 6)");
    EXPECT_NE(PlanAll("").error, "");
    EXPECT_NE(PlanAll("text,Text\nx,y\n").error, "");
}

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// Names are kept as hashes: a name taken again, however far back and however long, is known.
TEST(BatchPlanning, NameRegisterKnowsEveryNameTaken) {
    NameRegister names;
    for (int row = 1; row <= 100000; ++row)
        ASSERT_EQ(names.Claim(std::to_string(row) + Repeated("二", row % 7), row), 0);
    EXPECT_EQ(names.Claim("1" + Repeated("二", 1), 200000), 1);
    EXPECT_EQ(names.Claim("99999" + Repeated("二", 99999 % 7), 200001), 99999);
    EXPECT_EQ(names.Claim("1", 200002), 0); // not the same name
    EXPECT_EQ(names.Claim(std::string(5000, 'x'), 200003), 0);
    EXPECT_EQ(names.Claim(std::string(5000, 'x'), 200004), 200003);
    // Rows named by their own number (no file cell) against names written in a file cell.
    NameRegister numbered;
    EXPECT_EQ(numbered.Claim("3", 3), 0);
    EXPECT_EQ(numbered.Claim("20", 5), 0);
    EXPECT_EQ(numbered.Claim("3", 10), 3);
    EXPECT_EQ(numbered.Claim("03", 11), 0); // another name
    EXPECT_EQ(numbered.Claim("20", 20), 5);
    EXPECT_EQ(numbered.Claim("21", 21), 0);
}

TEST(BatchPlanning, PayloadsAreBounded) {
    const Planned longRows = PlanAll("kind,to,subject\nmail," + std::string(4000, 'a') + ',' +
                                     std::string(4000, 'b') + "\ntext,,\n");
    ASSERT_EQ(longRows.error, "");
    EXPECT_NE(longRows.rows[0].error.find("longer than any symbol"), std::string::npos);
    EXPECT_TRUE(longRows.rows[0].payload.empty());
}

TEST(CsvLimitsTest, OversizeFieldsAndRecordsStopReadingEarly) {
    const ReadText longField = ReadAll("text\nok\n" + std::string(8193, 'x') + "\nnever\n");
    EXPECT_EQ(longField.records.size(), 2u);
    EXPECT_NE(longField.error.find("line 3"), std::string::npos) << longField.error;
    EXPECT_EQ(ReadAll("text\n" + std::string(8192, 'x') + "\n").error, "");
    const ReadText quoted = ReadAll("a\n\"\n\n" + std::string(9000, 'q') + "\"\n");
    EXPECT_NE(quoted.error.find("line 4"), std::string::npos) << quoted.error;
    CsvLimits narrow;
    narrow.fieldsPerRecord = 3;
    EXPECT_EQ(ReadAll("a,b,c\n", narrow).error, "");
    EXPECT_NE(ReadAll("a,b,c,d\n", narrow).error, "");
    EXPECT_NE(ReadAll("\xFF\xFEt\0e\0x\0t\0").error.find("UTF-16"), std::string::npos);
}

TEST(CsvLimitsTest, FieldOffsetsCountFromTheFileStart) {
    const ReadText read = ReadAll("\xEF\xBB\xBF"
                                  "ab,\"cd\"\nxyz");
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].fields[0].offset, 3);
    EXPECT_EQ(read.records[0].fields[1].offset, 7); // inside the quote
    EXPECT_EQ(read.records[1].fields[0].offset, 11);
}

TEST(FieldEncodings, InvalidBytesAreRefusedWithTheirOffset) {
    std::optional<FieldDecoding> utf8 = FieldDecoding::Named("UTF-8");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->Decode({"二维码", 0}).text, "二维码");
    const FieldDecoding::Text bad = utf8->Decode({"ab\xFF"
                                                  "cd",
                                                  100});
    EXPECT_EQ(bad.error, "invalid UTF-8 at byte 102 of the file");
    EXPECT_EQ(utf8->Decode({"a\xE4\xB8", 10}).error, "invalid UTF-8 at byte 11 of the file");
    std::optional<FieldDecoding> gb = FieldDecoding::Named("GB18030");
    ASSERT_TRUE(gb);
    EXPECT_EQ(gb->Decode({"\xB6\xFE\xCE\xAC\xC2\xEB", 0}).text, "二维码");
    EXPECT_EQ(gb->Decode({"\x81\x30\x81\x30", 0}).text, "\xC2\x80");
    EXPECT_NE(gb->Decode({"ok\xFF", 0}).error, "");
    EXPECT_FALSE(FieldDecoding::Named("no-such-encoding"));
    // Not split at ASCII bytes: wide, or shifting into characters written as ASCII bytes.
    for (const char* refused :
         {"UTF-16LE", "UTF-32", "ISO-2022-JP", "ISO-2022-CN", "ISO-2022-KR", "HZ", "UTF-7"})
        EXPECT_FALSE(FieldDecoding::Named(refused)) << refused;
    for (const char* accepted : {"utf8", "GBK", "big5", "SHIFT_JIS", "ISO-8859-1", "windows-1252"})
        EXPECT_TRUE(FieldDecoding::Named(accepted)) << accepted;
}

TEST(NamesInMessages, ControlCharactersAndQuotesAreEscaped) {
    EXPECT_EQ(Quoted("二维码"), "\"二维码\"");
    EXPECT_EQ(Quoted(std::string("a\0b\"c\\\n\x1B", 8)), R"("a\0b\"c\\\n\x1B")");
    // A hostile cell of 8,000 control characters: its beginning and its length, not 32 KB; the
    // cut never halves a character.
    const std::string longName =
        std::string(ShownNameLimit - 1, '\x01') + "😀" + std::string(8000, '\x07');
    std::string beginning;
    for (std::size_t i = 0; i < ShownNameLimit - 1; ++i) beginning += "\\x01";
    EXPECT_EQ(Quoted(longName), "\"" + beginning + "😀\"... (8080 characters)");
}

// Rows from a source of any length: each made once, told in row order, never more than the jobs
// computing, and never more than a few rows a job taken ahead of the oldest one not yet told.
TEST(JobRunning, EveryRowOnceInRowOrderWithBoundedRowsInHand) {
    for (int jobs : {1, 2, 3, 8}) {
        std::vector<int> order;
        std::set<clsQRCode*> encoders;
        std::mutex mutex;
        std::atomic<int> inside{0};
        std::vector<int> computing; // rows computing at once, seen by each row
        int taken = 0, told = 0, mostInHand = 0;
        const RowSource next = [&]() -> std::optional<PlannedRow> {
            if (taken == 200) return std::nullopt;
            PlannedRow row;
            row.number = ++taken;
            mostInHand = std::max(mostInHand, taken - told);
            return row;
        };
        RunRows(
            next, jobs,
            [&](clsQRCode& encoder, const PlannedRow& row) {
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    encoders.insert(&encoder);
                    computing.push_back(++inside);
                }
                // Every tenth row is slow, so the runner has to hold results back.
                std::this_thread::sleep_for(std::chrono::microseconds(row.number % 10 ? 10 : 2000));
                --inside;
                RowResult result;
                if (row.number % 7 == 0) result.error = "bad";
                return result;
            },
            [&](const PlannedRow& row, const RowResult& result) {
                order.push_back(row.number);
                ++told;
                EXPECT_EQ(result.error.empty(), row.number % 7 != 0);
            });
        ASSERT_EQ(order.size(), 200u);
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], int(i) + 1);
        EXPECT_LE(encoders.size(), static_cast<std::size_t>(jobs));
        EXPECT_LE(*std::max_element(computing.begin(), computing.end()), jobs);
        EXPECT_LE(mostInHand, 4 * jobs) << jobs;
        if (jobs > 1) {
            EXPECT_GT(encoders.size(), 1u);
        }
    }
}

TEST(ProgressText, CountsRateAndTimeLeft) {
    EXPECT_EQ(Progress::BarText(50, 100, 2.0, 10), "[#####-----] 50/100  25 rows/s  0:02 left");
    EXPECT_EQ(Progress::BarText(0, 100, 0.0, 4), "[----] 0/100  0 rows/s  -:-- left");
    EXPECT_EQ(Progress::BarText(100, 100, 4.0, 4), "[####] 100/100  25 rows/s  0:00 left");
    EXPECT_EQ(Progress::BarText(300, 0, 2.0, 4), "300 rows  150 rows/s"); // from a pipe
}

} // namespace

TEST(BatchMemory, SharesAreTakenAndGivenBackAndOversizeRequestsRefused) {
    MemoryBudget budget(100);
    EXPECT_FALSE(budget.Take(101));
    std::optional<MemoryBudget::Share> first = budget.Take(60);
    ASSERT_TRUE(first);
    std::atomic<bool> secondTaken{false};
    std::thread waiter([&] {
        const std::optional<MemoryBudget::Share> second = budget.Take(60);
        secondTaken = second.has_value();
    });
    first.reset(); // the waiting row goes on once the first gives its share back
    waiter.join();
    EXPECT_TRUE(secondTaken);
    EXPECT_TRUE(budget.Take(100)); // everything was given back
}

TEST(BatchMemory, RowNeedsGrowWithThePictureAndTheWriter) {
    using FileFormats::Format;
    const std::int64_t side = 10000;
    EXPECT_LT(RowMemoryNeed(side, Format::Png, false), RowMemoryNeed(side, Format::Bmp, false));
    EXPECT_LT(RowMemoryNeed(side, Format::Bmp, false), RowMemoryNeed(side, Format::Bmp, true));
    EXPECT_GT(RowMemoryNeed(side, Format::Bmp, false), std::size_t(side * side * 4));
    EXPECT_LT(RowMemoryNeed(240, Format::Bmp, true), std::size_t(32) << 20);
}

TEST(BatchMemory, ControlGroupLimitsAreReadInBothLayouts) {
    const QString root = TemporaryFolder();
    const auto write = [&](const QString& file, const QByteArray& text) {
        QDir().mkpath(QFileInfo(root + file).path());
        QFile out(root + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    };
    write("/box/memory.max", "1000000\n");
    write("/box/memory.current", "250000\n");
    write("/open/memory.max", "max\n");
    write("/memory/v1/memory.limit_in_bytes", "4000\n");
    write("/memory/v1/memory.usage_in_bytes", "5000\n");
    write("/memory/none/memory.limit_in_bytes", "9223372036854771712\n");
    const std::string r = root.toStdString();
    using Room = std::optional<std::size_t>;
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("0::/box\n", r), Room(750000));
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("0::/open\n", r), Room());
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("5:cpu:/\n4:memory:/v1\n0::/\n", r), Room(0));
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("4:memory:/none\n", r), Room());
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("garbage", r), Room());
    EXPECT_EQ(MemoryBudget::ControlGroupRoom("", r), Room());
}
