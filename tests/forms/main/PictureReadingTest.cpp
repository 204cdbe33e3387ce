// Pictures read back into the window: Ctrl+O and a dropped file refill the page that made the
// symbol, and hostile files are refused with one message, as `quorlik-qr --decode` refuses them.
#include "forms/main/PictureReading.h"
#include "encoder/clsQRCode.h"
#include "forms/generator/PictureHolder.h"
#include "forms/main/OutputCommands.h"
#include "payload/PayloadKinds.h"
#include "raster/EncodeToPicture.h"
#include "tests/forms/main/WindowDriver.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace WindowDriver;

namespace {

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

// Every field of every page, in the order PageFields lists them.
QStringList fieldTexts(const 文本录入& w) {
    QStringList texts;
    for (int page = 0; page < 文本录入::内容页数; ++page)
        for (QWidget* field : PageFields(w, page)) texts << FieldText(field);
    return texts;
}

// Sends a drag of `urls` over `target` and drops it there, as a file manager does.
bool dropUrls(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents(); // the file is read once the drop is over
    return drop.isAccepted();
}

// A PNG header claiming 40000 × 40000 pixels in front of a small picture's data.
QByteArray pngDeclaringHugeSize() {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
    const QByteArray side = QByteArray::fromHex("00009c40");
    png.replace(16, 4, side);
    png.replace(20, 4, side);
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : png.mid(12, 17)) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    png.replace(29, 4, QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
    return png;
}

} // namespace

class PictureReadingTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<文本录入> makeWindow() {
        auto window = std::make_unique<文本录入>([] { return std::optional<int>(0); });
        window->文件对话框.askSaveName = [this](QWidget*, const QString&) { return saveAs; };
        window->文件对话框.askPictureName = [this](QWidget*, const QString& filter) {
            pictureFilter = filter;
            return readFrom;
        };
        window->show();
        QApplication::setActiveWindow(window.get());
        return window;
    }
    // Ctrl+O in the window's first text field.
    void pressCtrlO(文本录入& w) {
        QWidget* field = w.Text普通文本[w.SelectedPage() % 文本录入::内容页数].widget();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_O, Qt::ControlModifier);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString saveAs;
    QString readFrom;
    QString pictureFilter;

  private slots:
    void savedPagesReadBackIntoTheirFields_data();
    void savedPagesReadBackIntoTheirFields();
    void otherPayloadsGoToTheTextPage();
    void droppedPictureIsReadAndDroppedTextIsTyped();
    void hostileFilesAreRefusedWithOneMessage_data();
    void hostileFilesAreRefusedWithOneMessage();
};

void PictureReadingTest::savedPagesReadBackIntoTheirFields_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("format");
    // Every separator of every record, and line breaks in the single-line fields as well.
    const QString tricky = QStringLiteral("a;b:c,d\\e\"f");
    const QString lines = QStringLiteral("一;\n二:\\");
    QTest::newRow("text") << 0 << QStringList{"MECARD:N:" + tricky + "\n" + lines} << "png";
    QTest::newRow("mail") << 1 << QStringList{tricky + "@x.cn", "re:" + tricky, lines} << "jpg";
    QTest::newRow("bookmark") << 2 << QStringList{"站;点:" + tricky, "https://a.cn/?q=" + tricky}
                              << "gif";
    QTest::newRow("sms") << 3 << QStringList{"10086;1:2", lines + "\n" + tricky} << "bmp";
    QTest::newRow("contact") << 4 << QStringList{"李;雷",
                                                 tricky,
                                                 "138:0",
                                                 "CTO\r\n总监",
                                                 tricky,
                                                 "li@a.cn;x",
                                                 lines.left(2) + "\r\n"}
                             << "tif";
    QTest::newRow("wifi") << 5 << QStringList{"家;网,络:" + tricky, tricky, "WEP", "true"} << "svg";
    QTest::newRow("open wifi") << 5 << QStringList{tricky, "", "nopass", "false"} << "png";
}

