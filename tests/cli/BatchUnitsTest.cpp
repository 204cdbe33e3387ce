// The batch units on their own: CSV reading, names, row payloads, planning, SVG, job order.
#include "BatchPlan.h"
#include "CsvReader.h"
#include "JobRunner.h"
#include "OutputName.h"
#include "PayloadComposer.h"
#include "PayloadKinds.h"
#include "Progress.h"
#include "RowPayload.h"
#include "SvgSymbol.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

QStringList Fields(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts) list.append(QString::fromUtf8(t));
    return list;
}

TEST(CsvReading, QuotesCommasLineBreaksAndByteOrderMark) {
    const CsvDocument document = ReadCsv("\xEF\xBB\xBF"
                                         "a,b,c\r\n"
                                         "\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
                                         "plain,,\"\"\r\n");
    ASSERT_EQ(document.error, "");
    ASSERT_EQ(document.records.size(), 3u);
    EXPECT_EQ(document.records[0].fields, Fields({"a", "b", "c"}));
    EXPECT_EQ(document.records[1].fields, Fields({"x, y", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(document.records[2].fields, Fields({"plain", "", ""}));
    EXPECT_EQ(document.records[0].line, 1);
    EXPECT_EQ(document.records[1].line, 2);
    EXPECT_EQ(document.records[2].line, 4); // the quoted line break took a line
}

TEST(CsvReading, EveryLineEndAndBlankRows) {
    const CsvDocument document = ReadCsv("h\nlf\rcr\r\ncrlf\n\n,,\nlast");
    ASSERT_EQ(document.error, "");
    ASSERT_EQ(document.records.size(), 5u);
    EXPECT_EQ(document.records[1].fields, Fields({"lf"}));
    EXPECT_EQ(document.records[2].fields, Fields({"cr"}));
    EXPECT_EQ(document.records[3].fields, Fields({"crlf"}));
    EXPECT_EQ(document.records[4].fields, Fields({"last"}));
    EXPECT_EQ(document.records[4].line, 7);
}

TEST(CsvReading, UnclosedQuoteIsAnError) {
    const CsvDocument document = ReadCsv("a\n\"open\nstill open");
    EXPECT_NE(document.error.indexOf(QStringLiteral("line 2")), -1) << document.error.toStdString();
}

TEST(CsvReading, Utf8FieldsAndStrayTextAfterAQuote) {
    const CsvDocument document = ReadCsv("\"中文\"字,b\n");
    ASSERT_EQ(document.records.size(), 1u);
    EXPECT_EQ(document.records[0].fields, Fields({"中文字", "b"}));
}

TEST(OutputNames, StayInsideTheFolder) {
    EXPECT_EQ(MakeOutputName(QString(), 7).relativePath, "7");
    EXPECT_EQ(MakeOutputName(QStringLiteral(" ticket-1 "), 7).relativePath, "ticket-1");
    EXPECT_EQ(MakeOutputName(QStringLiteral("sub/二维码"), 7).relativePath, "sub/二维码");
    for (const char* bad :
         {"../x", "a/../../x", "/etc/x", "..", "a//b", "./a", "a/", "..\\x", "a\tb"}) {
        const OutputName name = MakeOutputName(QString::fromUtf8(bad), 1);
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
    const CsvColumns columns(Fields({"kind", "body"}));
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"mail", "a\nb\rc\r\nd"})).payload,
              PayloadComposer::Mail("", "", "a\r\nb\r\nc\r\nd"));
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"text"})).payload, "");
    EXPECT_NE(ComposeRowPayload(columns, Fields({"text", "b", "extra"})).error, "");
}

TEST(RowPayloads, WifiAndVCardRowsComposeThroughTheRegistry) {
    const CsvColumns columns(Fields({"kind", "ssid", "password", "security", "hidden", "name",
                                     "first", "last", "note", "colour"}));
    EXPECT_EQ(columns.UnusedNames(), QStringList{"colour"});
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"wifi", "Net;1", "p:w", "", " TRUE "})).payload,
              "WIFI:T:WPA;S:Net\\;1;P:p\\:w;H:true;;");
    const RowPayload badSecurity =
        ComposeRowPayload(columns, Fields({"wifi", "Net", "", "WPA3", ""}));
    EXPECT_EQ(badSecurity.payload, "");
    EXPECT_NE(badSecurity.error.indexOf("WPA, WEP or nopass"), -1)
        << badSecurity.error.toStdString();
    // The multi-line note arrives as CR LF, as in every other kind, and leaves as "\n".
    const QMap<QString, QString> card = {
        {"name", "N"}, {"first", "F"}, {"last", "L"}, {"note", "a\r\nb"}};
    EXPECT_EQ(ComposeRowPayload(columns, Fields({"vcard", "", "", "", "", "N", "F", "L", "a\nb"}))
                  .payload,
              PayloadKinds::Compose("vcard", card).payload);
    EXPECT_NE(ComposeRowPayload(columns, Fields({"vcard", "", "", "", "", "N", "F", "L", "a\nb"}))
                  .payload.indexOf("NOTE:a\\nb\r\n"),
              -1);
    EXPECT_NE(ComposeRowPayload(columns, Fields({"fax"})).error.indexOf("vcard, wifi"), -1);
}

