#include "forms/main/文本录入.h"

#include "composition/SymbolComposition.h"
#include "forms/generator/PictureHolder.h"
#include "forms/generator/二维码.h"
#include "forms/main/KeyFilters.h"
#include "forms/main/MessageBoxes.h"
#include "forms/main/OutputCommands.h"
#include "forms/main/WindowKeys.h"
#include "forms/main/WindowLayout.h"
#include "forms/main/判断五笔字型.h"
#include "composition/PayloadBytes.h"
#include "payload/PayloadComposer.h"
#include "payload/WifiPayload.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>

namespace {

// The payload kinds work in UTF-8; the boxes hold UTF-16, whose unpaired surrogates become
// U+FFFD on the way.
std::vector<std::string> Utf8Fields(const QStringList& fields) {
    std::vector<std::string> utf8;
    for (const QString& field : fields) {
        const QByteArray bytes = PayloadBytes::ToUtf8(field);
        utf8.emplace_back(bytes.constData(), std::size_t(bytes.size()));
    }
    return utf8;
}


std::optional<int> realInputMethodCheck() {
    return InputMethodCheck::判断五笔字型();
}

} // namespace

文本录入::文本录入(五笔检查函数 检查, QWidget* parent)
    : QWidget(parent), 五笔检查(检查 ? std::move(检查) : realInputMethodCheck),
      文件对话框(FileDialogs::Real()) {
    MessageBoxes::Install();
    setUpWindow();
    buildTitleAndTabs();
    buildFrames();
    wireFields();
    wireCommands();
    wireTabs();
    setFocusOrder();
    setUpKeys();
    qApp->installEventFilter(this);
    // The window's Load.
    预处理();
}

文本录入::~文本录入() = default;

void 文本录入::setUpWindow() {
    setWindowTitle(QStringLiteral("Quorlik二维码设计"));
    // A fixed dialog frame without minimise or maximise; a tool window keeps off the task bar.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, true);
    setFixedSize(WindowLayout::Pixels(7560), WindowLayout::Pixels(6330));
    setWindowIcon(WindowLayout::WindowIcon());
    setFont(WindowLayout::微软雅黑(9));
    // A picture file dropped anywhere on the window is read (takePictureDrop).
    setAcceptDrops(true);
}

void 文本录入::wireFields() {
    const auto regenerate = [this] { 重新生成(); };
    for (const EntryField& field : Text普通文本) field.onChange(this, regenerate);
    for (QLineEdit* edit : {Texti收件人, Text邮件主题, Text3, Text6, Text姓名, Text单位, Text手机,
                            Text职位, Text7, Text地址})
        connect(edit, &QLineEdit::textChanged, this, regenerate);
    for (QCheckBox* box : Check个性图标) connect(box, &QCheckBox::toggled, this, regenerate);
    connect(Text密码, &QLineEdit::textChanged, this, regenerate);
    connect(Check隐藏网络, &QCheckBox::toggled, this, regenerate);
    connect(Combo加密方式, &QComboBox::currentIndexChanged, this, [this] {
        // An open network has no password: its box stays as typed but out of the record.
        Text密码->setEnabled(Combo加密方式->currentData().toString() != QLatin1String("nopass"));
        重新生成();
    });

    digitFilter_ = new KeyFilters::DigitFilter(this);
    Text手机->installEventFilter(digitFilter_);
    Text6->installEventFilter(digitFilter_);
}

void 文本录入::wireCommands() {
    for (int i = 0; i < 内容页数; ++i) {
        connect(Command保存[i], &QPushButton::clicked, this, [this, i] { Command保存_Click(i); });
        connect(Command复制[i], &QPushButton::clicked, this, [this, i] { Command复制_Click(i); });
        connect(Command浏览[i], &QPushButton::clicked, this, [this, i] { Command浏览_Click(i); });
        connect(Command清除[i], &QPushButton::clicked, this, [this, i] { Command清除_Click(i); });
    }
    for (int i = 0; i < 页数; ++i)
        connect(Command退出[i], &QPushButton::clicked, this, [this, i] { Command退出_Click(i); });
}