// Saved from one window and read with Ctrl+O into another: the same page, the same fields.
void PictureReadingTest::savedPagesReadBackIntoTheirFields() {
    QFETCH(int, page);
    QFETCH(QStringList, fields);
    QFETCH(QString, format);
    Recorder recorder;
    auto source = makeWindow();
    source->选项卡标签->setCurrentIndex(page);
    const QList<QWidget*> sourceFields = PageFields(*source, page);
    for (int i = 0; i < sourceFields.size(); ++i) SetFieldText(sourceFields[i], fields[i]);
    QStringList expected;
    for (QWidget* field : sourceFields) expected << FieldText(field);
    saveAs = path("page." + format);
    source->Command保存[page]->click();
    QCOMPARE(recorder.texts(), QStringList{OutputCommands::Saved});
    source.reset();

    recorder.messages.clear();
    auto reader = makeWindow();
    readFrom = saveAs;
    pressCtrlO(*reader);
    QCOMPARE(pictureFilter, OutputCommands::PictureFilter);
    QVERIFY2(recorder.messages.isEmpty(), qPrintable(recorder.texts().join('\n')));
    QCOMPARE(reader->SelectedPage(), page);
    QStringList read;
    for (QWidget* field : PageFields(*reader, page)) read << FieldText(field);
    QCOMPARE(read, expected);
    QCOMPARE(DecodedText(reader->Image1[page]->picture()), ExpectedPayload(*reader, page));
}

// A contact card made by `quorlik-qr --kind contact` fills the contact page; a vCard or a bare
// address is free text.
void PictureReadingTest::otherPayloadsGoToTheTextPage() {
    Recorder recorder;
    const std::vector<std::string> card{"name=张三",   "company=示例;公司", "mobile=13800000000",
                                        "title=经理",  "note=a:b",          "email=z@a.cn",
                                        "address=北京"};
    const QString contact =
        QString::fromStdString(PayloadKinds::ComposeFromAssignments("contact", card).payload);
    const QString vcard = QString::fromStdString(
        PayloadKinds::ComposeFromAssignments("vcard", {"first=三", "last=张"}).payload);
    const QString url = QStringLiteral("https://example.com/?a=1;b=2");
    for (const QString& payload : {contact, vcard, url}) {
        const QByteArray utf8 = payload.toUtf8();
        clsQRCode encoder;
        const QImage picture =
            EncodeToPicture(encoder, reinterpret_cast<const std::uint8_t*>(utf8.constData()),
                            int(utf8.size()), 0, 3, -1)
                .scaled(240, 240);
        readFrom = path("other.png");
        QVERIFY(picture.save(readFrom));
        auto w = makeWindow();
        pressCtrlO(*w);
        const int page = payload == contact ? 4 : 0;
        QCOMPARE(w->SelectedPage(), page);
        QCOMPARE(DecodedText(w->Image1[page]->picture()), payload);
    }
    QVERIFY(recorder.messages.isEmpty());
}

void PictureReadingTest::droppedPictureIsReadAndDroppedTextIsTyped() {
    Recorder recorder;
    auto source = makeWindow();
    source->选项卡标签->setCurrentIndex(3);
    saveAs = path("sms.png");
    source->Command保存[3]->click();
    const QString payload = ExpectedPayload(*source, 3);

    auto w = makeWindow();
    // Over a text field too: the file is read, its name not typed in.
    QVERIFY(dropUrls(w->Text普通文本[0].widget(), {QUrl::fromLocalFile(saveAs)}));
    QCOMPARE(w->SelectedPage(), 3);
    QCOMPARE(ExpectedPayload(*w, 3), payload);
    QVERIFY(!FieldText(w->Text普通文本[0].widget()).contains("sms.png"));

    // One file at a time; a web address is no file to read.
    recorder.messages.clear();
    QVERIFY(dropUrls(w->Image1[3], {QUrl::fromLocalFile(saveAs), QUrl::fromLocalFile(saveAs)}));
    QCOMPARE(recorder.texts(), QStringList{PictureReading::OneFileAtATime});
    QVERIFY(!dropUrls(w.get(), {QUrl("https://example.com/a.png")}));

    // Dragged text still goes into the field.
    QMimeData text;
    text.setText(QStringLiteral("拖入"));
    QLineEdit* phone = w->Text6;
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(phone, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(phone, &drop);
    QVERIFY(phone->text().contains(QStringLiteral("拖入")));
}

void PictureReadingTest::hostileFilesAreRefusedWithOneMessage_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const auto refused = [](const QString& reason) {
        return QStringLiteral("无法识别这个文件：%1。").arg(reason);
    };
    using PictureReader::Failure;
    using PictureReading::FileProblem;
    using PictureReading::ReadProblem;
    QTest::newRow("missing") << "missing.png"
                             << refused(FileProblem(FileAccess::ErrorKind::NotFound));
    QTest::newRow("FIFO") << "fifo.png" << refused(FileProblem(FileAccess::ErrorKind::WrongKind));
    QTest::newRow("device") << "zero.png"
                            << refused(FileProblem(FileAccess::ErrorKind::SymbolicLink));
    QTest::newRow("link to a picture")
        << "link.png" << refused(FileProblem(FileAccess::ErrorKind::SymbolicLink));
    QTest::newRow("folder") << "folder.png"
                            << refused(FileProblem(FileAccess::ErrorKind::WrongKind));
    QTest::newRow("text") << "notes.png" << refused(ReadProblem({Failure::NotAPicture, {}}));
    QTest::newRow("cut short") << "cut.png" << refused(ReadProblem({Failure::Damaged, {}}));
    QTest::newRow("declared huge") << "bomb.png" << refused(ReadProblem({Failure::TooLarge, {}}));
    QTest::newRow("too wide") << "wide.png" << refused(ReadProblem({Failure::TooLarge, {}}));
    QTest::newRow("SVG naming a file")
        << "external.svg" << refused(ReadProblem({Failure::RefersElsewhere, {}}));
    QTest::newRow("no symbol") << "blank.png" << PictureReading::NoSymbol;
    QTest::newRow("two symbols") << "two.png" << PictureReading::SeveralSymbols(2);
}

