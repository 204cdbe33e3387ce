// The main window at start-up and while the user edits: layout, previews, page switching.
#include "forms/generator/PictureHolder.h"
#include "payload/PayloadKinds.h"
#include "quorlik/Version.h"
#include "tests/forms/main/WindowDriver.h"
#include "tests/support/CapacityPayloads.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <memory>

using namespace WindowDriver;

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<文本录入> makeWindow() {
        auto window = std::make_unique<文本录入>(check.function());
        window->show();
        return window;
    }
    CountingCheck check;

  private slots:
    void windowHasItsCaptionSizeAndFlags();
    void tabsCarryCaptionsAndToolTips();
    void startUpShowsPageZeroWithItsSymbol();
    void pagesOneToFourShareTheFirstPagesLogoAndPlaces();
    void framesAreStackedOnTheFirst();
    void typingIntoEachFieldChangesOnlyThatPagesPreview_data();
    void typingIntoEachFieldChangesOnlyThatPagesPreview();
    void lineBreaksReachThePayloadAsCrLf();
    void wifiPageMakesTheCommandLinesRecord_data();
    void wifiPageMakesTheCommandLinesRecord();
    void switchingToAPageRegeneratesIt();
    void aboutPageHidesEveryPreviewAndKeepsPictures();
    void tickingTheLogoBoxPaintsTheLogo();
    void wubiCheckAnsweringOneRefusesAndEnds();
    void anEmptyCheckResultCarriesOn();
    void closingTheWindowEndsTheApplication();
    void everyEntryFieldIsNamedByItsLabel();
    void previewAndLogoHaveAccessibleNames();
    void tabWalksFieldsThenLogoControlsThenButtons_data();
    void tabWalksFieldsThenLogoControlsThenButtons();
    void aboutPageNamesTheVersion();
    void previewShowsOnlyBlackAndWhiteOutsideTheLogo_data();
    void previewShowsOnlyBlackAndWhiteOutsideTheLogo();
    void grabbedPreviewScans_data();
    void grabbedPreviewScans();
};

void MainWindowTest::windowHasItsCaptionSizeAndFlags() {
    auto w = makeWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("Quorlik二维码设计"));
    QCOMPARE(w->size(), QSize(504, 422));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!w->windowIcon().isNull());
    QCOMPARE(w->windowIcon().availableSizes().value(0), QSize(32, 32));
    QCOMPARE(w->Label1->text(), QStringLiteral("Quorlik二维码"));
    QVERIFY(w->Label1->font().bold());
    QCOMPARE(w->Label1->font().pointSize(), 15);
    QCOMPARE(w->Label1->geometry(), QRect(98, 8, 265, 25));
    QCOMPARE(w->Label1->font().families().value(0), QStringLiteral("Noto Sans CJK SC"));
}

void MainWindowTest::tabsCarryCaptionsAndToolTips() {
    auto w = makeWindow();
    const QStringList captions = {"文本", "邮件", "网站", "短信", "联系人", "无线网络", "关于"};
    const QStringList tips = {
        "", "发送电子邮件", "网址和网站名称", "发送手机短信", "手机联系人", "手机扫码连接无线网络",
        ""};
    QCOMPARE(w->选项卡标签->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i) {
        QCOMPARE(w->选项卡标签->tabText(i), captions[i]);
        QCOMPARE(w->选项卡标签->tabToolTip(i), tips[i]);
    }
}

void MainWindowTest::startUpShowsPageZeroWithItsSymbol() {
    auto w = makeWindow();
    QCOMPARE(w->SelectedPage(), 0);
    QVERIFY(w->Frame1[0]->isVisible());
    QVERIFY(w->Frame1[0]->isEnabled());
    for (int page = 1; page < 文本录入::页数; ++page) {
        QVERIFY(!w->Frame1[page]->isVisible());
        QVERIFY(!w->Frame1[page]->isEnabled());
    }
    QVERIFY(w->Image1[0]->hasPicture());
    QCOMPARE(w->Image1[0]->picture().size(), QSize(240, 240));
    QCOMPARE(w->Image1[0]->size(), QSize(185, 177));
    QVERIFY(w->Image1[0]->sampling() == PictureHolder::Sampling::Nearest);
    QCOMPARE(DecodedText(w->Image1[0]->picture()), ExpectedPayload(*w, 0));
    QVERIFY(FieldText(w->Text普通文本[0].widget()).endsWith("\r\n"));
    for (int page = 1; page < 文本录入::内容页数; ++page) QVERIFY(!w->Image1[page]->hasPicture());
}

