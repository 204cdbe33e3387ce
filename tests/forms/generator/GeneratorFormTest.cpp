#include "composition/SymbolComposition.h"
#include "forms/generator/二维码.h"
#include "forms/main/UserMessages.h"
#include "tests/support/ZxingDecode.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Shown {
    QString title;
    QString text;
};

class GeneratorForm : public ::testing::Test {
  protected:
    void SetUp() override {
        UserMessages::SetPresenter(
            [this](const QString& title, const QString& text, UserMessages::Icon) {
                shown.push_back({title, text});
            });
    }
    void TearDown() override { UserMessages::SetPresenter({}); }

    std::vector<Shown> shown;
};

void ExpectDefaultLists(const 二维码& form) {
    EXPECT_EQ(form.cmb1[0]->currentText(), QStringLiteral("Automatic"));
    EXPECT_EQ(form.cmb1[1]->currentText(), QStringLiteral("M - 15%"));
    EXPECT_EQ(form.cmb1[2]->currentText(), QStringLiteral("Automatic"));
    EXPECT_EQ(form.cmb1[3]->currentText(), QStringLiteral("UTF-8"));
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

QImage SolidLogo(QRgb colour) {
    QImage logo(64, 64, QImage::Format_RGB32);
    logo.fill(colour);
    return logo;
}

bool HasColour(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
    return false;
}

std::string Decoded(const QImage& picture) {
    const auto decoded = DecodeImage(picture);
    return decoded ? decoded->text : std::string("<unreadable>");
}

} // namespace

TEST_F(GeneratorForm, OptionListItemsAndDefaults) {
    二维码 form;
    ASSERT_EQ(form.cmb1[0]->count(), 41);
    EXPECT_EQ(form.cmb1[0]->itemText(0), QStringLiteral("Automatic"));
    EXPECT_EQ(form.cmb1[0]->itemText(1), QStringLiteral("1"));
    EXPECT_EQ(form.cmb1[0]->itemText(40), QStringLiteral("40"));
    EXPECT_EQ(Items(form.cmb1[1]),
              (QStringList{QStringLiteral("L - 7%"), QStringLiteral("M - 15%"),
                           QStringLiteral("Q - 25%"), QStringLiteral("H - 30%")}));
    ASSERT_EQ(form.cmb1[2]->count(), 9);
    EXPECT_EQ(form.cmb1[2]->itemText(1), QStringLiteral("0"));
    EXPECT_EQ(form.cmb1[2]->itemText(8), QStringLiteral("7"));
    EXPECT_EQ(Items(form.cmb1[3]), (QStringList{QStringLiteral("ANSI"), QStringLiteral("UTF-8")}));
    ExpectDefaultLists(form);
    EXPECT_EQ(form.Command1->text(), QStringLiteral("生成"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("二维码"));
}

TEST_F(GeneratorForm, GenerationResetsEveryList) {
    二维码 form;
    form.cmb1[0]->setCurrentIndex(7);
    form.cmb1[1]->setCurrentIndex(3);
    form.cmb1[2]->setCurrentIndex(5);
    form.cmb1[3]->setCurrentIndex(0);
    form.生成二维码(QString::fromUtf8("汉字 ANSI?"));
    ExpectDefaultLists(form);
    EXPECT_EQ(Decoded(form.Image2->picture()), "汉字 ANSI?");
}

TEST_F(GeneratorForm, LoadGeneratesFromDefaultTextWithLineBreak) {
    二维码 form;
    EXPECT_TRUE(form.HasSymbol());
    EXPECT_EQ(form.Text1->toPlainText(),
              QString::fromUtf8("五笔字型是害人害己害社会的汉字输入法\n"));
    EXPECT_EQ(Decoded(form.Image2->picture()), "五笔字型是害人害己害社会的汉字输入法\r\n");
    EXPECT_EQ(form.Image2->picture().size(), QSize(240, 240));
}

TEST_F(GeneratorForm, GenerateButtonUsesOwnText) {
    二维码 form;
    form.Text1->setPlainText(QStringLiteral("button"));
    form.生成二维码(QStringLiteral("other"));
    form.Command1->click();
    EXPECT_EQ(Decoded(form.Image2->picture()), "button");
}

TEST_F(GeneratorForm, PicturesAfterGeneration) {
    二维码 form;
    form.生成二维码(QStringLiteral("abcdefghijklmnopq")); // 17 letters: version 2 at level Q
    EXPECT_EQ(form.二维码图片宽度, 240);
    EXPECT_EQ(form.Image1->picture().width(), 4 * 2 + 17 + 8);
    EXPECT_EQ(form.Picture1->picture().size(), QSize(240, 240));
    EXPECT_EQ(form.Image2->picture(), form.Picture1->picture());
    // The window holds its picture as 32-bit RGB for the screen; the pixels are the composition's.
    EXPECT_EQ(form.Image2->picture(),
              SymbolComposition::Compose(form.Image1->picture(), QImage(), false)
                  .convertToFormat(QImage::Format_RGB32));
}

TEST_F(GeneratorForm, EmptyPayloadMakesVersionOneSymbol) {
    二维码 form;
    form.生成二维码(QString());
    EXPECT_TRUE(form.HasSymbol());
    EXPECT_EQ(form.Image1->picture().width(), 21 + 8);
    EXPECT_EQ(form.Image2->picture().size(), QSize(240, 240));
}

TEST_F(GeneratorForm, LogoOnlyWithFlagOne) {
    二维码 form;
    const QRgb red = qRgb(255, 0, 0);
    form.Image心标->setPicture(SolidLogo(red));
    form.生成二维码(QStringLiteral("logo"), 1);
    EXPECT_EQ(form.Image2->picture().pixel(90, 90) & 0xFFFFFF, red & 0xFFFFFF);
    EXPECT_EQ(form.Image2->picture().pixel(149, 149) & 0xFFFFFF, red & 0xFFFFFF);
    EXPECT_EQ(Decoded(form.Image2->picture()), "logo");
    for (std::optional<int> flag : {std::optional<int>(0), std::optional<int>(2),
                                    std::optional<int>(-1), std::optional<int>()}) {
        form.生成二维码(QStringLiteral("logo"), flag);
        EXPECT_FALSE(HasColour(form.Image2->picture(), red)) << flag.value_or(99);
    }
    EXPECT_TRUE(form.Image心标->hasPicture()); // the caller's logo stays
}

TEST_F(GeneratorForm, SnapshotSurvivesLaterGenerations) {
    二维码 form;
    form.生成二维码(QStringLiteral("first"));
    const QImage first = form.Image2->picture();
    const QImage firstCopy = first.copy();
    form.生成二维码(QStringLiteral("second"));
    EXPECT_EQ(first, firstCopy);
    EXPECT_EQ(Decoded(first), "first");
    EXPECT_EQ(Decoded(form.Image2->picture()), "second");
}

TEST_F(GeneratorForm, TooLongPayloadGivesNotice) {
    二维码 form;
    form.生成二维码(QString(2000, QChar(0x4E2D)));
    EXPECT_FALSE(form.HasSymbol());
    EXPECT_FALSE(form.Image1->hasPicture());
    EXPECT_EQ(form.Image2->picture(), SymbolComposition::TooLongNotice());
    form.生成二维码(QStringLiteral("fits"));
    EXPECT_TRUE(form.HasSymbol());
}

TEST_F(GeneratorForm, ClickOnSymbolCopiesComposedPicture) {
    二维码 form;
    form.Image心标->setPicture(SolidLogo(qRgb(0, 0, 255)));
    form.生成二维码(QStringLiteral("clip"), 1);
    form.show();
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(form.Image1, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("二维码图像保存到了剪贴板"));
    EXPECT_EQ(shown[0].title, QStringLiteral("Quorlik二维码"));
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              form.Image2->picture().convertToFormat(QImage::Format_RGB32));
}

