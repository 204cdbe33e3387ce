#include "WindowLayout.h"
#include "文本录入.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlik二维码"));
    QApplication::setDesktopFileName(QStringLiteral("quorlik"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorlik/window-icon.png")));
    // Message boxes and dialogs in the same CJK font as the window.
    QApplication::setFont(WindowLayout::微软雅黑(9));

    文本录入 window;
    window.show();
    return app.exec();
}