TEST(BatchPlanning, NamesDuplicatesAndHeader) {
    const CsvDocument document = ReadCsv("file,text,colour\n"
                                         "a,one\n"
                                         ",two\n"
                                         "a,three\n"
                                         "2,four\n"
                                         "../b,five\n");
    const BatchPlan plan = PlanBatch(document);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.rows.size(), 5u);
    EXPECT_EQ(plan.notes.size(), 1);
    EXPECT_EQ(plan.rows[0].name, "a");
    EXPECT_EQ(plan.rows[0].error, "");
    EXPECT_EQ(plan.rows[1].name, "2"); // the row number
    EXPECT_NE(plan.rows[2].error.indexOf(QStringLiteral("row 1")), -1);
    EXPECT_NE(plan.rows[3].error.indexOf(QStringLiteral("row 2")), -1);
    EXPECT_NE(plan.rows[4].error, "");
    EXPECT_EQ(RowLabel(plan.rows[4]), "row 5 (line 6)");
    EXPECT_NE(PlanBatch(ReadCsv("")).error, "");
    EXPECT_NE(PlanBatch(ReadCsv("text,Text\nx,y\n")).error, "");
}

TEST(SvgOutput, OnePathWithAMarginInModules) {
    clsQRCode encoder;
    const QByteArray payload = "svg test";
    const std::optional<QRSymbol> symbol = encoder.EncodeToMatrix(
        reinterpret_cast<const std::uint8_t*>(payload.constData()), payload.size(), 0, 3, 0);
    ASSERT_TRUE(symbol);
    const QByteArray svg = SvgDocument(*symbol, 5);
    const int side = symbol->side() + 8;
    EXPECT_EQ(svg.count("<path"), 1);
    EXPECT_NE(svg.indexOf("viewBox=\"0 0 " + QByteArray::number(side) + ' ' +
                          QByteArray::number(side) + '"'),
              -1);
    EXPECT_NE(svg.indexOf("width=\"" + QByteArray::number(side * 5) + '"'), -1);
    EXPECT_NE(svg.indexOf("shape-rendering=\"crispEdges\""), -1);
    int dark = 0;
    for (int r = 0; r < symbol->side(); ++r)
        for (int c = 0; c < symbol->side(); ++c) dark += symbol->dark(r, c);
    // Every run is "h<n>v1h-<n>z": the lengths add up to the dark modules.
    int covered = 0;
    const QByteArray d = svg.mid(svg.indexOf(" d=\"") + 4);
    for (qsizetype i = d.indexOf('h'); i >= 0; i = d.indexOf('h', i + 1)) {
        if (d[i + 1] != '-') covered += d.mid(i + 1, d.indexOf('v', i) - i - 1).toInt();
    }
    EXPECT_EQ(covered, dark);
}

TEST(JobRunning, EveryRowOnceInRowOrderAndAtMostJobsComputing) {
    for (int jobs : {1, 2, 3, 8}) {
        std::vector<std::size_t> order;
        std::set<clsQRCode*> encoders;
        std::mutex mutex;
        std::atomic<int> inside{0};
        std::vector<int> computing; // rows computing at once, seen by each row
        RunRows(
            50, jobs,
            [&](clsQRCode& encoder, ComputeGate& gate, std::size_t row) {
                const ComputeTurn turn(gate);
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    encoders.insert(&encoder);
                    computing.push_back(++inside);
                }
                // Later rows finish first, so the runner has to hold results back.
                std::this_thread::sleep_for(std::chrono::microseconds((50 - row) * 20));
                --inside;
                return row % 7 == 0 ? QStringLiteral("bad") : QString();
            },
            [&](std::size_t row, const QString& error) {
                order.push_back(row);
                EXPECT_EQ(error.isEmpty(), row % 7 != 0);
            });
        ASSERT_EQ(order.size(), 50u);
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        EXPECT_LE(encoders.size(), static_cast<std::size_t>(jobs * ThreadsPerJob));
        EXPECT_LE(*std::max_element(computing.begin(), computing.end()), jobs);
        if (jobs > 1) {
            EXPECT_GT(encoders.size(), 1u);
        }
    }
}

TEST(ProgressText, CountsRateAndTimeLeft) {
    EXPECT_EQ(Progress::BarText(50, 100, 2.0, 10), "[#####-----] 50/100  25 rows/s  0:02 left");
    EXPECT_EQ(Progress::BarText(0, 100, 0.0, 4), "[----] 0/100  0 rows/s  -:-- left");
    EXPECT_EQ(Progress::BarText(100, 100, 4.0, 4), "[####] 100/100  25 rows/s  0:00 left");
}

} // namespace