void MainWindowTest::pagesOneToFourShareTheFirstPagesLogoAndPlaces() {
    auto w = makeWindow();
    const QImage logo = w->Image2[0]->picture();
    QCOMPARE(logo.size(), QSize(48, 48));
    // 福 in red on a yellow ground: a yellow corner and red strokes inside.
    const QColor corner = logo.pixelColor(0, 0);
    QVERIFY(corner.red() > 200 && corner.green() > 200 && corner.blue() < 80);
    int red = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const QColor c = logo.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 60 && c.blue() < 60) ++red;
        }
    QVERIFY(red > 200);
    QCOMPARE(w->Image2[0]->geometry(), QRect(216, 152, 48, 48));
    for (int page = 1; page < 文本录入::内容页数; ++page) {
        QCOMPARE(w->Image2[page]->picture(), logo);
        QCOMPARE(w->Image2[page]->geometry(), w->Image2[0]->geometry());
        QCOMPARE(w->Image1[page]->geometry(), w->Image1[0]->geometry());
        QCOMPARE(w->Check个性图标[page]->geometry(), w->Check个性图标[0]->geometry());
        QCOMPARE(w->Command复制[page]->geometry(), w->Command复制[0]->geometry());
        QCOMPARE(w->Command保存[page]->geometry(), w->Command保存[0]->geometry());
        QCOMPARE(w->Command退出[page]->geometry(), w->Command退出[0]->geometry());
        QCOMPARE(w->Command清除[page]->geometry(), w->Command清除[0]->geometry());
        QCOMPARE(w->Command浏览[page]->geometry(), w->Command浏览[0]->geometry());
        QCOMPARE(w->Check个性图标[page]->text(), QStringLiteral("使用个性图标"));
        QVERIFY(!w->Check个性图标[page]->isChecked());
        QVERIFY(w->Text2[page]->text().isEmpty());
    }
}

void MainWindowTest::framesAreStackedOnTheFirst() {
    auto w = makeWindow();
    for (QFrame* frame : w->Frame1) QCOMPARE(frame->geometry(), QRect(32, 77, 441, 324));
    QCOMPARE(w->About图片->geometry(), QRect(385, 265, 48, 48));
    QCOMPARE(w->Command退出[文本录入::关于页]->geometry(), QRect(281, 264, 57, 33));
    QCOMPARE(w->About图片->picture().size(), QSize(48, 48));
    QVERIFY(w->About图片->picture() != w->Image2[0]->picture());
}

void MainWindowTest::typingIntoEachFieldChangesOnlyThatPagesPreview_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    // The Wi-Fi page's two text fields; its security list and hidden box are its own test's.
    const QList<int> fieldCounts = {1, 3, 2, 2, 7, 2};
    for (int page = 0; page < fieldCounts.size(); ++page)
        for (int field = 0; field < fieldCounts[page]; ++field) {
            // The two phone fields keep only the digits of what is typed, an input method's commit
            // too.
            const bool phone = (page == 3 && field == 0) || (page == 4 && field == 2);
            const QString typed = phone ? QStringLiteral("7") : QStringLiteral("码;:\\");
            QTest::addRow("page %d field %d", page, field) << page << field << typed;
        }
}

void MainWindowTest::typingIntoEachFieldChangesOnlyThatPagesPreview() {
    QFETCH(int, page);
    QFETCH(int, field);
    QFETCH(QString, typed);
    auto w = makeWindow();
    // Give every page a preview first, then come back to the page under test.
    for (int p = 文本录入::内容页数 - 1; p >= 0; --p) w->选项卡标签->setCurrentIndex(p);
    w->选项卡标签->setCurrentIndex(page);
    std::array<QImage, 文本录入::内容页数> before;
    for (int p = 0; p < 文本录入::内容页数; ++p) before[p] = w->Image1[p]->picture();

    QWidget* target = PageFields(*w, page).at(field);
    const QString old = FieldText(target);
    CommitText(target, typed);
    QCOMPARE(FieldText(target), old + typed);

    for (int p = 0; p < 文本录入::内容页数; ++p) {
        if (p == page)
            QVERIFY(w->Image1[p]->picture() != before[p]);
        else
            QVERIFY(w->Image1[p]->picture().cacheKey() == before[p].cacheKey());
    }
    QCOMPARE(DecodedText(w->Image1[page]->picture()), ExpectedPayload(*w, page));
}

void MainWindowTest::lineBreaksReachThePayloadAsCrLf() {
    auto w = makeWindow();
    SetFieldText(w->Text普通文本[0].widget(), QString());
    CommitText(w->Text普通文本[0].widget(), QStringLiteral("一\n二"));
    QCOMPARE(DecodedText(w->Image1[0]->picture()), QStringLiteral("一\r\n二"));
}

