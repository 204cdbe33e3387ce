// Builds the controls of the main window at their designed places.
#include "forms/main/文本录入.h"

#include "forms/generator/PictureHolder.h"
#include "forms/main/InputLimit.h"
#include "forms/main/WindowLayout.h"
#include "quorlik/Version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

using WindowLayout::Twips;

namespace {

QLineEdit* lineEdit(QWidget* parent, const QRect& place, const QString& text) {
    auto* edit = new LimitedLineEdit(text, parent);
    edit->setGeometry(place);
    return edit;
}

QPlainTextEdit* multiLine(QWidget* parent, const QRect& place, const QString& text) {
    auto* edit = new LimitedPlainTextEdit(text, parent);
    edit->setGeometry(place);
    edit->setTabChangesFocus(true);
    return edit;
}

QLabel* label(QWidget* parent, const QRect& place, const QString& caption,
              Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter) {
    auto* text = new QLabel(caption, parent);
    text->setGeometry(place);
    text->setAlignment(alignment);
    return text;
}

QPushButton* button(QWidget* parent, const QRect& place, const QString& caption) {
    auto* push = new QPushButton(caption, parent);
    push->setGeometry(place);
    return push;
}

PictureHolder* pictureHolder(QWidget* parent, const QRect& place, const QImage& picture,
                             PictureHolder::Sampling sampling = PictureHolder::Sampling::Smooth) {
    auto* holder = new PictureHolder(parent, sampling);
    holder->setGeometry(place);
    holder->setPicture(picture);
    return holder;
}

struct TabText {
    QString caption;
    QString toolTip;
};

const std::array<TabText, 文本录入::页数> kTabs = {{
    {QStringLiteral("文本"), QString()},
    {QStringLiteral("邮件"), QStringLiteral("发送电子邮件")},
    {QStringLiteral("网站"), QStringLiteral("网址和网站名称")},
    {QStringLiteral("短信"), QStringLiteral("发送手机短信")},
    {QStringLiteral("联系人"), QStringLiteral("手机联系人")},
    {QStringLiteral("无线网络"), QStringLiteral("手机扫码连接无线网络")},
    {QStringLiteral("关于"), QString()},
}};

const QString kAboutText =
    QStringLiteral("本软件可以免费使用。生成的二维码图片归你所有，可以随意复制、保存、打印和传播；"
                   "请勿用它制作违法或骗人的内容。\n\n"
                   "如果需要一次生成大量二维码，或者需要特别样式的二维码，欢迎来信商量。\n\n"
                   "联系信箱：contact@example.com\n\n"
                   "版本：" QUORLIK_VERSION);

} // namespace

void 文本录入::buildTitleAndTabs() {
    Label1 =
        label(this, Twips(1470, 120, 3975, 375), QStringLiteral("Quorlik二维码"), Qt::AlignCenter);
    Label1->setFont(WindowLayout::微软雅黑(15, true));

    const QRect strip = Twips(240, 600, 7095, 5550);
    选项卡标签 = new QTabBar(this);
    for (const TabText& tab : kTabs) {
        const int index = 选项卡标签->addTab(tab.caption);
        选项卡标签->setTabToolTip(index, tab.toolTip);
    }
    选项卡标签->setDrawBase(false);
    const int tabHeight = 选项卡标签->sizeHint().height();
    选项卡标签->setGeometry(strip.left(), strip.top(), strip.width(), tabHeight);

    // The strip's body, under the tabs, as a tab strip control draws it.
    auto* body = new QFrame(this);
    body->setFrameShape(QFrame::StyledPanel);
    body->setGeometry(strip.left(), strip.top() + tabHeight - 1, strip.width(),
                      strip.height() - tabHeight + 1);
    body->lower();
}

void 文本录入::buildFrames() {
    // Designed apart; 预处理 stacks them all on the first frame's place.
    for (int page = 0; page < 页数; ++page) {
        Frame1[page] = new QFrame(this);
        Frame1[page]->setFrameShape(QFrame::NoFrame);
        Frame1[page]->setGeometry(Twips(480, 1155, 6615, 4860));
    }
    for (int page = 0; page < 内容页数; ++page) buildSharedControls(page);
    buildTextPage();
    buildMailPage();
    buildWebPage();
    buildSmsPage();
    buildContactPage();
    buildWifiPage();
    buildAboutPage();
}

