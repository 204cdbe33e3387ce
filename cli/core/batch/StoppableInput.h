#pragma once

#include "files/FileAccess.h"

#include <string>

// A batch's CSV, read from its descriptor as a stream. A pipe may go quiet for any time
// (tail -f); reading waits for it a tenth of a second at a time and asks `stopped` in between,
// so a stop signal ends the run with its summary instead of waiting for the next line.
class StoppableInput {
  public:
    StoppableInput(FileAccess::Descriptor descriptor, bool (*stopped)());

    // As CsvRead: bytes read, 0 at the end of the input and when asked to stop, -1 on an error.
    long Read(char* data, std::size_t size, std::string& error);

  private:
    FileAccess::Descriptor descriptor_;
    bool (*stopped_)();
};
