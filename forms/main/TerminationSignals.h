#pragma once

class QCoreApplication;

// SIGTERM, SIGHUP and SIGINT end the program as closing the window does. The signal handler only
// writes a byte to a pipe; the event loop reads it and leaves normally, so that all the work of
// a normal end (removing the settings folder) is done.
namespace TerminationSignals {

// False when the pipe or a handler cannot be set up; those signals then keep their default
// action.
bool QuitOnTermination(QCoreApplication& app);

} // namespace TerminationSignals
