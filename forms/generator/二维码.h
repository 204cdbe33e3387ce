#pragma once

#include "forms/generator/PictureHolder.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class clsQRCode;

// The generator form: turns a payload text into the composed symbol picture held by Image2.
// The program never shows it; its own handlers work when a test shows it.
class 二维码 : public QWidget {
  public:
    explicit 二维码(QWidget* parent = nullptr);
    ~二维码() override;

    // The single application-wide instance, created and loaded on first use.
    static 二维码& 实例();

    // 芯标 exactly 1 paints the logo held by Image心标; anything else paints none.
    void 生成二维码(const QString& 内容, std::optional<int> 芯标 = std::nullopt);
    // Empties Image1 and restores the option lists to their defaults.
    void 预处理();
    // False when the last generation's payload fit no symbol (the picture is then a notice).
    bool HasSymbol() const { return hasSymbol_; }

    int 二维码图片宽度 = 240;

    std::array<QComboBox*, 4> cmb1{};
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    PictureHolder* Picture1 = nullptr;
    PictureHolder* Image1 = nullptr;
    PictureHolder* Image心标 = nullptr;
    PictureHolder* Image2 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void wireHandlers();
    void generateFromOwnText();
    void copyComposedPicture();
    void paintComposed(const QImage& composed);

    std::unique_ptr<clsQRCode> encoder_;
    bool hasSymbol_ = false;
};
