// quorlik-qr: one symbol to text art, --info, --matrix, or a file in a format it writes, and
// batches of such files, with nothing but the encoder, zlib, nettle and the C++ library loaded;
// every other command line runs the full program.
#include "cli/core/CommandLine.h"
#include "cli/core/CoreSymbol.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/Handover.h"
#include "cli/core/TerminalText.h"
#include "cli/core/Usage.h"
#include "cli/core/batch/BatchRun.h"
#include "files/FileAccess.h"

#include <csignal>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    // A closed standard output must make our writes fail, not let a file opened later take fd 1.
    FileAccess::ReserveStandardDescriptors();
    const ParsedCommandLine parsed =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!CoreAnswers(parsed)) return Handover::RunFullProgram(argv);
    if (!parsed.error.empty()) {
        TerminalText::PrintError(parsed.error + " (try --help)");
        return ExitBadUsage;
    }
    FileAccess::RemoveTemporaryFilesOnStopSignals();
    // Past a file size limit the write should fail with EFBIG and be reported, not kill the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    if (parsed.options.help || parsed.options.showVersion) {
        const std::string text = parsed.options.help ? UsageText() : VersionText();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? ExitDone : ExitBadUsage;
    }
    if (parsed.options.batch) return RunBatch(parsed.options);
    return RunCoreSymbol(parsed.options);
}
