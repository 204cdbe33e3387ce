// The yardstick of the window's start-up: the smallest Qt Widgets program that shows a window
// with a label and a button, built with the same flags.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("你好, world")));
    layout->addWidget(new QPushButton(QStringLiteral("退出")));
    window.show();
    return app.exec();
}