void MainWindowTest::wifiPageMakesTheCommandLinesRecord_data() {
    QTest::addColumn<QStringList>("fields"); // ssid, password, security, hidden
    QTest::newRow("WPA") << QStringList{"家里的网络", "a;b,c:d\\e\"f", "WPA", "false"};
    QTest::newRow("WEP hidden") << QStringList{"My;Net,Work:\"5G\"\\", "12345", "WEP", "true"};
    QTest::newRow("open") << QStringList{"咖啡馆 free, fast", "", "nopass", "false"};
    QTest::newRow("open, password kept out") << QStringList{"cafe", "ignored", "nopass", "true"};
    QTest::newRow("no network name") << QStringList{"", "secret", "WPA", "false"};
    QTest::newRow("WPA without password") << QStringList{"home", "", "WPA", "false"};
    QTest::newRow("WEP without password") << QStringList{"home", "", "WEP", "true"};
}

// Whatever the fields, the page makes the symbol `quorlik-qr --kind wifi` makes, or, where the
// command line refuses the fields, none.
void MainWindowTest::wifiPageMakesTheCommandLinesRecord() {
    QFETCH(QStringList, fields);
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(文本录入::无线网络页);
    const QList<QWidget*> widgets = PageFields(*w, 文本录入::无线网络页);
    for (int i = 0; i < widgets.size(); ++i) SetFieldText(widgets[i], fields[i]);
    const PayloadKinds::Composed commandLine = PayloadKinds::ComposeFromAssignments(
        "wifi", {"ssid=" + fields[0].toStdString(), "password=" + fields[1].toStdString(),
                 "security=" + fields[2].toStdString(), "hidden=" + fields[3].toStdString()});
    QCOMPARE(w->PageHasSymbol(文本录入::无线网络页), commandLine.error.empty());
    const QImage preview = w->Image1[文本录入::无线网络页]->picture();
    if (commandLine.error.empty())
        QCOMPARE(DecodedText(preview), QString::fromStdString(commandLine.payload));
    else
        QCOMPARE(DecodedText(preview), std::nullopt);
    QCOMPARE(w->Text密码->isEnabled(), fields[2] != "nopass");
}

void MainWindowTest::switchingToAPageRegeneratesIt() {
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(2);
    QCOMPARE(DecodedText(w->Image1[2]->picture()), ExpectedPayload(*w, 2));
    QVERIFY(w->Frame1[2]->isVisible());
    QVERIFY(!w->Frame1[0]->isVisible());

    w->Image1[0]->setPicture(QImage());
    const int callsBefore = check.calls;
    w->选项卡标签->setCurrentIndex(0);
    QCOMPARE(check.calls, callsBefore + 1);
    QVERIFY(w->Image1[0]->hasPicture());
    QCOMPARE(DecodedText(w->Image1[0]->picture()), ExpectedPayload(*w, 0));
}

void MainWindowTest::aboutPageHidesEveryPreviewAndKeepsPictures() {
    auto w = makeWindow();
    const QImage first = w->Image1[0]->picture();
    const int callsBefore = check.calls;
    w->选项卡标签->setCurrentIndex(文本录入::关于页);
    QCOMPARE(check.calls, callsBefore + 1); // the input-method check still runs
    QVERIFY(w->Frame1[文本录入::关于页]->isVisible());
    for (int page = 0; page < 文本录入::内容页数; ++page) {
        QVERIFY(!w->Frame1[page]->isVisible());
        QVERIFY(!w->Image1[page]->isVisible());
    }
    QCOMPARE(w->Image1[0]->picture().cacheKey(), first.cacheKey());
    QCOMPARE(w->About标题->text(), QStringLiteral("关于本软件"));
}

void MainWindowTest::tickingTheLogoBoxPaintsTheLogo() {
    auto w = makeWindow();
    w->选项卡标签->setCurrentIndex(3);
    const QColor plain = w->Image1[3]->picture().pixelColor(91, 91);
    QVERIFY(!(plain.red() > 200 && plain.green() > 200 && plain.blue() < 80));
    w->Check个性图标[3]->click();
    const QImage withLogo = w->Image1[3]->picture();
    const QColor logoCorner = withLogo.pixelColor(91, 91);
    QVERIFY(logoCorner.red() > 200 && logoCorner.green() > 200 && logoCorner.blue() < 80);
    QCOMPARE(DecodedText(withLogo), ExpectedPayload(*w, 3));
    w->Check个性图标[3]->click();
    QCOMPARE(w->Image1[3]->picture().pixelColor(91, 91), plain);
}

