// The output commands of the main window: save, copy, browse for a logo, clear and exit.
#include "forms/main/OutputCommands.h"
#include "forms/generator/PictureHolder.h"
#include "forms/main/FileDialogs.h"
#include "reading/LogoPicture.h"
#include "tests/forms/main/WindowDriver.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

using namespace WindowDriver;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QImage greenSquare() {
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(QColor(0, 200, 0));
    return picture;
}

// The CRC-32 that closes every PNG chunk.
quint32 pngCrc(const QByteArray& typeAndData) {
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : typeAndData) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

bool isGreen(const QColor& c) {
    return c.green() > 150 && c.red() < 80 && c.blue() < 80;
}

} // namespace

class OutputCommandsTest : public QObject {
    Q_OBJECT

  private:
    // A shown window whose dialogs answer with `answer` and count how often they were asked.
    std::unique_ptr<文本录入> makeWindow() {
        auto window = std::make_unique<文本录入>([] { return std::optional<int>(0); });
        const auto answer = [this](QWidget*, const QString& filter) {
            ++asked;
            lastFilter = filter;
            return this->answer;
        };
        window->文件对话框.askSaveName = answer;
        window->文件对话框.askOpenName = answer;
        window->show();
        return window;
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString answer;
    QString lastFilter;
    int asked = 0;

  private slots:
    void init();
    void extensionTestTakesTheLastFourCharactersLowerCased();
    void filtersAreTranslatedToQtSyntax();
    void saveDialogAppendsTheSelectedFiltersExtension_data();
    void saveDialogAppendsTheSelectedFiltersExtension();
    void saveDialogKeepsATypedExtension();
    void savesSvgWithTheLogoThatAnotherRendererReads();
    void savesEachFormatAsARealPicture_data();
    void savesEachFormatAsARealPicture();
    void upperCasePngIsAcceptedAndKeepsItsName();
    void savesTheSelectedPage();
    void refusedExtensionsWriteNothing_data();
    void refusedExtensionsWriteNothing();
    void unwritablePlaceGetsTheErrorAndNoSuccess();
    void cancelledDialogsDoNothing();
    void pageWithoutSymbolIsNotSavedOrCopied_data();
    void pageWithoutSymbolIsNotSavedOrCopied();
    void copyPutsTheComposedPictureOnTheClipboard();
    void browseForAMissingFile();
    void browseRefusesFilesThatAreNoWholePicture_data();
    void browseRefusesFilesThatAreNoWholePicture();
    void refusedLogoLeavesThePathOfTheLogoInUse();
    void browseForAPictureWhileTheTickIsClear();
    void browseAcceptsEachLogoFormat_data();
    void browseAcceptsEachLogoFormat();
    void clearResetsThePagesFields_data();
    void clearResetsThePagesFields();
    void exitEndsFromEveryPage();
    void windowKeysRunTheButtonsCommands();
};

void OutputCommandsTest::init() {
    QVERIFY(dir.isValid());
    for (const QString& name :
         QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        QVERIFY(QFileInfo(path(name)).isDir() ? QDir(path(name)).removeRecursively()
                                              : QFile::remove(path(name)));
    answer.clear();
    lastFilter.clear();
    asked = 0;
}

void OutputCommandsTest::extensionTestTakesTheLastFourCharactersLowerCased() {
    using OutputCommands::AcceptedSaveExtension;
    QCOMPARE(AcceptedSaveExtension("/a/b.PNG"), QStringLiteral(".png"));
    QCOMPARE(AcceptedSaveExtension("x.Jpg"), QStringLiteral(".jpg"));
    QCOMPARE(AcceptedSaveExtension("x.gif"), QStringLiteral(".gif"));
    QCOMPARE(AcceptedSaveExtension("x.BMP"), QStringLiteral(".bmp"));
    QCOMPARE(AcceptedSaveExtension("x.tif"), QStringLiteral(".tif"));
    QCOMPARE(AcceptedSaveExtension("x.SVG"), QStringLiteral(".svg"));
    QCOMPARE(AcceptedSaveExtension("x.jpeg"), QString());
    QCOMPARE(AcceptedSaveExtension("x.tiff"), QString());
    QCOMPARE(AcceptedSaveExtension("/a/noextension"), QString());
    QCOMPARE(AcceptedSaveExtension("png"), QString());
    QCOMPARE(AcceptedSaveExtension(""), QString());
}

void OutputCommandsTest::filtersAreTranslatedToQtSyntax() {
    QCOMPARE(FileDialogs::QtFilter(OutputCommands::SaveFilter),
             QStringLiteral("JPG文件(*.jpg *.JPG);;BMP文件(*.bmp *.BMP);;GIF文件(*.gif *.GIF);;"
                            "PNG文件(*.png *.PNG);;Tiff文件(*.tif *.TIF);;SVG文件(*.svg *.SVG);;"
                            "PDF 文档(*.pdf *.PDF);;EPS 矢量图(*.eps *.EPS)"));
    QVERIFY(OutputCommands::BrowseFilter.startsWith(
        QStringLiteral("JPG文件(*.jpg)|*.jpg|BMP文件(*.BMP)|*.BMP|GIF文件(*.GIF)|*.GIF")));
    // A pair listing several patterns, separated by ";".
    QCOMPARE(
        FileDialogs::QtFilter(OutputCommands::AllPictures),
        QStringLiteral("所有图片(*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.bmp *.BMP *.gif *.GIF "
                       "*.tif *.TIF *.tiff *.TIFF *.svg *.SVG *.svgz *.SVGZ)"));
}

void OutputCommandsTest::saveDialogAppendsTheSelectedFiltersExtension_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("saved");
    const QStringList names = {"card.jpg", "card.bmp", "card.gif", "card.png",
                               "card.tif", "card.svg", "card.pdf", "card.eps"};
    for (int i = 0; i < names.size(); ++i) QTest::newRow(qPrintable(names[i])) << i << names[i];
}

// A name typed without extension gets the selected filter's, and the window then saves it.
void OutputCommandsTest::saveDialogAppendsTheSelectedFiltersExtension() {
    QFETCH(int, filter);
    QFETCH(QString, saved);
    const std::unique_ptr<QFileDialog> dialog =
        FileDialogs::SaveDialog(nullptr, OutputCommands::SaveFilter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(dir.path());
    const QStringList filters = dialog->nameFilters();
    QCOMPARE(filters.size(), 8);
    dialog->selectNameFilter(filters[filter]);
    dialog->selectFile(QStringLiteral("card"));
    static_cast<QDialog*>(dialog.get())->accept(); // as the Save button does
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const QString chosen = dialog->selectedFiles().value(0);
    QCOMPARE(chosen, path(saved));

    auto w = makeWindow();
    Recorder recorder;
    answer = chosen;
    w->Command保存[0]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Saved});
    QVERIFY(QFileInfo(chosen).size() > 0);
}