TEST_F(GeneratorForm, ClickWithoutSymbolDoesNothing) {
    二维码 form;
    form.预处理(); // empties Image1
    form.show();
    QTest::mouseClick(form.Image1, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
}

TEST_F(GeneratorForm, FocusSelectsWholeText) {
    二维码 form;
    form.show();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(form.Text1, &focus);
    const QTextCursor cursor = form.Text1->textCursor();
    EXPECT_EQ(cursor.selectionStart(), 0);
    EXPECT_EQ(cursor.selectionEnd(), form.Text1->toPlainText().size());
    EXPECT_TRUE(form.Text1->toPlainText().endsWith(QLatin1Char('\n')));
}

TEST_F(GeneratorForm, SingleInstance) {
    二维码& first = 二维码::实例();
    EXPECT_EQ(&first, &二维码::实例());
    EXPECT_TRUE(first.HasSymbol());
    EXPECT_FALSE(first.isVisible());
}

TEST_F(GeneratorForm, LogoMakesShortPayloadsLargeEnoughToScan) {
    二维码 form;
    form.Image心标->setPicture(SolidLogo(qRgb(255, 0, 0)));
    form.生成二维码(QStringLiteral("A"), 1);
    EXPECT_EQ(form.Image1->picture().width(), 4 * 3 + 17 + 8);
    EXPECT_EQ(Decoded(form.Image2->picture()), "A");
    form.生成二维码(QStringLiteral("A"), 0);
    EXPECT_EQ(form.Image1->picture().width(), 4 * 1 + 17 + 8);
}
