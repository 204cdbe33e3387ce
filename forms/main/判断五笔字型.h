#pragma once

#include <QString>

#include <optional>
#include <vector>

// Refuses to work beside a Wubi input method: looks through the user's configured input list
// (fcitx5, fcitx 4, IBus).
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

// 1 when one of the first 25 entries is a Wubi input method, 0 when none is, nullopt for an
// empty list.
std::optional<int> 判断五笔字型(const std::vector<Entry>& list);
std::optional<int> 判断五笔字型();

// Tells the user and ends the program at once.
void RefuseAndExit();

} // namespace InputMethodCheck