void 文本录入::setUpKeys() {
    const auto key = [this](const QKeySequence& keys, std::function<void()> run) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, std::move(run));
    };
    key(WindowKeys::Save, [this] { runOnContentPage(&文本录入::Command保存_Click); });
    key(WindowKeys::Copy, [this] { runOnContentPage(&文本录入::Command复制_Click); });
    key(WindowKeys::ChooseLogo, [this] { runOnContentPage(&文本录入::Command浏览_Click); });
    key(WindowKeys::ReadPicture, [this] { 识别图片(); });
    key(WindowKeys::Quit, [this] { Command退出_Click(SelectedPage()); });
    for (int i = 0; i < 内容页数; ++i) {
        Command保存[i]->setToolTip(WindowKeys::ToolTip(QStringLiteral("保存"), WindowKeys::Save));
        Command复制[i]->setToolTip(
            WindowKeys::ToolTip(QStringLiteral("复制二维码"), WindowKeys::Copy));
        Command浏览[i]->setToolTip(
            WindowKeys::ToolTip(QStringLiteral("选择图标"), WindowKeys::ChooseLogo));
    }
    for (QPushButton* exit : Command退出)
        exit->setToolTip(WindowKeys::ToolTip(QStringLiteral("退出"), WindowKeys::Quit));
}

// The page's own button would do it; the About page has none.
void 文本录入::runOnContentPage(void (文本录入::*command)(int)) {
    const int page = SelectedPage();
    if (page >= 0 && page < 内容页数) (this->*command)(page);
}

void 文本录入::wireTabs() {
    connect(选项卡标签, &QTabBar::currentChanged, this, [this] { 页面切换(); });
    // A click on the tab that is already selected is a click as well: it regenerates.
    connect(选项卡标签, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index == 选项卡标签->currentIndex()) 页面切换();
    });
}

// Tab walks a page as it reads: its fields, then the logo controls, then the buttons. The pages
// follow each other in the chain; hidden pages are skipped.
void 文本录入::setFocusOrder() {
    QWidget* previous = 选项卡标签;
    for (int page = 0; page < 页数; ++page)
        for (QWidget* next : focusOrderOf(page)) {
            QWidget::setTabOrder(previous, next);
            previous = next;
        }
}

QList<QWidget*> 文本录入::focusOrderOf(int page) const {
    if (page == 关于页) return {Command退出[关于页]};
    QList<QWidget*> order;
    switch (page) {
    case 0: order = {Text普通文本[0].widget()}; break;
    case 1: order = {Texti收件人, Text邮件主题, Text普通文本[1].widget()}; break;
    case 2: order = {Text普通文本[2].widget(), Text3}; break;
    case 3: order = {Text6, Text普通文本[3].widget()}; break;
    case 4:
        order = {Text姓名, Text单位, Text手机, Text职位, Text地址, Text7, Text普通文本[4].widget()};
        break;
    case 无线网络页:
        order = {Text普通文本[无线网络页].widget(), Text密码, Combo加密方式, Check隐藏网络};
        break;
    default: break;
    }
    order << Check个性图标[page] << Command浏览[page] << Text2[page] << Command清除[page]
          << Command复制[page] << Command保存[page] << Command退出[page];
    return order;
}

void 文本录入::预处理() {
    centreOnScreen();
    for (int page = 1; page < 内容页数; ++page) alignPageWithFirst(page);
    Frame1[关于页]->setGeometry(Frame1[0]->geometry());
    页面切换();
}

void 文本录入::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void 文本录入::alignPageWithFirst(int page) {
    Image2[page]->setPicture(Image2[0]->picture());
    Image2[page]->setGeometry(Image2[0]->geometry());
    Frame1[page]->setGeometry(Frame1[0]->geometry());
    const auto moveLike = [](QWidget* control, const QWidget* model) {
        control->move(model->pos());
    };
    moveLike(Command复制[page], Command复制[0]);
    moveLike(Command浏览[page], Command浏览[0]);
    moveLike(Command保存[page], Command保存[0]);
    moveLike(Command退出[page], Command退出[0]);
    moveLike(Command清除[page], Command清除[0]);
    moveLike(Check个性图标[page], Check个性图标[0]);
}

int 文本录入::SelectedPage() const {
    return 选项卡标签->currentIndex();
}

