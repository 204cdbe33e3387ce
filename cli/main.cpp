// quorlik-qr: the encoder as a Unix tool, for one payload or a whole CSV of them.
#include "cli/BatchCommand.h"
#include "cli/DecodeCommand.h"
#include "cli/SingleSymbol.h"
#include "cli/core/CommandLine.h"
#include "cli/core/ExitStatus.h"
#include "cli/core/TerminalText.h"
#include "cli/core/Usage.h"
#include "files/FileAccess.h"

#include <csignal>
#include <iostream>
#include <new>

int main(int argc, char** argv) {
    // A closed standard output must make our writes fail, not let a file opened later take fd 1.
    FileAccess::ReserveStandardDescriptors();
    FileAccess::RemoveTemporaryFilesOnStopSignals();
    // Past a file size limit the write should fail with EFBIG and be reported, not kill the
    // program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const ParsedCommandLine parsed =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        TerminalText::PrintError(parsed.error + " (try --help)");
        return ExitBadUsage;
    }
    if (parsed.options.help || parsed.options.showVersion) {
        std::cout << (parsed.options.help ? UsageText() : VersionText()) << std::flush;
        return std::cout ? ExitDone : ExitBadUsage;
    }
    // Every picture is bounded in size, yet the memory a process may take can be smaller still
    // (ulimit -v, a container): that is told and is exit 2, never an abort.
    try {
        if (parsed.options.decode)
            return RunDecodeCommand(parsed.options.decodeFiles, parsed.options.printInfo);
        if (parsed.options.batch) return RunBatchCommand(parsed.options);
        return RunSingleSymbol(parsed.options);
    } catch (const std::bad_alloc&) {
        TerminalText::PrintError("out of memory");
        return ExitBadUsage;
    }
}
