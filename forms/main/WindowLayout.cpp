#include "forms/main/WindowLayout.h"

#include <QStringList>

namespace WindowLayout {

QFont 微软雅黑(int pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                      QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace WindowLayout