bool 文本录入::PageHasSymbol(int page) const {
    return page >= 0 && page < 内容页数 && hasSymbol_[page];
}

void 文本录入::页面切换() {
    const int selected = SelectedPage();
    for (int page = 0; page < 页数; ++page) {
        const bool shown = page == selected;
        Frame1[page]->setVisible(shown);
        Frame1[page]->setEnabled(shown);
        if (shown) 开始制作二维码(page);
    }
}

void 文本录入::重新生成() {
    开始制作二维码(SelectedPage());
}

std::optional<int> 文本录入::判断五笔字型() {
    return 五笔检查 ? 五笔检查() : std::nullopt;
}

QStringList 文本录入::pageFields(int page) const {
    switch (page) {
    case 0: return {Text普通文本[0].text()};
    case 1: return {Texti收件人->text(), Text邮件主题->text(), Text普通文本[1].text()};
    case 2: return {Text普通文本[2].text(), Text3->text()};
    case 3: return {Text6->text(), Text普通文本[3].text()};
    case 4:
        return {Text姓名->text(),       Text单位->text(), Text手机->text(), Text职位->text(),
                Text普通文本[4].text(), Text7->text(),    Text地址->text()};
    case 无线网络页:
        return {Text普通文本[无线网络页].text(), Text密码->text(),
                Combo加密方式->currentData().toString(),
                Check隐藏网络->isChecked() ? QStringLiteral("true") : QStringLiteral("false")};
    default: return {};
    }
}

// The Wi-Fi page's field rules are the record's own (WifiPayload), as on the command line.
QString 文本录入::missingField(int page) const {
    if (page != 无线网络页) return QString();
    const std::vector<std::string> fields = Utf8Fields(pageFields(page));
    const WifiSecurity security =
        WifiPayload::SecurityNamed(fields[2]).value_or(WifiSecurity::Wpa);
    switch (WifiPayload::MissingField(fields[0], fields[1], security)) {
    case WifiPayload::Missing::Ssid: return OutputCommands::WifiNeedsName;
    case WifiPayload::Missing::Password: return OutputCommands::WifiNeedsPassword;
    case WifiPayload::Missing::Nothing: break;
    }
    return QString();
}

// The preview says what the page still needs; save and copy say it too.
void 文本录入::showNoSymbol(int page, const QString& reason) {
    Image1[page]->setPicture(SymbolComposition::Notice(reason));
    hasSymbol_[page] = false;
    missingField_[page] = reason;
    shownPayload_[page].clear();
    shownLogo_[page] = QImage();
}

void 文本录入::开始制作二维码(int page) {
    if (判断五笔字型() == 1) {
        InputMethodCheck::RefuseAndExit();
        return; // reached only when the exit is replaced, as in tests
    }
    if (page < 0 || page >= 内容页数) return;
    if (const QString missing = missingField(page); !missing.isEmpty()) {
        showNoSymbol(page, missing);
        return;
    }

    const QString payload =
        QString::fromStdString(PayloadComposer::Compose(page, Utf8Fields(pageFields(page))));
    const int logoFlag = Check个性图标[page]->isChecked() ? 1 : 0;
    二维码& generator = 二维码::实例();
    generator.Image心标->setPicture(Image2[page]->picture());
    generator.生成二维码(payload, logoFlag);
    Image1[page]->setPicture(generator.Image2->picture());
    hasSymbol_[page] = generator.HasSymbol();
    missingField_[page].clear();
    shownPayload_[page] = payload;
    shownLogo_[page] = logoFlag == 1 ? Image2[page]->picture() : QImage();
}

bool 文本录入::cycleTabs(int step) {
    if (step == 0) return false;
    选项卡标签->setCurrentIndex(
        KeyFilters::CycledIndex(选项卡标签->currentIndex(), step, 选项卡标签->count()));
    return true;
}

bool 文本录入::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool key = type == QEvent::KeyPress;
    const bool drop = type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
    if ((key || drop) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) {
            if (key && cycleTabs(KeyFilters::TabCycleStep(*static_cast<QKeyEvent*>(event))))
                return true;
            // Over a text field too: a dropped file is a picture to read, not text to insert.
            if (drop && takePictureDrop(event)) return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
