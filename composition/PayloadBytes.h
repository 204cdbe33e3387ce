#pragma once

#include <QByteArray>
#include <QString>

// The bytes a payload text becomes in the symbol.
namespace PayloadBytes {

// UTF-16 to UTF-8 through a buffer of 3n + 65 bytes, enough for any n code units. An unpaired
// surrogate cannot be written in UTF-8; it becomes U+FFFD (EF BF BD), as readers expect.
QByteArray ToUtf8(const QString& text);

} // namespace PayloadBytes
