#pragma once

#include <QString>

#include <string>

// Escape::Shown for the Qt text of batch messages: made safe to print on one line (a NUL above
// all, which would cut the message, becomes a C escape).
std::string EscapedControls(const QString& text);

// "…" with C-style escapes for control characters, quotes and backslashes: how names are shown.
std::string Quoted(const QString& text);
// The same as a QString, for messages built with QString::arg.
QString QuotedText(const QString& text);
