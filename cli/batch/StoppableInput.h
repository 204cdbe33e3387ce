#pragma once

#include "files/FileAccess.h"

#include <QIODevice>

// A batch's CSV, read from its descriptor as a stream. A pipe may go quiet for any time
// (tail -f); reading waits for it a tenth of a second at a time and asks `stopped` in between,
// so a stop signal ends the run with its summary instead of waiting for the next line.
class StoppableInput : public QIODevice {
  public:
    StoppableInput(FileAccess::Descriptor descriptor, bool (*stopped)());
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    FileAccess::Descriptor descriptor_;
    bool (*stopped_)();
};
