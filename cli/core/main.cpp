// quorlik-qr: one symbol to text art, --info, --matrix, PNG or SVG, with nothing but the encoder,
// zlib and the C++ library loaded; every other command line runs the full program.
#include "cli/ExitStatus.h"
#include "cli/core/CoreCommandLine.h"
#include "cli/core/CoreSymbol.h"
#include "cli/core/Handover.h"
#include "cli/core/Usage.h"
#include "files/FileAccess.h"

#include <csignal>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    // A closed standard output must make our writes fail, not let a file opened later take fd 1.
    FileAccess::ReserveStandardDescriptors();
    const std::optional<CoreCommandLine::Request> request = CoreCommandLine::Parse(argc, argv);
    if (!request) return Handover::RunFullProgram(argv);
    FileAccess::RemoveTemporaryFilesOnStopSignals();
    // Past a file size limit the write should fail with EFBIG and be reported, not kill the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    switch (request->action) {
    case CoreCommandLine::Action::Help:
    case CoreCommandLine::Action::Version: {
        const std::string text =
            request->action == CoreCommandLine::Action::Help ? UsageText() : VersionText();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? ExitDone : ExitBadUsage;
    }
    case CoreCommandLine::Action::Symbol: break;
    }
    return RunCoreSymbol(*request);
}
