#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Quorlik二维码：窗口尚未完成"));
    placeholder.show();
    return app.exec();
}