void 文本录入::buildSharedControls(int page) {
    QFrame* frame = Frame1[page];
    // The preview is scanned from the screen: nearest sampling keeps its modules sharp.
    Image1[page] = pictureHolder(frame, Twips(120, 2040, 2775, 2655), QImage(),
                                 PictureHolder::Sampling::Nearest);
    Image1[page]->setAccessibleName(QStringLiteral("二维码预览"));
    const QImage defaultLogo =
        page == 0 ? WindowLayout::BundledPicture(QStringLiteral("logo-fu.png")) : QImage();
    Image2[page] = pictureHolder(frame, Twips(3240, 2280, 720, 720), defaultLogo);
    Image2[page]->setAccessibleName(QStringLiteral("个性图标"));
    Check个性图标[page] = new QCheckBox(QStringLiteral("使用个性图标"), frame);
    Check个性图标[page]->setGeometry(Twips(4080, 2760, 1575, 255));
    Command清除[page] = button(frame, Twips(5760, 2160, 735, 375), QStringLiteral("清除"));
    Command浏览[page] = button(frame, Twips(5760, 2640, 735, 375), QStringLiteral("浏览"));
    Label2[page] = label(frame, Twips(3120, 3120, 1335, 255), QStringLiteral("个性图标路径："),
                         Qt::AlignLeft | Qt::AlignVCenter);
    Text2[page] = lineEdit(frame, Twips(3120, 3360, 3375, 270), QString());
    // It names the logo in use; only the browse command changes it.
    Text2[page]->setReadOnly(true);
    Label2[page]->setBuddy(Text2[page]);
    Command复制[page] = button(frame, Twips(3195, 3975, 855, 495), QStringLiteral("复制"));
    Command保存[page] = button(frame, Twips(4320, 3975, 855, 495), QStringLiteral("保存"));
    Command退出[page] = button(frame, Twips(5490, 3975, 855, 495), QStringLiteral("退出"));
}

void 文本录入::buildTextPage() {
    QFrame* frame = Frame1[0];
    Text普通文本[0] = EntryField(multiLine(
        frame, Twips(120, 240, 6375, 1695),
        QStringLiteral("欢迎使用二维码生成工具，在这里输入文字，下方的二维码会随之变化。\n")));
    Text普通文本[0].widget()->setAccessibleName(QStringLiteral("文本内容"));
    Label3 =
        label(frame, Twips(3180, 4545, 3210, 255),
              QStringLiteral("请用手机扫码软件扫描左边的二维码"), Qt::AlignLeft | Qt::AlignVCenter);
}

void 文本录入::buildMailPage() {
    QFrame* frame = Frame1[1];
    QLabel* to = label(frame, Twips(120, 255, 840, 360), QStringLiteral("收件人："));
    Texti收件人 = lineEdit(frame, Twips(960, 255, 1935, 360), QStringLiteral("me@example.com"));
    to->setBuddy(Texti收件人);
    QLabel* subject = label(frame, Twips(3015, 270, 720, 360), QStringLiteral("主题："));
    Text邮件主题 = lineEdit(frame, Twips(3735, 270, 2730, 360), QStringLiteral("re:周末聚会"));
    subject->setBuddy(Text邮件主题);
    Text普通文本[1] = EntryField(multiLine(frame, Twips(120, 720, 6375, 1215),
                                           QStringLiteral("你好！\n周六下午三点，老地方见。")));
    Text普通文本[1].widget()->setAccessibleName(QStringLiteral("邮件内容"));
}

void 文本录入::buildWebPage() {
    QFrame* frame = Frame1[2];
    QLabel* name = label(frame, Twips(120, 240, 1005, 345), QStringLiteral("网站名称："));
    Text普通文本[2] =
        EntryField(lineEdit(frame, Twips(1125, 240, 5235, 345), QStringLiteral("示例网站")));
    name->setBuddy(Text普通文本[2].widget());
    QLabel* address = label(frame, Twips(120, 870, 1005, 360), QStringLiteral("网址："));
    Text3 = lineEdit(frame, Twips(1125, 870, 5250, 360), QStringLiteral("http://www.example.com"));
    address->setBuddy(Text3);
}

void 文本录入::buildSmsPage() {
    QFrame* frame = Frame1[3];
    QLabel* to = label(frame, Twips(120, 240, 2040, 360), QStringLiteral("收件人(填写手机号码)："));
    Text6 = lineEdit(frame, Twips(2160, 240, 2895, 360), QStringLiteral("55555"));
    to->setBuddy(Text6);
    QLabel* message = label(frame, Twips(120, 630, 1500, 330), QStringLiteral("短信内容："),
                            Qt::AlignLeft | Qt::AlignVCenter);
    Text普通文本[3] = EntryField(
        multiLine(frame, Twips(120, 960, 6375, 975), QStringLiteral("你好，\n这是一条示例短信。")));
    message->setBuddy(Text普通文本[3].widget());
}