void OutputCommandsTest::saveDialogKeepsATypedExtension() {
    const std::unique_ptr<QFileDialog> dialog =
        FileDialogs::SaveDialog(nullptr, OutputCommands::SaveFilter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(dir.path());
    dialog->selectNameFilter(dialog->nameFilters().value(0));
    dialog->selectFile(QStringLiteral("card.jpeg"));
    static_cast<QDialog*>(dialog.get())->accept(); // as the Save button does
    const QString chosen = dialog->selectedFiles().value(0);
    QCOMPARE(chosen, path("card.jpeg"));
    // The window's own extension test still refuses it.
    auto w = makeWindow();
    Recorder recorder;
    answer = chosen;
    w->Command保存[0]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::FormatError});
    QVERIFY(!QFileInfo::exists(chosen));
}

// The vector save carries the same symbol and the logo; librsvg, an independent renderer,
// draws it, and a reader reads what it drew.
void OutputCommandsTest::savesSvgWithTheLogoThatAnotherRendererReads() {
    const QString renderer = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (renderer.isEmpty()) QSKIP("rsvg-convert (librsvg2-bin) is not installed");
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(4);
    w->Check个性图标[4]->click();
    answer = path("card.svg");
    w->Command保存[4]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Saved});
    const QByteArray svg = fileBytes(answer);
    QVERIFY(svg.startsWith("<?xml"));
    QVERIFY(svg.contains("<path"));
    QVERIFY(svg.contains("<image"));

    const QString png = path("rendered.png");
    QProcess rsvg;
    rsvg.start(renderer,
               {QStringLiteral("-w"), QStringLiteral("480"), QStringLiteral("-o"), png, answer});
    QVERIFY(rsvg.waitForFinished(30000));
    QCOMPARE(rsvg.exitCode(), 0);
    const QImage rendered(png);
    QCOMPARE(rendered.size(), QSize(480, 480));
    QCOMPARE(DecodedText(rendered), ExpectedPayload(*w, 4));
    // The centre carries the logo's yellow ground, as the preview does.
    const QColor centre = rendered.pixelColor(183, 183);
    QVERIFY(centre.red() > 200 && centre.green() > 200 && centre.blue() < 80);
    QCOMPARE(w->Image1[4]->picture().pixelColor(91, 91), centre.toRgb());
}

