#pragma once

// The full program (Qt, ZXing) answers every command line the core does not: it is installed as
// a helper under libexec, at the same place relative to the core in the build tree and in the
// installed tree, and runs with the core's own arguments.
namespace Handover {

// Replaces this process with the full program; returns only when it cannot be run, after
// saying why on standard error, with the exit status to end with.
int RunFullProgram(char* const* argv);

} // namespace Handover
