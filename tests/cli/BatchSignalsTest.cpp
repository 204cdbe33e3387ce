// A batch stopped by SIGINT, SIGTERM or SIGHUP: the rows in flight finish, no temporary file is
// left, the summary is told, and the exit status is the conventional 128 + the signal.
#include "tests/cli/ByteTool.h"
#include "tests/cli/ToolProcess.h"

#include "files/FileAccess.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <unistd.h>

namespace {

std::size_t PicturesIn(const std::string& folder, std::vector<std::string>* leftovers = nullptr) {
    std::size_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".png" && name[0] != '.')
            ++pictures;
        else if (leftovers)
            leftovers->push_back(name);
    }
    return pictures;
}

// Until the batch has written its first files, or has ended on its own.
void WaitForFirstPictures(const std::string& folder, pid_t tool) {
    for (int tries = 0; tries < 6000 && PicturesIn(folder) < 3; ++tries) {
        if (::kill(tool, 0) != 0) return;
        ::usleep(10000);
    }
}

class BatchSignals : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(BatchSignals, FinishTheRowsInFlightAndTellTheSummary) {
    const int signal = GetParam();
    const std::string folder = QFile::encodeName(TemporaryFolder()).toStdString();
    const std::string out = folder + "/out", csv = folder + "/rows.csv";
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    std::string rows = "file,text\n";
    for (int row = 1; row <= 20000; ++row)
        rows += "r" + std::to_string(row) + ",row " + std::to_string(row) + "\n";
    ASSERT_FALSE(FileAccess::ReplaceFile(csv, rows).failed());

    RunningTool tool({"--batch", csv, "--out-dir", out, "--scale", "24", "--jobs", "2"});
    WaitForFirstPictures(out, tool.pid());
    ASSERT_EQ(::kill(tool.pid(), signal), 0);
    const ByteRun run = tool.Finish();

    EXPECT_EQ(run.signal, 0) << "ended by the signal, without a summary";
    EXPECT_EQ(run.status, 128 + signal) << run.err;
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(run.out, counts,
                                  std::regex("rows written (\\d+), rows failed 0, rows not made "
                                             "(\\d+) \\(stopped by SIG(INT|TERM|HUP)\\)")))
        << run.out;
    std::vector<std::string> leftovers;
    EXPECT_EQ(PicturesIn(out, &leftovers), std::stoul(counts[1]));
    EXPECT_EQ(std::stoul(counts[1]) + std::stoul(counts[2]), 20000u);
    EXPECT_TRUE(leftovers.empty()) << leftovers.front();
    // The last file written is whole.
    const std::string last = out + "/r" + counts[1].str() + ".png";
    EXPECT_EQ(ReadBack(QFile::decodeName(last.c_str())), "row " + counts[1].str());
}

INSTANTIATE_TEST_SUITE_P(StopSignals, BatchSignals, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT    ? "SIGINT"
                                                : info.param == SIGTERM ? "SIGTERM"
                                                                        : "SIGHUP");
                         });