void OutputCommandsTest::savesEachFormatAsARealPicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("jpg") << "s.jpg" << QByteArray("jpeg") << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("png") << "s.png" << QByteArray("png") << QByteArray("\x89PNG");
    QTest::newRow("gif") << "s.gif" << QByteArray("gif") << QByteArray("GIF8");
    QTest::newRow("tif") << "s.tif" << QByteArray("tiff") << QByteArray("II*\0", 4);
    QTest::newRow("bmp") << "s.bmp" << QByteArray("bmp") << QByteArray("BM");
}

void OutputCommandsTest::savesEachFormatAsARealPicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, magic);
    auto w = makeWindow();
    Recorder recorder;
    answer = path(name);
    w->Command保存[0]->click();
    QCOMPARE(asked, 1);
    QCOMPARE(lastFilter, OutputCommands::SaveFilter);
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Saved});
    QVERIFY(fileBytes(answer).startsWith(magic));
    QImageReader reader(answer);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), QSize(240, 240));
    QCOMPARE(DecodedText(saved), ExpectedPayload(*w, 0));
}

void OutputCommandsTest::upperCasePngIsAcceptedAndKeepsItsName() {
    auto w = makeWindow();
    Recorder recorder;
    answer = path("Symbol.PNG");
    w->Command保存[0]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Saved});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Symbol.PNG"});
    QVERIFY(fileBytes(answer).startsWith("\x89PNG"));
}

void OutputCommandsTest::savesTheSelectedPage() {
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(2);
    answer = path("web.png");
    w->Command保存[2]->click();
    QCOMPARE(DecodedText(QImage(answer)), ExpectedPayload(*w, 2));
    QCOMPARE(QImage(answer).convertToFormat(QImage::Format_RGB32),
             w->Image1[2]->picture().convertToFormat(QImage::Format_RGB32));
}

void OutputCommandsTest::refusedExtensionsWriteNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("jpeg") << "s.jpeg";
    QTest::newRow("tiff") << "s.tiff";
    QTest::newRow("none") << "symbol";
}

void OutputCommandsTest::refusedExtensionsWriteNothing() {
    QFETCH(QString, name);
    auto w = makeWindow();
    Recorder recorder;
    answer = path(name);
    w->Command保存[0]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::FormatError});
    QCOMPARE(recorder.messages.value(0).title, QStringLiteral("Quorlik二维码"));
    QVERIFY(QDir(dir.path()).isEmpty());

    // An existing file under a refused name keeps its bytes.
    writeBytes(answer, "keep me");
    w->Command保存[0]->click();
    QCOMPARE(fileBytes(answer), QByteArray("keep me"));
}

void OutputCommandsTest::unwritablePlaceGetsTheErrorAndNoSuccess() {
    auto w = makeWindow();
    Recorder recorder;
    // Tests run as root, so the place is one that cannot exist: inside a regular file.
    const QString blocker = path("blocker");
    writeBytes(blocker, "not a directory");
    answer = blocker + "/inner.png";
    w->Command保存[0]->click();
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].title, QStringLiteral("错误"));
    QVERIFY(recorder.messages[0].text.startsWith(QStringLiteral("在保存图片的过程中发生错误:")));
    QVERIFY(!recorder.texts().contains(OutputCommands::Saved));
    QCOMPARE(fileBytes(blocker), QByteArray("not a directory"));

    // A directory standing where the file should go stays as it was.
    recorder.messages.clear();
    QVERIFY(QDir(dir.path()).mkdir("taken.png"));
    writeBytes(path("taken.png/inside"), "inside");
    answer = path("taken.png");
    w->Command保存[0]->click();
    QVERIFY(!recorder.texts().contains(OutputCommands::Saved));
    QCOMPARE(recorder.messages.value(0).title, QStringLiteral("错误"));
    QVERIFY(QFileInfo(answer).isDir());
    QCOMPARE(fileBytes(path("taken.png/inside")), QByteArray("inside"));
}

