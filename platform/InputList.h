#pragma once

#include <QString>

#include <vector>

// The user's configured input list (fcitx5, fcitx 4, IBus), as the input-method check reads it.
namespace InputMethodCheck {

constexpr int MaxEntries = 25;

struct Entry {
    QString name;
    QString description;
    bool isInputMethod = false;
};

// The first MaxEntries of the configured input list. Files are parsed again only when they
// change, every read is bounded, and only regular files are read; no process is started.
std::vector<Entry> ReadInputList();

} // namespace InputMethodCheck