void 文本录入::buildContactPage() {
    QFrame* frame = Frame1[4];
    const auto labelled = [frame](const QRect& labelPlace, const QString& caption, QWidget* field) {
        label(frame, labelPlace, caption)->setBuddy(field);
    };
    Text姓名 = lineEdit(frame, Twips(840, 240, 2025, 345), QStringLiteral("查询"));
    labelled(Twips(120, 240, 720, 345), QStringLiteral("姓名："), Text姓名);
    Text单位 = lineEdit(frame, Twips(3735, 240, 2730, 360), QStringLiteral("示例公司"));
    labelled(Twips(3000, 240, 735, 360), QStringLiteral("公司："), Text单位);
    Text手机 = lineEdit(frame, Twips(840, 660, 2025, 345), QStringLiteral("55555555555"));
    labelled(Twips(120, 660, 720, 345), QStringLiteral("手机："), Text手机);
    Text职位 = lineEdit(frame, Twips(3720, 660, 2760, 360), QStringLiteral("自动话务"));
    labelled(Twips(3000, 660, 720, 360), QStringLiteral("职位："), Text职位);
    Text地址 = lineEdit(frame, Twips(840, 1080, 2025, 345), QStringLiteral("中国北京"));
    labelled(Twips(120, 1080, 720, 345), QStringLiteral("地址："), Text地址);
    Text7 = lineEdit(frame, Twips(3720, 1080, 2760, 360), QStringLiteral("@"));
    labelled(Twips(3000, 1080, 720, 360), QStringLiteral("信箱："), Text7);
    Text普通文本[4] =
        EntryField(lineEdit(frame, Twips(840, 1485, 5715, 390), QStringLiteral("示例名片")));
    labelled(Twips(120, 1485, 720, 390), QStringLiteral("备注："), Text普通文本[4].widget());
}

void 文本录入::buildWifiPage() {
    QFrame* frame = Frame1[无线网络页];
    const auto labelled = [frame](const QRect& labelPlace, const QString& caption, QWidget* field) {
        label(frame, labelPlace, caption)->setBuddy(field);
    };
    Text普通文本[无线网络页] =
        EntryField(lineEdit(frame, Twips(1125, 240, 5235, 345), QStringLiteral("示例网络")));
    labelled(Twips(120, 240, 1005, 345), QStringLiteral("网络名称："),
             Text普通文本[无线网络页].widget());
    Text密码 = lineEdit(frame, Twips(1125, 660, 5235, 345), QStringLiteral("12345678"));
    labelled(Twips(120, 660, 1005, 345), QStringLiteral("密码："), Text密码);
    Combo加密方式 = new QComboBox(frame);
    Combo加密方式->setGeometry(Twips(1125, 1080, 2025, 345));
    // The items carry the record's own words for the security.
    Combo加密方式->addItem(QStringLiteral("WPA/WPA2"), QStringLiteral("WPA"));
    Combo加密方式->addItem(QStringLiteral("WEP"), QStringLiteral("WEP"));
    Combo加密方式->addItem(QStringLiteral("无密码"), QStringLiteral("nopass"));
    labelled(Twips(120, 1080, 1005, 345), QStringLiteral("加密方式："), Combo加密方式);
    Check隐藏网络 = new QCheckBox(QStringLiteral("隐藏网络"), frame);
    Check隐藏网络->setGeometry(Twips(3735, 1080, 2025, 345));
}

void 文本录入::buildAboutPage() {
    QFrame* frame = Frame1[关于页];
    About标题 = label(frame, Twips(120, 120, 6375, 450), QStringLiteral("关于本软件"),
                      Qt::AlignLeft | Qt::AlignVCenter);
    About标题->setFont(WindowLayout::微软雅黑(12, true));
    About说明 = label(frame, Twips(120, 720, 6375, 3000), kAboutText, Qt::AlignLeft | Qt::AlignTop);
    About说明->setWordWrap(true);
    About说明->setFont(WindowLayout::微软雅黑(9));
    About图片 = pictureHolder(frame, Twips(5775, 3975, 720, 720),
                              WindowLayout::BundledPicture(QStringLiteral("about-xi.png")));
    Command退出[关于页] = button(frame, Twips(4215, 3960, 855, 495), QStringLiteral("退出"));
}