// By Ctrl+O and by a drop alike: one message, and no field of any page changes.
void PictureReadingTest::hostileFilesAreRefusedWithOneMessage() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    QImage good = QImage(path("good.png"));
    if (good.isNull()) {
        auto w = makeWindow();
        saveAs = path("good.png");
        Recorder recorder;
        w->Command保存[0]->click();
        good = QImage(saveAs);
    }
    QVERIFY(!good.isNull());
    const QByteArray goodName = QFile::encodeName(path("good.png"));
    if (name == "fifo.png") QCOMPARE(::mkfifo(QFile::encodeName(path(name)).constData(), 0600), 0);
    if (name == "zero.png")
        QCOMPARE(::symlink("/dev/zero", QFile::encodeName(path(name)).constData()), 0);
    if (name == "link.png")
        QCOMPARE(::symlink(goodName.constData(), QFile::encodeName(path(name)).constData()), 0);
    if (name == "folder.png") QVERIFY(QDir(dir.path()).mkdir(name));
    if (name == "notes.png") writeFile(path(name), "这不是图片");
    if (name == "cut.png") {
        QFile file(path("good.png"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        writeFile(path(name), file.readAll().chopped(100));
    }
    if (name == "bomb.png") writeFile(path(name), pngDeclaringHugeSize());
    if (name == "wide.png") {
        QImage wide(20000, 4, QImage::Format_Grayscale8);
        wide.fill(255);
        QVERIFY(wide.save(path(name)));
    }
    if (name == "external.svg")
        writeFile(path(name),
                  "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 9 9'><image href='" +
                      goodName + "' width='9' height='9'/></svg>");
    if (name == "blank.png") {
        QImage blank(240, 240, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(blank.save(path(name)));
    }
    if (name == "two.png") {
        QImage two(520, 260, QImage::Format_RGB32);
        two.fill(Qt::white);
        QPainter painter(&two);
        painter.drawImage(10, 10, good);
        painter.drawImage(
            270, 10,
            good.mirrored(true, false).mirrored(true, false).transformed(QTransform().rotate(90)));
        painter.end();
        QVERIFY(two.save(path(name)));
    }

    auto w = makeWindow();
    const QStringList before = fieldTexts(*w);
    Recorder recorder;
    readFrom = path(name);
    pressCtrlO(*w);
    dropUrls(w.get(), {QUrl::fromLocalFile(path(name))});
    QCOMPARE(recorder.texts(), (QStringList{message, message}));
    QCOMPARE(recorder.messages[0].title, UserMessages::AppTitle);
    QCOMPARE(fieldTexts(*w), before);
    QCOMPARE(w->SelectedPage(), 0);
}

QTEST_MAIN(PictureReadingTest)
#include "PictureReadingTest.moc"