void OutputCommandsTest::cancelledDialogsDoNothing() {
    auto w = makeWindow();
    Recorder recorder;
    const QImage logo = w->Image2[0]->picture();
    answer.clear();
    w->Command保存[0]->click();
    w->Command浏览[0]->click();
    QCOMPARE(asked, 2);
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(w->Text2[0]->text().isEmpty());
    QCOMPARE(w->Image2[0]->picture(), logo);
    QVERIFY(QDir(dir.path()).isEmpty());
}

void OutputCommandsTest::pageWithoutSymbolIsNotSavedOrCopied_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fix");
    QTest::addColumn<QStringList>("messages");
    const auto waiting = [](const QString& reason) {
        return QStringList{OutputCommands::NothingUntilFilled(reason, "保存"),
                           OutputCommands::NothingUntilFilled(reason, "复制")};
    };
    // 600 Chinese characters are 1800 UTF-8 bytes: more than any symbol at level Q holds.
    QTest::newRow("too long") << 0 << 0 << QString(600, QChar(0x7801)) << "短"
                              << QStringList{OutputCommands::NothingToSave,
                                             OutputCommands::NothingToCopy};
    QTest::newRow("network without a name") << 5 << 0 << ""
                                            << "家" << waiting(OutputCommands::WifiNeedsName);
    QTest::newRow("WPA network without a password")
        << 5 << 1 << ""
        << "x" << waiting(OutputCommands::WifiNeedsPassword);
}

void OutputCommandsTest::pageWithoutSymbolIsNotSavedOrCopied() {
    QFETCH(int, page);
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, fix);
    QFETCH(QStringList, messages);
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(page);
    QWidget* target = PageFields(*w, page).at(field);
    SetFieldText(target, text);
    QVERIFY(!w->PageHasSymbol(page));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    answer = path("none.png");
    w->Command保存[page]->click();
    w->Command复制[page]->click();
    QCOMPARE(asked, 0);
    QCOMPARE(recorder.texts(), messages);
    QVERIFY(QDir(dir.path()).isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    SetFieldText(target, fix);
    QVERIFY(w->PageHasSymbol(page));
}

void OutputCommandsTest::copyPutsTheComposedPictureOnTheClipboard() {
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(1);
    w->Check个性图标[1]->click();
    w->Command复制[1]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Copied});
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(240, 240));
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             w->Image1[1]->picture().convertToFormat(QImage::Format_RGB32));
    const QColor logoCorner = copied.pixelColor(91, 91); // the yellow ground of the logo
    QVERIFY(logoCorner.red() > 200 && logoCorner.green() > 200 && logoCorner.blue() < 80);
    QCOMPARE(DecodedText(copied), ExpectedPayload(*w, 1));
}

void OutputCommandsTest::browseForAMissingFile() {
    auto w = makeWindow();
    Recorder recorder;
    const QImage logo = w->Image2[0]->picture();
    answer = path("nowhere.jpg");
    w->Command浏览[0]->click();
    QCOMPARE(lastFilter, OutputCommands::BrowseFilter);
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::NoSuchFile});
    QVERIFY(w->Text2[0]->text().isEmpty());
    QCOMPARE(w->Image2[0]->picture(), logo);
    // A FIFO exists: it is refused for what it is, unread (a read would wait for a writer).
    answer = path("pipe.jpg");
    QCOMPARE(::mkfifo(QFile::encodeName(answer).constData(), 0600), 0);
    w->Command浏览[0]->click();
    QCOMPARE(recorder.texts(),
             (QStringList{OutputCommands::NoSuchFile, OutputCommands::NotARegularFile}));
    QCOMPARE(w->Image2[0]->picture(), logo);
}

