#pragma once

#include <QString>

#include <string>

// Escape::Shown for the Qt text of batch messages: made safe to print on one line (a NUL above
// all, which would cut the message, becomes a C escape).
std::string EscapedControls(const QString& text);

// A batch keeps every failed row's message until its summary, so a name is shown whole only up
// to this many characters; beyond, its beginning and its length.
constexpr qsizetype ShownNameLimit = 80;

// "…" with C-style escapes for control characters, quotes and backslashes: how names are shown.
std::string Quoted(const QString& text);
// The same as a QString, for messages built with QString::arg.
QString QuotedText(const QString& text);
