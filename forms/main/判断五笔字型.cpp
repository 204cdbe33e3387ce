#include "forms/main/判断五笔字型.h"

#include "forms/main/ProgramExit.h"
#include "forms/main/UserMessages.h"

#include <algorithm>

namespace InputMethodCheck {
namespace {

const QString WubiText = QStringLiteral("五笔");
// What a plain keyboard layout is described as; it never contains the search text.
const QString KeyboardDescription = QStringLiteral("English   (American)");

bool containsWubi(const QString& text) {
    return text.contains(QLatin1String("wubi"), Qt::CaseInsensitive);
}

bool isWubi(const Entry& entry) {
    const QString description = entry.isInputMethod ? entry.description : KeyboardDescription;
    if (description.contains(WubiText)) return true;
    // Linux configurations often name Wubi only in pinyin ("table:wubi-jidian86", "wubi86"),
    // with no Chinese description to search, so "wubi" in any letter case counts as well.
    return entry.isInputMethod && (containsWubi(entry.name) || containsWubi(description));
}

} // namespace

std::optional<int> 判断五笔字型(const std::vector<Entry>& list) {
    if (list.empty()) return std::nullopt;
    const std::size_t examined = std::min<std::size_t>(list.size(), MaxEntries);
    for (std::size_t k = 0; k < examined; ++k) {
        if (isWubi(list[k])) return 1;
    }
    return 0;
}

std::optional<int> 判断五笔字型() {
    return 判断五笔字型(ReadInputList());
}

void RefuseAndExit() {
    UserMessages::Show(QStringLiteral("发现五笔字型坑害本软件，程序将退出，请你二选一"));
    ProgramExit::Now();
}

} // namespace InputMethodCheck
