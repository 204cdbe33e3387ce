#pragma once

#include <QByteArray>
#include <QString>

// Making its application object, Qt looks for a file in the user's runtime folder and creates a
// missing one ($XDG_RUNTIME_DIR, else $TMPDIR/runtime-USER) to do so. The window without a
// usable runtime folder and the command line, which keeps nothing there, both start Qt without
// letting it create one. Qt Core and POSIX only, so that the command line shares it.
namespace RuntimeFolder {

// $XDG_RUNTIME_DIR when it is a real folder (not a link) of this user; empty otherwise. Nothing
// is created.
QString Usable();

// While this object lives, XDG_RUNTIME_DIR and TMPDIR point at /dev/null, below which nothing
// can be made, and Qt's "QStandardPaths:" warnings about that are muted (every other message
// goes to the handler installed before). Make the application object inside its lifetime; both
// variables and the message handler are put back when it ends.
class Hidden {
  public:
    Hidden();
    ~Hidden();
    Hidden(const Hidden&) = delete;
    Hidden& operator=(const Hidden&) = delete;

  private:
    QByteArray runtimeFolder_;
    QByteArray temporaryFolder_;
    bool hadRuntimeFolder_ = false;
    bool hadTemporaryFolder_ = false;
};

} // namespace RuntimeFolder