void MainWindowTest::wubiCheckAnsweringOneRefusesAndEnds() {
    auto w = makeWindow();
    Recorder recorder;
    const qint64 previewBefore = w->Image1[0]->picture().cacheKey();
    w->五笔检查 = [] { return std::optional<int>(1); };
    CommitText(w->Text普通文本[0].widget(), QStringLiteral("字"));
    QCOMPARE(recorder.texts(),
             QStringList{QStringLiteral("发现五笔字型坑害本软件，程序将退出，请你二选一")});
    QCOMPARE(recorder.messages.value(0).title, QStringLiteral("Quorlik二维码"));
    QCOMPARE(recorder.exits, 1);
    QCOMPARE(w->Image1[0]->picture().cacheKey(), previewBefore);

    // Refused at start-up as well, before any symbol is made.
    文本录入 refused([] { return std::optional<int>(1); });
    QCOMPARE(recorder.exits, 2);
    QVERIFY(!refused.Image1[0]->hasPicture());
}

void MainWindowTest::anEmptyCheckResultCarriesOn() {
    文本录入 w([] { return std::optional<int>(); });
    QVERIFY(w.Image1[0]->hasPicture());
    QCOMPARE(DecodedText(w.Image1[0]->picture()), ExpectedPayload(w, 0));
}

void MainWindowTest::closingTheWindowEndsTheApplication() {
    auto w = makeWindow();
    QVERIFY(w->testAttribute(Qt::WA_QuitOnClose));
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, w.get(), [&w] { w->close(); });
    // Ends with 1 only if the application stayed alive after the close.
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(lastClosed.count(), 1);
}

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// The names of the controls labelling the widget, as AT-SPI's labelled-by relation gives them.
QStringList LabelledBy(QWidget* widget) {
    QStringList names;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible) return names;
    for (const auto& [label, relation] : accessible->relations(QAccessible::Label))
        names << label->text(QAccessible::Name);
    return names;
}

} // namespace

void MainWindowTest::everyEntryFieldIsNamedByItsLabel() {
    auto w = makeWindow();
    const QList<QPair<QWidget*, QString>> named = {
        {w->Text普通文本[0].widget(), "文本内容"},
        {w->Texti收件人, "收件人："},
        {w->Text邮件主题, "主题："},
        {w->Text普通文本[1].widget(), "邮件内容"},
        {w->Text普通文本[2].widget(), "网站名称："},
        {w->Text3, "网址："},
        {w->Text6, "收件人(填写手机号码)："},
        {w->Text普通文本[3].widget(), "短信内容："},
        {w->Text姓名, "姓名："},
        {w->Text单位, "公司："},
        {w->Text手机, "手机："},
        {w->Text职位, "职位："},
        {w->Text地址, "地址："},
        {w->Text7, "信箱："},
        {w->Text普通文本[4].widget(), "备注："},
        {w->Text普通文本[5].widget(), "网络名称："},
        {w->Text密码, "密码："},
        {w->Check隐藏网络, "隐藏网络"},
    };
    for (const auto& [field, name] : named) QCOMPARE(AccessibleName(field), name);
    // On Linux a list box's name is its current item; its label comes through the relation.
    QCOMPARE(LabelledBy(w->Combo加密方式), QStringList{"加密方式："});
    for (int page = 0; page < 文本录入::内容页数; ++page)
        QCOMPARE(AccessibleName(w->Text2[page]), QStringLiteral("个性图标路径："));
}

void MainWindowTest::previewAndLogoHaveAccessibleNames() {
    auto w = makeWindow();
    for (int page = 0; page < 文本录入::内容页数; ++page) {
        QCOMPARE(AccessibleName(w->Image1[page]), QStringLiteral("二维码预览"));
        QCOMPARE(AccessibleName(w->Image2[page]), QStringLiteral("个性图标"));
    }
}

void MainWindowTest::tabWalksFieldsThenLogoControlsThenButtons_data() {
    QTest::addColumn<int>("page");
    for (int page = 0; page < 文本录入::页数; ++page)
        QTest::newRow(qPrintable(QString::number(page))) << page;
}

