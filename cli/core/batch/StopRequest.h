#pragma once

// Why a batch stops before its last row: the user's signal (SIGINT, SIGTERM, SIGHUP) or a full
// disk. The rows in flight finish, no further row starts, and the summary is still printed.
namespace StopRequest {

// From now on the first of those signals asks the run to stop; a second one removes every
// temporary file and ends the program at once, by that signal.
void CatchSignals();
// The signals' usual effect again.
void ReleaseSignals();

// The signal that asked to stop; 0 when none did.
int Signal();

// Asks to stop because the disk is full; true for the first request only, whose row alone
// tells the user.
bool ForFullDisk();

bool Requested();

} // namespace StopRequest
