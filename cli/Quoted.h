#pragma once

#include <QString>

#include <string>

// Text from the CSV or the command line made safe to print on one line: control characters
// (a NUL above all, which would cut the message) become C escapes.
std::string EscapedControls(const QString& text);

// "…" with C-style escapes for control characters, quotes and backslashes: how names are shown.
std::string Quoted(const QString& text);
// The same as a QString, for messages built with QString::arg.
QString QuotedText(const QString& text);
