// Logos chosen in the window: large photographs are taken (reduced), and pictures of every
// colour type are painted into the symbol's centre in their own colours.
#include "forms/generator/PictureHolder.h"
#include "forms/main/FileDialogs.h"
#include "forms/main/OutputCommands.h"
#include "tests/forms/main/WindowDriver.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace WindowDriver;

namespace {

// The centre of the 240 × 240 composed picture lies inside the logo's square.
QColor centreOf(const QImage& composed) {
    return composed.pixelColor(120, 120);
}

bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

// ImageMagick writes the PNG colour types and GIF palettes exactly as asked.
bool convert(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("convert"), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

class LogoPicturesTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<文本录入> makeWindow() {
        auto window = std::make_unique<文本录入>([] { return std::optional<int>(0); });
        window->文件对话框.askOpenName = [this](QWidget*, const QString&) { return answer; };
        window->show();
        return window;
    }
    // Browses for `file` on page 0 with the logo ticked; the messages shown.
    QStringList browse(文本录入& w, const QString& file) {
        Recorder recorder;
        if (!w.Check个性图标[0]->isChecked()) w.Check个性图标[0]->click();
        answer = file;
        w.Command浏览[0]->click();
        return recorder.texts();
    }

    QTemporaryDir dir;
    QString answer;

  private slots:
    void largePhotographsAreTakenReduced_data();
    void largePhotographsAreTakenReduced();
    void everyColourTypeIsPaintedInItsColours_data();
    void everyColourTypeIsPaintedInItsColours();
};

void LogoPicturesTest::largePhotographsAreTakenReduced_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("JPEG") << "photo.jpg";
    QTest::newRow("PNG") << "photo.png";
}

// 6000 × 6000 pixels of 32-bit colour are more than Qt's usual 128 MB reader limit.
void LogoPicturesTest::largePhotographsAreTakenReduced() {
    QFETCH(QString, name);
    const QString file = dir.filePath(name);
    {
        QImage photo(6000, 6000, QImage::Format_RGB32);
        photo.fill(QColor(230, 20, 20));
        for (int y = 0; y < 6000; y += 500) photo.setPixel(y, y, qRgb(20, 20, 230)); // not flat
        QVERIFY(photo.save(file, nullptr, 50));
    }
    auto w = makeWindow();
    QCOMPARE(browse(*w, file), QStringList{});
    QCOMPARE(w->Text2[0]->text(), file);
    const QImage logo = w->Image2[0]->picture();
    QCOMPARE(logo.size(), QSize(1024, 1024));
    QVERIFY(isRed(centreOf(w->Image1[0]->picture())));
}

void LogoPicturesTest::everyColourTypeIsPaintedInItsColours_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("expected");
    const QColor red(255, 0, 0);
    QTest::newRow("one-bit") << QStringList{"xc:red"} << "one.png" << red;
    QTest::newRow("palette") << QStringList{"xc:red", "-type", "palette", "PNG8:"} << "pal.png"
                             << red;
    QTest::newRow("grey") << QStringList{"xc:gray30", "-define", "png:color-type=0"} << "grey.png"
                          << QColor(77, 77, 77);
    QTest::newRow("grey 16-bit") << QStringList{"xc:gray30", "-depth", "16", "-define",
                                                "png:color-type=0"}
                                 << "grey16.png" << QColor(77, 77, 77);
    QTest::newRow("RGB 16-bit") << QStringList{"xc:red", "-depth", "16", "-define",
                                               "png:color-type=2"}
                                << "rgb16.png" << red;
    QTest::newRow("grey and alpha")
        << QStringList{"xc:gray30", "-alpha", "set", "-define", "png:color-type=4"}
        << "greyalpha.png" << QColor(77, 77, 77);
    QTest::newRow("palette GIF") << QStringList{"xc:red"} << "pal.gif" << red;
}

void LogoPicturesTest::everyColourTypeIsPaintedInItsColours() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, name);
    QFETCH(QColor, expected);
    QStringList command{"-size", "200x200", arguments.takeFirst()};
    QString target = dir.filePath(name);
    if (!arguments.isEmpty() && arguments.last().endsWith(':'))
        target.prepend(arguments.takeLast());
    QVERIFY(convert(command + arguments << target));
    auto w = makeWindow();
    QCOMPARE(browse(*w, dir.filePath(name)), QStringList{});
    const QColor centre = centreOf(w->Image1[0]->picture());
    QVERIFY2(qAbs(centre.red() - expected.red()) < 8 &&
                 qAbs(centre.green() - expected.green()) < 8 &&
                 qAbs(centre.blue() - expected.blue()) < 8,
             qPrintable(centre.name() + " for " + expected.name()));
}

QTEST_MAIN(LogoPicturesTest)
#include "LogoPicturesTest.moc"