void OutputCommandsTest::browseRefusesFilesThatAreNoWholePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray png, jpeg, gif, bmp;
    {
        QImage noise(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) noise.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) % 256));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        noise.save(&buffer, "PNG");
        png = buffer.data();
        buffer.buffer().clear();
        buffer.seek(0);
        noise.save(&buffer, "JPEG", 90);
        jpeg = buffer.data();
        buffer.buffer().clear();
        buffer.seek(0);
        noise.save(&buffer, "BMP");
        bmp = buffer.data();
    }
    // A 1×1 GIF without its trailer.
    gif = QByteArray::fromHex("47494638396101000100800000000000ffffff2c000000000100010000020244"
                              "01");
    QTest::newRow("text file") << "notes.jpg" << QByteArray("这不是图片\n");
    QTest::newRow("truncated png") << "cut.png" << png.left(png.size() / 2);
    QTest::newRow("truncated jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2);
    QTest::newRow("truncated bmp") << "cut.bmp" << bmp.left(bmp.size() / 2);
    QTest::newRow("truncated gif") << "cut.gif" << gif;
    // A PNG header that claims 40000 × 40000 pixels: far beyond the allocation limit.
    QByteArray huge = png.left(33);
    const QByteArray side = QByteArray::fromHex("00009c40");
    huge.replace(16, 4, side);
    huge.replace(20, 4, side);
    const quint32 crc = pngCrc(huge.mid(12, 17));
    huge.replace(29, 4, QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
    QTest::newRow("too large") << "huge.png" << huge + png.mid(33);
}

void OutputCommandsTest::browseRefusesFilesThatAreNoWholePicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(2);
    w->Check个性图标[2]->click();
    const QImage logo = w->Image2[2]->picture();
    const qint64 preview = w->Image1[2]->picture().cacheKey();
    answer = path(name);
    writeBytes(answer, bytes);
    QVERIFY(!LogoPicture::Load(answer));
    w->Command浏览[2]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::NotAPicture});
    QCOMPARE(w->Text2[2]->text(), QString()); // the default logo has no path
    QCOMPARE(w->Image2[2]->picture(), logo);
    QCOMPARE(w->Image1[2]->picture().cacheKey(), preview);
}

// After a refused file the path field still names the logo in use, not the refused file.
void OutputCommandsTest::refusedLogoLeavesThePathOfTheLogoInUse() {
    auto w = makeWindow();
    Recorder recorder;
    const QString green = path("green.png");
    QVERIFY(greenSquare().save(green));
    answer = green;
    w->Command浏览[0]->click();
    QCOMPARE(w->Text2[0]->text(), green);

    answer = path("notes.png");
    writeBytes(answer, "not a picture at all");
    w->Command浏览[0]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::NotAPicture});
    QCOMPARE(w->Text2[0]->text(), green);
    QVERIFY(isGreen(w->Image2[0]->picture().pixelColor(5, 5)));
}

void OutputCommandsTest::browseForAPictureWhileTheTickIsClear() {
    auto w = makeWindow();
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(4);
    const qint64 preview = w->Image1[4]->picture().cacheKey();
    answer = path("green.png");
    QVERIFY(greenSquare().save(answer));
    w->Command浏览[4]->click();
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(w->Text2[4]->text(), answer);
    QVERIFY(isGreen(w->Image2[4]->picture().pixelColor(5, 5)));
    QVERIFY(w->Image1[4]->picture().cacheKey() != preview); // regenerated
    QVERIFY(!isGreen(w->Image1[4]->picture().pixelColor(120, 120)));
    QVERIFY(!isGreen(w->Image2[0]->picture().pixelColor(5, 5))); // other pages keep theirs

    w->Check个性图标[4]->click();
    for (int at : {90, 120, 149}) QVERIFY(isGreen(w->Image1[4]->picture().pixelColor(at, at)));
    QVERIFY(!isGreen(w->Image1[4]->picture().pixelColor(89, 89)));
    QCOMPARE(DecodedText(w->Image1[4]->picture()), ExpectedPayload(*w, 4));
}

void OutputCommandsTest::browseAcceptsEachLogoFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg") << "logo.jpg" << QByteArray("JPEG");
    QTest::newRow("bmp") << "logo.BMP" << QByteArray("BMP");
    QTest::newRow("gif, named .png") << "logo.png" << QByteArray("GIF");
    QTest::newRow("png") << "logo.png" << QByteArray("PNG");
    QTest::newRow("tiff") << "logo.tif" << QByteArray("TIFF");
    QTest::newRow("svg") << "logo.svg" << QByteArray("SVG");
}

