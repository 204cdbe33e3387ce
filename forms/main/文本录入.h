#pragma once

#include "forms/main/EntryField.h"
#include "forms/main/FileDialogs.h"
#include "forms/main/PictureSaving.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class PictureHolder;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
namespace KeyFilters {
class DigitFilter;
}

// The main window: six content pages that regenerate their symbol at every edit, and an About
// page. Control arrays are indexed by the page index (tab number − 1).
class 文本录入 : public QWidget {
  public:
    static constexpr int 页数 = 7;     // tabs, About included
    static constexpr int 内容页数 = 6; // pages with fields, preview and commands
    static constexpr int 无线网络页 = 5;
    static constexpr int 关于页 = 6;

    using 五笔检查函数 = std::function<std::optional<int>()>;

    // An empty check uses the real input-method check. The window loads at once: 预处理 runs
    // and page 0 is generated.
    explicit 文本录入(五笔检查函数 检查 = {}, QWidget* parent = nullptr);
    ~文本录入() override;

    void 预处理();
    void 开始制作二维码(int page);
    std::optional<int> 判断五笔字型();

    // Tab number − 1, as every handler computes the page.
    int SelectedPage() const;
    // Whether the page's preview holds a real symbol (false when the content fit none).
    bool PageHasSymbol(int page) const;

    // The output commands, each with the index of the button clicked.
    void Command保存_Click(int i);
    void Command复制_Click(int i);
    void Command浏览_Click(int i);
    void Command清除_Click(int i);
    void Command退出_Click(int i);

    // Reads a picture's one symbol back into the page that makes its payload (Ctrl+O asks for
    // the file; a picture file dropped on the window is read at once).
    void 识别图片();
    void 读取图片(const QString& fileName);

    // Replaceable so that tests answer them.
    五笔检查函数 五笔检查;
    FileDialogs 文件对话框;

    QLabel* Label1 = nullptr;
    QTabBar* 选项卡标签 = nullptr;
    std::array<QFrame*, 页数> Frame1{};

    std::array<EntryField, 内容页数> Text普通文本{};
    std::array<QCheckBox*, 内容页数> Check个性图标{};
    std::array<PictureHolder*, 内容页数> Image1{};
    std::array<PictureHolder*, 内容页数> Image2{};
    std::array<QLabel*, 内容页数> Label2{};
    std::array<QLineEdit*, 内容页数> Text2{};
    std::array<QPushButton*, 内容页数> Command清除{};
    std::array<QPushButton*, 内容页数> Command浏览{};
    std::array<QPushButton*, 内容页数> Command复制{};
    std::array<QPushButton*, 内容页数> Command保存{};
    std::array<QPushButton*, 页数> Command退出{};
    QLabel* Label3 = nullptr;

    QLineEdit* Texti收件人 = nullptr;
    QLineEdit* Text邮件主题 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text姓名 = nullptr;
    QLineEdit* Text单位 = nullptr;
    QLineEdit* Text手机 = nullptr;
    QLineEdit* Text职位 = nullptr;
    QLineEdit* Text地址 = nullptr;
    QLineEdit* Text7 = nullptr;
    // The Wi-Fi page; its network name is Text普通文本(5).
    QLineEdit* Text密码 = nullptr;
    QComboBox* Combo加密方式 = nullptr;
    QCheckBox* Check隐藏网络 = nullptr;

    QLabel* About标题 = nullptr;
    QLabel* About说明 = nullptr;
    PictureHolder* About图片 = nullptr;

  protected:
    // Key preview: the window sees Ctrl+Tab before the focused control does.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setUpWindow();
    void buildTitleAndTabs();
    void buildFrames();
    void buildSharedControls(int page);
    void buildTextPage();
    void buildMailPage();
    void buildWebPage();
    void buildSmsPage();
    void buildContactPage();
    void buildWifiPage();
    void buildAboutPage();
    void wireFields();
    void wireCommands();
    void wireTabs();
    void setFocusOrder();
    void setUpKeys();
    void runOnContentPage(void (文本录入::*command)(int));

    void centreOnScreen();
    void alignPageWithFirst(int page);
    void 页面切换();
    void 重新生成();
    bool cycleTabs(int step);
    QStringList pageFields(int page) const;
    void setPageFields(int page, const QStringList& fields);
    bool takePictureDrop(QEvent* event);
    QString missingField(int page) const;
    void showNoSymbol(int page, const QString& reason);
    QList<QWidget*> focusOrderOf(int page) const;
    bool refuseWithoutSymbol(int page, const QString& tooLong, const QString& action);
    保存为PNGJPG::SaveOutcome saveVector(int page, const QString& fileName);

    KeyFilters::DigitFilter* digitFilter_ = nullptr;
    std::array<bool, 内容页数> hasSymbol_{};
    // Why the page has no symbol, when a field it needs is empty; empty otherwise.
    std::array<QString, 内容页数> missingField_{};
    // What each page's preview was drawn from: its payload and the logo painted (null if none).
    std::array<QString, 内容页数> shownPayload_{};
    std::array<QImage, 内容页数> shownLogo_{};
};
