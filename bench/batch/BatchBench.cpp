// 10,000 CSV rows of mixed kinds to PNG pictures, against zint on the same payloads. Both run as
// programs, writing into the same kind of folder. The folder is on /dev/shm when it
// exists, so that the figures measure the programs rather than this machine's disk flushes;
// set QUORLIK_BENCH_DIR to measure on another file system.
#include "cli/core/batch/CsvReader.h"
#include "cli/core/batch/FieldDecoding.h"
#include "cli/core/batch/RowPlanner.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>

namespace {

constexpr int RowCount = 10000;

QByteArray Quoted(const QString& field) {
    QByteArray bytes = field.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

QByteArray CsvRow(const QStringList& fields) {
    QByteArray row;
    for (const QString& f : fields) row += (row.isEmpty() ? "" : ",") + Quoted(f);
    return row + "\r\n";
}

// Tickets, links, contact cards, mails and text messages, as a real sheet would mix them.
QByteArray MixedCsv() {
    QByteArray csv = CsvRow({"file", "kind", "text", "to", "subject", "body", "title", "url",
                             "phone", "name", "company", "mobile", "note", "email", "address"});
    for (int i = 0; i < RowCount; ++i) {
        const QString n = QString::number(i);
        const QString id = QString::number(100000 + i * 7919 % 900000);
        QStringList f(15);
        f[0] = "row" + n;
        switch (i % 5) {
        case 0:
            f[1] = "text";
            f[2] = "入场券 " + id + " 第" + n + "排 Ticket " + id;
            break;
        case 1:
            f[1] = "bookmark";
            f[6] = "商品 " + n;
            f[7] = "https://shop.example.com/item/" + id + "?ref=qr";
            break;
        case 2:
            f[1] = "contact";
            f[9] = "张伟" + n;
            f[10] = "示例公司";
            f[11] = "139" + id.rightJustified(8, '0');
            f[13] = "user" + n + "@example.cn";
            f[14] = "北京市海淀区 " + n + " 号";
            break;
        case 3:
            f[1] = "mail";
            f[3] = "user" + n + "@example.cn";
            f[4] = "订单 " + id;
            f[5] = "您好，\n您的订单 " + id + " 已发货。";
            break;
        default:
            f[1] = "sms";
            f[8] = "1380013" + id.right(4);
            f[2] = "验证码 " + id.right(6);
        }
        csv += CsvRow(f);
    }
    return csv;
}

// zint reads one payload per line; --esc turns \\, \r and \n back into the payload's bytes.
QByteArray ZintLine(const QByteArray& payload) {
    QByteArray line = payload;
    line.replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n");
    return line + '\n';
}

struct Workload {
    std::unique_ptr<QTemporaryDir> folder;
    QString csv;
    QString zintInput;
};

const Workload& SharedWorkload() {
    static const Workload workload = [] {
        Workload w;
        const char* base = std::getenv("QUORLIK_BENCH_DIR");
        const QString parent = base                        ? QString::fromLocal8Bit(base)
                               : QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm")
                                                           : QDir::tempPath();
        w.folder = std::make_unique<QTemporaryDir>(parent + "/quorlik-batch-bench-XXXXXX");
        const QByteArray csv = MixedCsv();
        w.csv = w.folder->filePath("rows.csv");
        QFile csvFile(w.csv);
        csvFile.open(QIODevice::WriteOnly);
        csvFile.write(csv);
        // The very payloads the batch makes, from the same planning code.
        CsvReader reader([text = csv.toStdString(),
                          at = std::size_t(0)](char* data, std::size_t size, std::string&) mutable {
            const std::size_t n = std::min(size, text.size() - at);
            std::copy_n(text.data() + at, n, data);
            at += n;
            return long(n);
        });
        std::optional<FieldDecoding> utf8 = FieldDecoding::Named("UTF-8");
        RowPlanner planner(reader, *utf8);
        QByteArray lines;
        while (const std::optional<PlannedRow> row = planner.Next())
            lines += ZintLine(QByteArray::fromStdString(row->payload));
        w.zintInput = w.folder->filePath("payloads.txt");
        QFile zintFile(w.zintInput);
        zintFile.open(QIODevice::WriteOnly);
        zintFile.write(lines);
        return w;
    }();
    return workload;
}

QString FreshOutputFolder(const QString& name) {
    QDir folder(SharedWorkload().folder->filePath(name));
    folder.removeRecursively();
    QDir().mkpath(folder.path());
    return folder.path();
}

// The CPU time that finished child processes have used so far, user and system.
double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool RunProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// One contender: a program and its arguments for an output folder.
struct Contender {
    const char* name;
    QString program;
    std::function<QStringList(const QString&)> arguments;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

// Each run writes all rows into a fresh folder; returns false when a row is missing.
bool RunOnce(Contender& contender) {
    const QString out = FreshOutputFolder(QString::fromLatin1(contender.name));
    const double cpuBefore = ChildCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    const bool ran = RunProgram(contender.program, contender.arguments(out));
    contender.wallSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    contender.cpuSeconds += ChildCpuSeconds() - cpuBefore;
    return ran && QDir(out).entryList(QDir::Files).size() == RowCount;
}

// A logo of four flat colours: its pictures keep to one palette, unlike the default logo's,
// whose smooth scaling gives them 260 colours and so 24-bit PNG files.
QString FlatLogoFile() {
    static const QString file = [] {
        QImage logo(48, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x)
                logo.setPixel(x, y,
                              x < 24 ? (y < 24 ? qRgb(200, 20, 20) : qRgb(20, 60, 200))
                                     : (y < 24 ? qRgb(20, 150, 40) : qRgb(240, 170, 0)));
        const QString name = SharedWorkload().folder->filePath("flat-logo.png");
        logo.save(name);
        return name;
    }();
    return file;
}

QStringList QuorlikArguments(const QString& out, const QStringList& extra) {
    return QStringList{"--batch", SharedWorkload().csv, "--out-dir", out, "--jobs", "1"} + extra;
}

// QR Code (symbology 58) at level Q, the payload bytes as they are, to PNG with a quiet zone
// and 5 pixels a module (zint's X-dimension of 2.5).
QStringList ZintArguments(const QString& out) {
    return QStringList{"--barcode=58",
                       "--secure=3",
                       "--binary",
                       "--esc",
                       "--quietzones",
                       "--scale=2.5",
                       "--batch",
                       "--input=" + SharedWorkload().zintInput,
                       "--output=" + out + "/~~~~~.png"};
}

// Ours in three ways and zint on the same rows, one process at a time (--jobs 1), in turn and
// in a shuffled order each round, so that the machine's drift falls on all alike. The figures
// are CPU per row (the processes' user and system time) and zint's CPU over ours.
void BM_BatchAgainstZint(benchmark::State& state) {
    const QString logo = QStringLiteral(QUORLIK_SOURCE_DIR "/resources/pictures/logo-fu.png");
    std::vector<Contender> contenders = {
        {"zint", "zint", ZintArguments},
        {"plain", QUORLIK_QR_BINARY,
         [](const QString& out) {
             return QuorlikArguments(out, {"--scale", "5"});
         }},
        {"compose", QUORLIK_QR_BINARY,
         [](const QString& out) { return QuorlikArguments(out, {"--compose"}); }},
        {"logo", QUORLIK_QR_BINARY,
         [&](const QString& out) {
             return QuorlikArguments(out, {"--compose", "--logo", logo});
         }},
        {"flatlogo", QUORLIK_QR_BINARY,
         [](const QString& out) {
             return QuorlikArguments(out, {"--compose", "--logo", FlatLogoFile()});
         }},
    };
    std::mt19937 shuffle(20261208);
    int rounds = 0;
    for (auto _ : state) {
        std::vector<Contender*> order;
        for (Contender& c : contenders) order.push_back(&c);
        std::shuffle(order.begin(), order.end(), shuffle);
        for (Contender* c : order)
            if (!RunOnce(*c)) state.SkipWithError((std::string(c->name) + " failed").c_str());
        ++rounds;
    }
    const auto perRow = [&](const Contender& c) { return c.cpuSeconds / rounds / RowCount * 1e6; };
    for (const Contender& c : contenders) {
        state.counters[std::string(c.name) + "_cpu_us_per_row"] = perRow(c);
        state.counters[std::string(c.name) + "_wall_us_per_row"] =
            c.wallSeconds / rounds / RowCount * 1e6;
        if (&c != &contenders.front())
            state.counters[std::string(c.name) + "_vs_zint"] =
                perRow(contenders.front()) / perRow(c);
    }
}

BENCHMARK(BM_BatchAgainstZint)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