void OutputCommandsTest::browseAcceptsEachLogoFormat() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    auto w = makeWindow();
    Recorder recorder;
    answer = path(name);
    if (format == "GIF") {
        // Qt writes no GIF; a 1×1 green GIF by hand.
        writeBytes(answer, QByteArray::fromHex("4749463839610100010080000000c80000c8002c0000000"
                                               "0010001000002024401003b"));
    } else if (format == "SVG") {
        writeBytes(answer, "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
                           "<rect width='20' height='20' fill='rgb(0,200,0)'/></svg>");
    } else {
        QVERIFY(greenSquare().save(answer, format.constData()));
    }
    w->Command浏览[0]->click();
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(isGreen(w->Image2[0]->picture().pixelColor(0, 0)));
}

void OutputCommandsTest::clearResetsThePagesFields_data() {
    QTest::addColumn<int>("page");
    for (int page = 0; page < 文本录入::内容页数; ++page) QTest::addRow("page %d", page) << page;
}

void OutputCommandsTest::clearResetsThePagesFields() {
    QFETCH(int, page);
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(page);
    w->Check个性图标[page]->click();
    w->Text2[page]->setText(QStringLiteral("/some/logo.jpg"));
    const QImage logo = w->Image2[page]->picture();
    w->Command清除[page]->click();

    QVERIFY(!w->Check个性图标[page]->isChecked());
    const QList<QWidget*> fields = PageFields(*w, page);
    // The URL keeps its scheme; the Wi-Fi page goes back to WPA, not hidden.
    const QMap<QWidget*, QString> kept = {
        {w->Text3, "http://"}, {w->Combo加密方式, "WPA"}, {w->Check隐藏网络, "false"}};
    for (QWidget* field : fields) QCOMPARE(FieldText(field), kept.value(field));
    QCOMPARE(w->Text2[page]->text(), QStringLiteral("/some/logo.jpg"));
    QCOMPARE(w->Image2[page]->picture(), logo);
    // A network without a name makes no symbol.
    const bool symbol = page != 文本录入::无线网络页;
    QCOMPARE(w->PageHasSymbol(page), symbol);
    if (page > 0 && symbol)
        QCOMPARE(DecodedText(w->Image1[page]->picture()), ExpectedPayload(*w, page));
    // Other pages keep their fields.
    const int other = (page + 1) % 文本录入::内容页数;
    QVERIFY(!FieldText(PageFields(*w, other).first()).isEmpty());
}

void OutputCommandsTest::exitEndsFromEveryPage() {
    auto w = makeWindow();
    Recorder recorder;
    for (int page = 0; page < 文本录入::页数; ++page) {
        w->选项卡标签->setCurrentIndex(page);
        w->Command退出[page]->click();
        QCOMPARE(recorder.exits, page + 1);
    }
    QVERIFY(recorder.messages.isEmpty());
}

// Each key does what its button does on the selected page, from inside a text field; the
// field's own keys stay the field's.
void OutputCommandsTest::windowKeysRunTheButtonsCommands() {
    auto w = makeWindow();
    QApplication::setActiveWindow(w.get());
    Recorder recorder;
    w->选项卡标签->setCurrentIndex(1);
    QLineEdit* subject = w->Text邮件主题;
    subject->setText(QStringLiteral("主题"));
    subject->setFocus();
    const auto press = [subject](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(subject, key, modifiers);
    };

    answer = path("by-key.png");
    press(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(lastFilter, OutputCommands::SaveFilter);
    QCOMPARE(DecodedText(QImage(answer)), ExpectedPayload(*w, 1));

    QGuiApplication::clipboard()->clear();
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
             w->Image1[1]->picture().convertToFormat(QImage::Format_RGB32));

    answer = QString(); // the logo dialog, cancelled
    press(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(lastFilter, OutputCommands::BrowseFilter);
    QCOMPARE(recorder.texts(), (QStringList{OutputCommands::Saved, OutputCommands::Copied}));

    // Ctrl+C copies the field's selected text, not the picture.
    subject->selectAll();
    press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("主题"));
    QCOMPARE(recorder.messages.size(), 2);

    press(Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(recorder.exits, 1);
    QVERIFY(w->Command保存[1]->toolTip().contains(QStringLiteral("Ctrl+S")));
    QVERIFY(w->Command复制[1]->toolTip().contains(QStringLiteral("Ctrl+Shift+C")));
    QVERIFY(w->Command浏览[1]->toolTip().contains(QStringLiteral("Ctrl+L")));
    QVERIFY(w->Command退出[1]->toolTip().contains(QStringLiteral("Ctrl+Q")));
}

QTEST_MAIN(OutputCommandsTest)
#include "OutputCommandsTest.moc"
