#pragma once

#include <QString>
#include <QStringList>

// Reads MECARD / MEBKM records the way phone readers do: a key is found by its prefix anywhere
// in the text, a value runs to the first ";" not escaped by a backslash, and each escaping
// backslash is dropped. Every match of the prefix is returned, in order.
QStringList ReaderValues(const QString& record, const QString& prefix);
