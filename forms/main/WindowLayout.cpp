#include "forms/main/WindowLayout.h"

#include <QImageReader>
#include <QPixmap>
#include <QStringList>

namespace WindowLayout {

QImage BundledPicture(const QString& name) {
    QImageReader reader(QStringLiteral(":/quorlik/") + name, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon WindowIcon() {
    return QIcon(QPixmap::fromImage(BundledPicture(QStringLiteral("window-icon.png"))));
}

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
