// The window's save: the wait cursor while writing, the error box after a failure.
#include "forms/main/PictureSaving.h"

#include "encoder/clsQRCode.h"
#include "forms/main/UserMessages.h"
#include "raster/EncodeToPicture.h"
#include "tests/support/ZxingDecode.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>

#include "tests/support/SavedPictures.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

using SavedPictures::Payload;

using namespace 保存为PNGJPG;

class ExportTest : public testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

struct ShownMessage {
    QString title;
    QString text;
    UserMessages::Icon icon;
    bool cursorRestored; // the box must not appear under the wait cursor
};

class SavePictureFileTest : public ExportTest {
  protected:
    void SetUp() override {
        UserMessages::SetPresenter(
            [this](const QString& title, const QString& text, UserMessages::Icon icon) {
                shown_.push_back({title, text, icon, QGuiApplication::overrideCursor() == nullptr});
            });
    }
    void TearDown() override { UserMessages::SetPresenter({}); }
    std::vector<ShownMessage> shown_;
};

TEST_F(SavePictureFileTest, SuccessShowsNothingAndRestoresTheCursor) {
    const SaveOutcome outcome =
        SavePictureFile(SavedPictures::ComposedPicture(), path("ok.png"), ".png", 90, 24, 6);
    EXPECT_TRUE(outcome.written);
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(DecodeImage(QImage(path("ok.png"))).value_or(DecodedSymbol{}).bytes, Payload);
}

TEST_F(SavePictureFileTest, FailureShowsOneErrorBoxAfterTheCursorIsBack) {
    QFile(path("regularfile")).open(QIODevice::WriteOnly);
    const SaveOutcome outcome = SavePictureFile(SavedPictures::ComposedPicture(),
                                                path("regularfile/out.png"), ".png", 90, 24, 6);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].title, QStringLiteral("错误"));
    EXPECT_EQ(shown_[0].icon, UserMessages::Icon::Information);
    EXPECT_TRUE(shown_[0].cursorRestored);
    const QStringList lines = shown_[0].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("在保存图片的过程中发生错误:"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_EQ(lines[2], QStringLiteral("错误号:  %1").arg(outcome.errorNumber));
    EXPECT_EQ(lines[3], QStringLiteral("错误描述:  ") + outcome.description);
}

TEST_F(SavePictureFileTest, LeavesACallersOwnOverrideCursorInPlace) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::PointingHandCursor));
    SavePictureFile(SavedPictures::ComposedPicture(), path("ok.gif"), ".gif", 90, 24, 6);
    SavePictureFile(QImage(), path("none.gif"), ".gif", 90, 24, 6);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(shown_.size(), 1u);
}

TEST(ErrorTextTest, FourLinesWithNumberAndDescription) {
    const QString text = ErrorText(SaveOutcome{false, 75, QStringLiteral("Disk full")});
    EXPECT_EQ(text, QStringLiteral("在保存图片的过程中发生错误:\r\n\r\n错误号:  75\r\n"
                                   "错误描述:  Disk full"));
    EXPECT_EQ(text.split(QStringLiteral("\r\n")).at(2), QStringLiteral("错误号:  75"));
}

// The line breaks are carriage return + line feed; the box must show them as plain breaks.
TEST(ErrorTextTest, MessageBoxLaysOutTheLinesLikePlainLineFeeds) {
    const QString text = ErrorText(SaveOutcome{false, 75, QStringLiteral("Disk full")});
    const auto rendered = [](const QString& body) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("错误"), body, QMessageBox::Ok);
        box.show();
        QApplication::processEvents();
        auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        return label ? label->grab().toImage() : QImage();
    };
    const QImage withCrLf = rendered(text);
    ASSERT_FALSE(withCrLf.isNull());
    EXPECT_EQ(withCrLf, rendered(QString(text).replace(QStringLiteral("\r\n"), "\n")));
    EXPECT_NE(withCrLf, rendered(QString(text).replace(QStringLiteral("\r\n"), " ")));
}

} // namespace
