// quorlik-qr: the encoder as a Unix tool, for one payload or a whole CSV of them.
#include "BatchCommand.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "SingleSymbol.h"

#include <iostream>

int main(int argc, char** argv) {
    const ParsedCommandLine parsed =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "quorlik-qr: " << parsed.error << " (try --help)\n";
        return ExitBadUsage;
    }
    if (parsed.options.help) {
        std::cout << UsageText();
        return ExitDone;
    }
    if (parsed.options.batch) return RunBatchCommand(parsed.options);
    return RunSingleSymbol(parsed.options);
}