// Tab pressed from the tab strip visits the shown page in reading order and comes back.
void MainWindowTest::tabWalksFieldsThenLogoControlsThenButtons() {
    QFETCH(int, page);
    auto w = makeWindow();
    QApplication::setActiveWindow(w.get());
    w->选项卡标签->setCurrentIndex(page);
    QList<QWidget*> expected;
    for (QWidget* field : PageFields(*w, page)) expected << field;
    if (page == 4)
        expected = {w->Text姓名,
                    w->Text单位,
                    w->Text手机,
                    w->Text职位,
                    w->Text地址,
                    w->Text7,
                    w->Text普通文本[4].widget()};
    if (page < 文本录入::内容页数)
        expected << w->Check个性图标[page] << w->Command浏览[page] << w->Text2[page]
                 << w->Command清除[page] << w->Command复制[page] << w->Command保存[page];
    expected << w->Command退出[page];

    w->选项卡标签->setFocus();
    QList<QWidget*> visited;
    for (int step = 0; step <= expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited.mid(0, expected.size()), expected);
    QCOMPARE(visited.last(), static_cast<QWidget*>(w->选项卡标签));
}

void MainWindowTest::aboutPageNamesTheVersion() {
    auto w = makeWindow();
    const QStringList lines = w->About说明->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.last(), QStringLiteral("版本：") + QStringLiteral(QUORLIK_VERSION));
    QVERIFY(QStringLiteral(QUORLIK_VERSION).contains(QLatin1Char('.')));
}

namespace {

// The preview as the screen shows it at a device pixel ratio.
QImage grabPreview(QWidget* preview, qreal ratio) {
    QImage grab(preview->size() * ratio, QImage::Format_RGB32);
    grab.setDevicePixelRatio(ratio);
    grab.fill(QColor(255, 0, 255));
    preview->render(&grab);
    grab.setDevicePixelRatio(1);
    return grab;
}

// The device pixels of the preview that show the logo square of the composed picture.
QRect logoPixels(const QSize& grab) {
    const auto along = [](int side, int picturePixel) { return picturePixel * side / 240; };
    return QRect(QPoint(along(grab.width(), 90), along(grab.height(), 90)),
                 QPoint(along(grab.width(), 150), along(grab.height(), 150)));
}

} // namespace

void MainWindowTest::previewShowsOnlyBlackAndWhiteOutsideTheLogo_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("logo");
    for (const qreal ratio : {1.0, 1.5, 2.0})
        for (const bool logo : {false, true})
            QTest::newRow(
                qPrintable(QStringLiteral("ratio %1%2").arg(ratio).arg(logo ? " logo" : "")))
                << ratio << logo;
}

// Every device pixel of the preview shows one pixel of the picture: no grey blends of modules.
void MainWindowTest::previewShowsOnlyBlackAndWhiteOutsideTheLogo() {
    QFETCH(qreal, ratio);
    QFETCH(bool, logo);
    auto w = makeWindow();
    w->Check个性图标[0]->setChecked(logo);
    const QImage grab = grabPreview(w->Image1[0], ratio);
    QCOMPARE(grab.size(), (QSizeF(185, 177) * ratio).toSize());
    const QRect logoSquare = logoPixels(grab.size()).adjusted(-1, -1, 1, 1);
    int black = 0;
    for (int y = 0; y < grab.height(); ++y)
        for (int x = 0; x < grab.width(); ++x) {
            if (logo && logoSquare.contains(x, y)) continue;
            const QRgb pixel = grab.pixel(x, y) & 0xFFFFFF;
            QVERIFY2(
                pixel == 0 || pixel == 0xFFFFFF,
                qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel, 6, 16)));
            black += pixel == 0;
        }
    QVERIFY(black > grab.width() * grab.height() / 5);
    if (logo) {
        const QColor ground = grab.pixelColor(logoPixels(grab.size()).topLeft() + QPoint(2, 2));
        QVERIFY(ground.red() > 200 && ground.green() > 200 && ground.blue() < 80);
    }
}

void MainWindowTest::grabbedPreviewScans_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("version");
    for (int version = 1; version <= 13; ++version)
        QTest::newRow(qPrintable(QStringLiteral("ratio 1 version %1").arg(version)))
            << 1.0 << version;
    for (int version = 1; version <= 20; ++version)
        QTest::newRow(qPrintable(QStringLiteral("ratio 2 version %1").arg(version)))
            << 2.0 << version;
}

// The hint under the preview asks the user to scan it from the screen.
void MainWindowTest::grabbedPreviewScans() {
    QFETCH(qreal, ratio);
    QFETCH(int, version);
    auto w = makeWindow();
    const QByteArray payload = PayloadFillingVersion(version);
    w->Text普通文本[0].setText(QString::fromLatin1(payload));
    QCOMPARE(DecodedText(w->Image1[0]->picture()), QString::fromLatin1(payload));
    const std::optional<DecodedSymbol> read = DecodeImage(grabPreview(w->Image1[0], ratio));
    QVERIFY(read.has_value());
    QCOMPARE(QByteArray::fromStdString(read->bytes), payload);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
