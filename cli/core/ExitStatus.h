#pragma once

// Scripts depend on these numbers.
enum ExitStatus : int {
    ExitDone = 0,
    ExitDoesNotFit = 1, // single symbol: fits no symbol; batch: some rows failed
    ExitBadUsage = 2,   // bad usage, unreadable input, or the run could not start
};
