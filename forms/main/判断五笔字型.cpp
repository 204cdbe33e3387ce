#include "判断五笔字型.h"

#include "ProgramExit.h"
#include "UserMessages.h"

namespace InputMethodCheck {

std::vector<Entry> ReadInputList() {
    return {};
}

std::optional<int> 判断五笔字型(const std::vector<Entry>& list) {
    if (list.empty()) return std::nullopt;
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
